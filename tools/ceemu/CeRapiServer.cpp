#include "ceemu/CeRapiServer.h"

#include "ceproto/CeWin32.h"
#include "device/FolderFileStore.h"
#include "device/FolderRegistryStore.h"

#include <array>
#include <utility>

namespace tarvo::ceemu {

namespace {

// More than any desktop asks for in one read; a request for more is no
// request a device takes.
constexpr std::uint32_t kMaxRead = 16 * 1024 * 1024;

std::uint32_t word(std::int32_t error)
{
    return static_cast<std::uint32_t>(error);
}

using Handler = CeRapiServer::Bytes (CeRapiServer::*)(const RapiRequest&);

} // namespace

CeRapiServer::CeRapiServer(std::uint32_t osMajor, std::uint32_t osMinor, FolderFileStore& files,
                           FolderRegistryStore& registry, Faults faults)
    : m_osMajor(osMajor),
      m_osMinor(osMinor),
      m_requests(rapiLayoutFor(osMajor, osMinor)),
      m_answers(rapiLayoutFor(osMajor, osMinor)),
      m_files(files),
      m_registry(registry),
      m_faults(std::move(faults))
{
}

CeRapiServer::Bytes CeRapiServer::answer(std::span<const std::uint8_t> message)
{
    static constexpr std::array<std::pair<RapiCommand, Handler>, 16> kHandlers = {{
        {RapiCommand::FindFirstFile, &CeRapiServer::findFirstFile},
        {RapiCommand::FindClose, &CeRapiServer::findClose},
        {RapiCommand::GetFileAttributes, &CeRapiServer::getFileAttributes},
        {RapiCommand::CreateFile, &CeRapiServer::createFile},
        {RapiCommand::ReadFile, &CeRapiServer::readFile},
        {RapiCommand::WriteFile, &CeRapiServer::writeFile},
        {RapiCommand::CloseHandle, &CeRapiServer::closeHandle},
        {RapiCommand::MoveFile, &CeRapiServer::moveFile},
        {RapiCommand::DeleteFile, &CeRapiServer::deleteFile},
        {RapiCommand::CreateDirectory, &CeRapiServer::createDirectory},
        {RapiCommand::RegOpenKey, &CeRapiServer::regOpenKey},
        {RapiCommand::RegCreateKey, &CeRapiServer::regCreateKey},
        {RapiCommand::RegCloseKey, &CeRapiServer::regCloseKey},
        {RapiCommand::RegQueryValue, &CeRapiServer::regQueryValue},
        {RapiCommand::RegSetValue, &CeRapiServer::regSetValue},
        {RapiCommand::GetVersion, &CeRapiServer::getVersion},
    }};
    std::optional<RapiRequest> request = m_requests.decode(message);
    if (!request)
        return {};
    for (const auto& [command, handler] : kHandlers)
        if (request->command == command)
            return (this->*handler)(*request);
    return m_answers.unknown();
}

CeRapiServer::Bytes CeRapiServer::done(std::int32_t error) const
{
    return m_answers.status(word(error), error == ce::kErrorSuccess ? 1 : 0);
}

CeRapiServer::Bytes CeRapiServer::findFirstFile(const RapiRequest& request)
{
    CeFindData found;
    std::uint32_t handle = ce::kInvalidHandle;
    std::int32_t error = m_files.find(request.path, found, handle);
    return m_answers.findFirstFile(word(error), handle, error == ce::kErrorSuccess ? &found : nullptr);
}

CeRapiServer::Bytes CeRapiServer::findClose(const RapiRequest& request)
{
    return done(m_files.close(request.handle));
}

CeRapiServer::Bytes CeRapiServer::getFileAttributes(const RapiRequest& request)
{
    std::uint32_t attributes = ce::kInvalidAttributes;
    std::int32_t error = m_files.attributes(request.path, attributes);
    return m_answers.status(word(error), attributes);
}

CeRapiServer::Bytes CeRapiServer::createFile(const RapiRequest& request)
{
    std::uint32_t handle = ce::kInvalidHandle;
    std::int32_t error = ce::kErrorAccessDenied;
    const bool writing = (request.access & ce::kGenericWrite) != 0;
    if (!writing || !FolderFileStore::beginsWith(FolderFileStore::lastName(request.path), m_faults.failCreate))
        error = m_files.open(request.path, request.access, request.disposition, handle);
    return m_answers.status(word(error), handle);
}

CeRapiServer::Bytes CeRapiServer::readFile(const RapiRequest& request)
{
    if (request.size > kMaxRead)
        return {};
    m_scratch.resize(request.size);
    std::uint32_t got = 0;
    std::int32_t error = m_files.read(request.handle, m_scratch.data(), request.size, got);
    m_scratch.resize(got);
    return m_answers.readFile(word(error), error == ce::kErrorSuccess ? 1 : 0, m_scratch);
}

CeRapiServer::Bytes CeRapiServer::writeFile(const RapiRequest& request)
{
    const FolderFileStore::OpenFile* file = m_files.file(request.handle);
    std::int32_t error = file != nullptr && FolderFileStore::beginsWith(file->name, m_faults.failWrite)
                             ? ce::kErrorDiskFull
                             : m_files.write(request.handle, request.data);
    const bool wrote = error == ce::kErrorSuccess;
    return m_answers.writeFile(word(error), wrote ? 1 : 0, wrote ? static_cast<std::uint32_t>(request.data.size()) : 0);
}

CeRapiServer::Bytes CeRapiServer::closeHandle(const RapiRequest& request)
{
    return done(m_files.close(request.handle));
}

CeRapiServer::Bytes CeRapiServer::moveFile(const RapiRequest& request)
{
    return done(m_files.move(request.path, request.newPath));
}

CeRapiServer::Bytes CeRapiServer::deleteFile(const RapiRequest& request)
{
    return done(m_files.remove(request.path));
}

CeRapiServer::Bytes CeRapiServer::createDirectory(const RapiRequest& request)
{
    return done(m_files.createDirectory(request.path));
}

CeRapiServer::Bytes CeRapiServer::regOpenKey(const RapiRequest& request)
{
    std::uint32_t key = 0;
    std::int32_t result = m_registry.open(request.handle, request.path, key);
    return m_answers.regOpenKey(result, key);
}

CeRapiServer::Bytes CeRapiServer::regCreateKey(const RapiRequest& request)
{
    std::uint32_t key = 0;
    bool created = false;
    std::int32_t result = m_registry.create(request.handle, request.path, key, created);
    return m_answers.regCreateKey(result, key, created ? ce::kRegCreatedNewKey : ce::kRegOpenedExistingKey);
}

CeRapiServer::Bytes CeRapiServer::regCloseKey(const RapiRequest& request)
{
    return m_answers.registry(m_registry.close(request.handle));
}

CeRapiServer::Bytes CeRapiServer::regQueryValue(const RapiRequest& request)
{
    std::uint32_t type = 0;
    std::int32_t result = m_registry.query(request.handle, request.path, type, m_scratch);
    if (result == ce::kErrorSuccess && m_scratch.size() > request.size)
        result = ce::kErrorMoreData;
    return m_answers.regQueryValue(result, type, m_scratch);
}

CeRapiServer::Bytes CeRapiServer::regSetValue(const RapiRequest& request)
{
    return m_answers.registry(m_registry.set(request.handle, request.path, request.type, request.data));
}

CeRapiServer::Bytes CeRapiServer::getVersion(const RapiRequest&)
{
    return m_answers.getVersion(m_osMajor, m_osMinor, 0, ce::kPlatformWin32Ce);
}

} // namespace tarvo::ceemu
