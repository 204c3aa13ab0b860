// The handheld phonebook read-back on arbitrary device file content: the
// desktop copy is marked against a fixed master phonebook, then the merged
// file written from the result must mark the same POPs again.
#include "phonebook/HandheldSet.h"
#include "phonebook/PopList.h"
#include "phonebook/PopRecord.h"
#include "sync/HandheldPhonebook.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace tarvo;

namespace {

struct Workspace {
    std::filesystem::path dir;
    std::string copy;   // the desktop copy of the device file
    std::string merged; // the merged file written back
    PopList pops;
    HandheldSet handheld{pops, 0};

    Workspace()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "fuzz_handheld_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        dir = pattern;
        copy = (dir / "cepbook.txt").string();
        merged = (dir / "merged.txt").string();
        const std::string tail = ",,,,127,0,2359,0,0,0.05,56000,0,1,1,0,,0,8005550199,,0,10,MODEM,B1\r\n";
        const std::string isdn = ",,,,127,0,2359,0,0,0.05,56000,1,1,1,0,,0,8005550199,,0,10,ISDN,B1\r\n";
        std::string master = "#VER 1\r\n";
        for (const char* id : {"P1", "P2", "A", "", "P3", "0", "P10", "P2"}) {
            master += std::string("US,TX,Austin,408,5550100,") + id + tail;
            if (std::string(id) == "P1" || std::string(id) == "")
                master += std::string("US,TX,Austin,408,5550100,") + id + isdn;
        }
        write((dir / "pbook.txt").string(), master);
        write((dir / "cbook.txt").string(), "#VER 1\r\nUS,TX,Austin,408,5550100,C1" + tail +
                                                "US,TX,Austin,408,5550100,P3" + tail);
        if (pops.loadFile(PopList::Mode::ClearFirst, (dir / "pbook.txt").string(), PopList::Source::Master)
                != PopFileStatus::Read
            || pops.loadFile(PopList::Mode::Append, (dir / "cbook.txt").string(), PopList::Source::Customer)
                   != PopFileStatus::Read)
            std::abort();
    }
    ~Workspace()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    static void write(const std::string& path, const std::string& content)
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr)
            std::abort();
        if (!content.empty() && std::fwrite(content.data(), 1, content.size(), file) != content.size())
            std::abort();
        std::fclose(file);
    }

    std::vector<bool> marks() const
    {
        std::vector<bool> result;
        for (const PopRecord& pop : pops)
            result.push_back(tarvo::HandheldSet::contains(pop));
        return result;
    }
    void unmark()
    {
        handheld.removeAll();
    }
};

Workspace& workspace()
{
    static Workspace instance;
    return instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Workspace& w = workspace();
    w.unmark();
    const std::string content(reinterpret_cast<const char*>(data), size);
    Workspace::write(w.copy, content);

    const ReadBackResult result = HandheldPhonebook::markFromFile(w.handheld, w.copy).result;
    if (result != ReadBackResult::Marked && result != ReadBackResult::NotAPhonebook)
        std::abort();
    const std::vector<bool> marked = w.marks();
    bool any = false;
    for (const PopRecord& pop : w.pops) {
        any = any || HandheldSet::contains(pop);
        // Customer POPs never count as being on the handheld.
        if (!pop.fromMaster() && HandheldSet::contains(pop))
            std::abort();
    }
    // Not a phonebook: nothing may be marked.
    if (result == ReadBackResult::NotAPhonebook && any)
        std::abort();
    if (!content.empty() && content.rfind("#VER", 0) != 0 && result != ReadBackResult::NotAPhonebook)
        std::abort();

    // What was marked survives a synchronization and the next read-back.
    if (!HandheldPhonebook::writeMerged(w.handheld, w.merged, 1))
        std::abort();
    w.unmark();
    if (HandheldPhonebook::markFromFile(w.handheld, w.merged).result != ReadBackResult::Marked || w.marks() != marked)
        std::abort();
    return 0;
}
