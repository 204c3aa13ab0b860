// The settings-file reader and writer on arbitrary files. The input's first
// line is "section<TAB>key" (the names to look up and write); the rest is
// the file. After writing a well-formed key, reading it must give the value
// written, and keys elsewhere must read as before.
#include "text/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

// The scratch file goes away with the process.
struct Scratch {
    std::string path;
    ~Scratch() { ::unlink(path.c_str()); }
};

const std::string& scratchPath()
{
    static const Scratch scratch{[] {
        // Memory-backed when there is one: every write is synced to disk.
        char shm[] = "/dev/shm/fuzz_ini_file-XXXXXX";
        char tmp[] = "/tmp/fuzz_ini_file-XXXXXX";
        char* pattern = ::access("/dev/shm", W_OK) == 0 ? shm : tmp;
        int fd = ::mkstemp(pattern);
        if (fd < 0)
            std::abort();
        ::close(fd);
        return std::string(pattern);
    }()};
    return scratch.path;
}

void writeFile(const std::string& path, std::string_view content)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
}

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
        if (x != y)
            return false;
    }
    return true;
}

// Names the format can hold: a section name without ']' or line ends, a
// key without '=' or line ends that does not look like a comment or a section.
bool writable(std::string_view section, std::string_view key)
{
    section = trim(section);
    key = trim(key);
    return !key.empty() && section.find_first_of("]\r\n") == std::string_view::npos
           && key.find_first_of("=\r\n") == std::string_view::npos && key.front() != ';' && key.front() != '[';
}

// The numbered list as one key read after another, the way the list is
// defined; ReadList reads the file once and must give the same.
std::vector<std::string> listKeyByKey(const tarvo::IniFile& ini, const std::string& section, const std::string& format)
{
    std::vector<std::string> list;
    std::string previous;
    for (int n = 1;; ++n) {
        std::string key = format;
        if (std::size_t mark = key.find("%d"); mark != std::string::npos)
            key.replace(mark, 2, std::to_string(n));
        if (key.size() > 19 || key == previous)
            break;
        std::string value = ini.readString(section, key, "_NO_MORE_");
        if (value == "_NO_MORE_")
            break;
        list.push_back(std::move(value));
        previous = std::move(key);
    }
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t nl = input.find('\n');
    std::string_view query = nl == std::string_view::npos ? input : input.substr(0, nl);
    std::string_view content = nl == std::string_view::npos ? std::string_view{} : input.substr(nl + 1);
    std::size_t tab = query.find('\t');
    std::string section(query.substr(0, tab));
    std::string key(tab == std::string_view::npos ? std::string_view("Key") : query.substr(tab + 1));

    const std::string& path = scratchPath();
    writeFile(path, content);
    tarvo::IniFile ini(path);

    if (ini.readString(section, key, "default").size() > 259)
        __builtin_trap();
    (void)ini.readInt(section, key, "0");
    (void)ini.readBool(section, key, true);
    // A list ends: the key limit and the repeated-key check bound it.
    const std::vector<std::string> list = ini.readList(section, key + "%d");
    if (list.size() > 100000 || list != listKeyByKey(ini, section, key + "%d"))
        __builtin_trap();
    (void)ini.readList("Profile", "PhonebookURL%d");

    const std::string otherBefore = ini.readString(section, "zz_other", "<none>");
    const std::string elsewhereBefore = ini.readString("zz_section", key, "<none>");

    if (!ini.writeString(section, key, "v1"))
        return 0;
    if (writable(section, key)) {
        if (ini.readString(section, key, "<none>") != "v1")
            __builtin_trap();
        if (!equalsIgnoreCase(trim(key), "zz_other") && ini.readString(section, "zz_other", "<none>") != otherBefore)
            __builtin_trap();
        if (!equalsIgnoreCase(trim(section), "zz_section")
            && ini.readString("zz_section", key, "<none>") != elsewhereBefore)
            __builtin_trap();
    }
    return 0;
}
