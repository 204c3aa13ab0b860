#pragma once

#include "ceproto/RapiAnswerEncoder.h"
#include "ceproto/RapiRequest.h"
#include "ceproto/RapiRequestDecoder.h"

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace tarvo {
class FolderFileStore;
class FolderRegistryStore;
} // namespace tarvo

namespace tarvo::ceemu {

// The handheld's side of one remote-API connection: reads a request in the
// layout its OS version speaks, answers it from the stores (the folder's
// `fs/` and `registry.reg`, kept as a device keeps them) with one handler
// per command.
class CeRapiServer final {
public:
    using Bytes = std::vector<std::uint8_t>;

    // Files the handheld refuses, by the start of their names (any folder,
    // any case; so the desktop's temporary names for them too).
    struct Faults {
        std::string failCreate; // creating it for writing: access denied
        std::string failWrite;  // writing to it: disk full
    };

    CeRapiServer(std::uint32_t osMajor, std::uint32_t osMinor, FolderFileStore& files, FolderRegistryStore& registry,
                 Faults faults);

    // The whole answer message (length first) to one request's bytes (after
    // its length); empty when the request cannot be read, after which the
    // device drops the connection.
    Bytes answer(std::span<const std::uint8_t> request);

private:
    Bytes findFirstFile(const RapiRequest& request);
    Bytes findClose(const RapiRequest& request);
    Bytes getFileAttributes(const RapiRequest& request);
    Bytes createFile(const RapiRequest& request);
    Bytes readFile(const RapiRequest& request);
    Bytes writeFile(const RapiRequest& request);
    Bytes closeHandle(const RapiRequest& request);
    Bytes moveFile(const RapiRequest& request);
    Bytes deleteFile(const RapiRequest& request);
    Bytes createDirectory(const RapiRequest& request);
    Bytes regOpenKey(const RapiRequest& request);
    Bytes regCreateKey(const RapiRequest& request);
    Bytes regCloseKey(const RapiRequest& request);
    Bytes regQueryValue(const RapiRequest& request);
    Bytes regSetValue(const RapiRequest& request);
    Bytes getVersion(const RapiRequest& request);

    // The answer of a file call that returns a BOOL.
    Bytes done(std::int32_t error) const;

    std::uint32_t m_osMajor;
    std::uint32_t m_osMinor;
    RapiRequestDecoder m_requests;
    RapiAnswerEncoder m_answers;
    FolderFileStore& m_files;
    FolderRegistryStore& m_registry;
    Faults m_faults;
    std::vector<std::uint8_t> m_scratch;
};

} // namespace tarvo::ceemu
