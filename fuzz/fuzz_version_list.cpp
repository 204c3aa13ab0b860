// Version lists on arbitrary bytes: every line through the entry parser,
// and the whole text as a local list file. Whatever the bytes, an entry the
// loader keeps must name a file that stays inside the working folders (its
// name is one plain file name; the folder part only goes into the URL), no
// part of it holds a control character, no two entries share a name, and
// the names derived from it must agree with its path.
#include "text/TagExpander.h"
#include "updater/UpdateContext.h"
#include "updater/UpdateEntry.h"
#include "updater/UpdateList.h"
#include "updater/UpdateLog.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

using namespace tarvo;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool onlyDots(std::string_view segment)
{
    return !segment.empty() && segment.find_first_not_of('.') == std::string_view::npos;
}

void checkEntry(const UpdateEntry& entry)
{
    check(entry.name.find('/') == std::string::npos);
    check(entry.dir + entry.name == entry.path);
    check(entry.fieldCount >= 4 || entry.name.empty());
    check(entry.localName() == entry.name);
    if (!entry.unsafeReason().empty())
        return;
    check(!entry.name.empty() && !onlyDots(entry.name));
    check(entry.name.find_first_of("\\:") == std::string::npos);
    for (char c : entry.path)
        check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    check(entry.updatePath() == "update/" + entry.name);
}

struct Workspace {
    std::filesystem::path dir;
    TagExpander tags;
    UpdateLog log{"/dev/null"};

    Workspace()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "fuzz_version_list_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        dir = pattern;
        tags.fill({7, 42, 9}, "", std::nullopt);
    }
    ~Workspace()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Workspace workspace;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        checkEntry(UpdateEntry::parse(line, workspace.tags));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }

    const std::string file = (workspace.dir / "42.ver").string();
    if (std::FILE* out = std::fopen(file.c_str(), "wb")) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
    UpdateContext context{workspace.dir, workspace.tags, workspace.log, "", "", {}};
    UpdateList list;
    check(list.load("42.ver", ListSource::Local, context) == UpdateList::kLoaded);
    for (const UpdateEntry& entry : list.entries()) {
        checkEntry(entry);
        check(entry.unsafeReason().empty());
        check(entry.line.size() <= UpdateEntry::kMaxLine);
        check(entry.line.find_first_of("\r\n") == std::string::npos);
        check(list.find(entry.name) == &entry);
        check(entry.name != "42.ver");
    }
    return 0;
}
