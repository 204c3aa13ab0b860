// The country-list data file reader, the answer it builds into buffers of
// many sizes, and the read-back of an arbitrary (corrupt) answer buffer.
#include "dialing/CountryList.h"
#include "dialing/CountryQuery.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A private folder, removed when the fuzzer exits; memory-backed when the
// system has /dev/shm, since every run writes a file.
struct WorkDir {
    std::string path;
    WorkDir()
    {
        path = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/fuzz-country-list-XXXXXX";
        if (::mkdtemp(path.data()) == nullptr)
            std::abort();
    }
    ~WorkDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::string& dataPath()
{
    static const WorkDir dir;
    static const std::string path = dir.path + "/list.csv";
    return path;
}

std::string untilNul(const std::string& text)
{
    return text.substr(0, text.find('\0'));
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The input read as an answer buffer must never be read out of bounds.
    std::vector<std::byte> raw(size);
    if (size > 0)
        std::memcpy(raw.data(), data, size);
    (void)tarvo::CountryQuery::readFirstEntry(raw);

    std::FILE* f = std::fopen(dataPath().c_str(), "wb");
    if (!f)
        std::abort();
    if (size > 0)
        std::fwrite(data, 1, size, f);
    std::fclose(f);

    std::optional<tarvo::CountryList> list = tarvo::CountryList::load(dataPath());
    check(list.has_value());
    tarvo::CountryQuery query(dataPath());

    std::vector<std::uint32_t> ids{0, 1, 34, 0xFFFFFFFFu};
    if (!list->entries().empty())
        ids.push_back(list->entries().back().countryId);
    for (std::uint32_t id : ids) {
        const tarvo::TelephonyCountry* entry = list->find(id);
        for (std::size_t bufferSize : {0, 3, 4, 23, 24, 67, 68, 100, 512, 1000, 4096}) {
            // Room past the buffer shows any write beyond dwTotalSize.
            std::vector<std::byte> buffer(bufferSize + 16, std::byte{0x5A});
            if (bufferSize >= 4) {
                auto total = static_cast<std::uint32_t>(bufferSize);
                std::memcpy(buffer.data(), &total, 4);
            }
            std::int32_t result =
                query.lineGetCountry(id, 0x00010004, std::span<std::byte>(buffer.data(), bufferSize));
            for (std::size_t i = bufferSize; i < buffer.size(); ++i)
                check(buffer[i] == std::byte{0x5A});
            if (id != 0 && !entry) {
                check(result != 0);
                continue;
            }
            if (result != 0)
                continue;
            std::uint32_t needed = 0;
            std::memcpy(&needed, buffer.data() + 4, 4);
            std::optional<tarvo::TelephonyCountry> info =
                tarvo::CountryQuery::readFirstEntry(std::span<const std::byte>(buffer.data(), bufferSize));
            if (needed > bufferSize) {
                check(!info);
                continue;
            }
            const tarvo::TelephonyCountry* first = id == 0 ? (list->entries().empty() ? nullptr : &list->entries()[0])
                                                           : entry;
            check((first != nullptr) == info.has_value());
            if (first) {
                check(info->countryId == first->countryId);
                check(info->countryCode == first->countryCode);
                check(info->name == untilNul(first->name));
                check(info->sameAreaRule == untilNul(first->sameAreaRule));
                check(info->longDistanceRule == untilNul(first->longDistanceRule));
                check(info->internationalRule == untilNul(first->internationalRule));
            }
        }
    }
    return 0;
}
