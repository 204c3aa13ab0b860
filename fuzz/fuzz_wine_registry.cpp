// The reader of a Wine prefix's registry files on arbitrary text, and the
// mapping of whatever strings it finds as Windows paths. Every name and
// string read is UTF-8, and a path on drive C: never maps above the drive's
// folder, whatever ".." it holds.
#include "text/CodePage.h"
#include "text/RegistryFile.h"
#include "text/WinePathMapper.h"
#include "text/WineRegistry.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

// A prefix with an empty drive C:, removed when the fuzzer exits.
struct Prefix {
    std::string path;
    std::string driveC;
    Prefix()
    {
        path = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/fuzz-wine-registry-XXXXXX";
        if (::mkdtemp(path.data()) == nullptr)
            std::abort();
        std::filesystem::create_directories(path + "/drive_c");
        std::filesystem::create_directories(path + "/dosdevices");
        std::filesystem::create_directory_symlink("../drive_c", path + "/dosdevices/c:");
        driveC = std::filesystem::canonical(path + "/drive_c").string();
    }
    ~Prefix()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const Prefix& prefix()
{
    static const Prefix made;
    return made;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkUtf8(const std::string& text)
{
    check(tarvo::CodePage::utf16ToUtf8(tarvo::CodePage::utf8ToUtf16(text)) == text);
}

void checkMapping(const tarvo::WinePathMapper& paths, const std::string& value)
{
    auto mapped = paths.toLinuxPath("C:\\" + value);
    check(mapped.has_value());
    check(mapped->compare(0, prefix().driveC.size(), prefix().driveC) == 0);
}

void walk(const tarvo::RegistryFile& reg, const tarvo::WinePathMapper& paths, const std::string& key, int depth)
{
    std::vector<std::string> names;
    if (depth > 8 || !reg.enumSubkeys(key, names))
        return;
    std::string value;
    for (const char* name : {"Path", ""}) {
        if (reg.readString(key, name, value)) {
            checkUtf8(value);
            checkMapping(paths, value);
        }
    }
    for (const std::string& name : names) {
        checkUtf8(name);
        walk(reg, paths, key + "\\" + name, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // Without the header nothing is read: most inputs get it for free.
    std::string withHeader = std::string(tarvo::WineRegistry::kHeader) + "\n" + std::string(text);
    const tarvo::WinePathMapper paths(prefix().path);
    for (std::string_view input : {text, std::string_view(withHeader)}) {
        tarvo::RegistryFile reg;
        (void)tarvo::WineRegistry::parse(input, tarvo::WineRegistry::kMachineRoot, reg);
        walk(reg, paths, "HKEY_LOCAL_MACHINE", 0);
    }
    return 0;
}
