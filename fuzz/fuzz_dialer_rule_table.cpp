// The dialer's "dr_country.txt" reader, and the writer of the handheld's
// table fed from what it read.
#include "dialing/CountryQuery.h"
#include "dialing/DialerRuleTable.h"
#include "dialing/DialingRules.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// A private folder, removed when the fuzzer exits; memory-backed when the
// system has /dev/shm, since every run writes a file.
struct WorkDir {
    std::string path;
    WorkDir()
    {
        path = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/fuzz-dialer-rules-XXXXXX";
        if (::mkdtemp(path.data()) == nullptr)
            std::abort();
    }
    ~WorkDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::string& workDir()
{
    static const WorkDir dir;
    static const std::string path = dir.path;
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input = workDir() + "/dr_country.txt";
    {
        std::FILE* f = std::fopen(input.c_str(), "wb");
        if (!f)
            std::abort();
        if (size > 0)
            std::fwrite(data, 1, size, f);
        std::fclose(f);
    }

    tarvo::DialerRuleTable table;
    if (!table.load(input))
        std::abort();
    if (table.size() > 65536)
        std::abort();
    // Every key reaches the same rule whatever multiple of 65536 is added.
    for (std::int64_t id : {0, 1, 33, 44, 65535}) {
        if (table.find(id) != table.find(id + 65536))
            std::abort();
    }

    // The writer with rules from this table only (no country list). The
    // output is abandoned, not committed, so each run stays cheap.
    static tarvo::CountryQuery noList(workDir() + "/no-list.csv");
    tarvo::DialingRules rules(workDir(), workDir() + "/out.txt", noList);
    rules.beginCountryLoad();
    if (rules.openOutput()) {
        for (int id : {0, 1, 33, 44, 65580, -1})
            rules.writeCountry("XX", id);
    }
    return 0;
}
