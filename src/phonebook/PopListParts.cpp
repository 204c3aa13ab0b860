#include "phonebook/PopListParts.h"

#include "phonebook/ColumnMap.h"
#include "phonebook/PopList.h"
#include "support/FileInfo.h"
#include "support/LineCuts.h"
#include "support/LineReader.h"
#include "support/ReadOnlyFile.h"
#include "support/SideBySide.h"

#include <algorithm>
#include <memory>

namespace tarvo {

PopListParts::Parallelism PopListParts::defaultParallelism()
{
    constexpr unsigned kMostParts = 8;
    constexpr std::uint64_t kLeastPartBytes = 1 << 20;
    return {std::min(processorCount(), kMostParts), kLeastPartBytes};
}

std::optional<PopFileStatus> PopListParts::read(PopList& list, const std::string& path, bool fromMaster,
                                                const Parallelism& parallelism)
{
    FileInfo info;
    unsigned parts = 1;
    if (parallelism.parts > 1 && (info = fileInfo(path)).isRegular()) {
        const std::uint64_t fit = info.size / std::max<std::uint64_t>(parallelism.minPartBytes, 1);
        parts = static_cast<unsigned>(std::min<std::uint64_t>(parallelism.parts, fit));
    }
    // A file too small to cut is read through stdio, not in parts: reading
    // every file through pread left glibc's heap with a different top after a
    // load, and a process loading small phonebooks again and again gave its
    // memory back and faulted it in anew each time (2.7 to 3.5 ms a load).
    if (parts <= 1)
        return std::nullopt;
    // The cuts are looked for in the file as it is open here: one that has
    // changed since its size was taken still gives whole lines.
    const std::unique_ptr<ReadOnlyFile> file = ReadOnlyFile::open(path);
    if (!file)
        return PopFileStatus::CannotOpen;
    const std::vector<std::uint64_t> cuts = findLineCuts(*file, file->size(), parts);
    PopFileReader reader(*file, cuts.empty() ? LineReader::kToEnd : cuts.front());
    if (!cuts.empty() && reader.status() == PopFileStatus::Read)
        return readParts(list, reader, *file, cuts, fromMaster);
    PopRecord* last = nullptr;
    list.readLines(reader, fromMaster, last);
    return reader.status();
}

PopFileStatus PopListParts::readParts(PopList& list, PopFileReader& first, const ReadOnlyFile& file,
                                      const std::vector<std::uint64_t>& cuts, bool fromMaster)
{
    // The other parts begin with the columns as they are now. A header line
    // that moves them in an earlier part (headers are rare, and nearly
    // always at the top) has that part's successor read again.
    struct Part {
        PopList list;
        ColumnMap start;
        PopRecord* last = nullptr;
        bool failed = false;
    };
    std::vector<std::unique_ptr<Part>> parts;
    for (std::size_t k = 1; k <= cuts.size(); ++k)
        parts.emplace_back(std::make_unique<Part>())->start = list.columnMap();
    // Part k (from 1) runs from cut k - 1 to cut k or the end.
    auto readPart = [&file, &cuts, fromMaster](Part& part, std::size_t k) {
        part.list.columnMap() = part.start;
        LineReader lines(file, cuts[k - 1], k < cuts.size() ? cuts[k] : LineReader::kToEnd);
        part.list.readLines(lines, fromMaster, part.last);
        part.failed = lines.failed();
    };
    PopRecord* last = nullptr;
    runBeside(
        parts.size(), [&] { list.readLines(first, fromMaster, last); },
        [&](std::size_t index) { readPart(*parts[index], index + 1); });
    // A read error ends the file where it happened: the parts after it are
    // dropped, as a reading from start to end would never have reached them.
    if (first.status() != PopFileStatus::Read)
        return first.status();
    for (std::size_t k = 1; k <= cuts.size(); ++k) {
        if (parts[k - 1]->start.positions() != list.columnMap().positions()) {
            parts[k - 1] = std::make_unique<Part>();
            parts[k - 1]->start = list.columnMap();
            readPart(*parts[k - 1], k);
        }
        Part& part = *parts[k - 1];
        list.append(part.list, part.last, last);
        list.columnMap() = part.list.columnMap();
        if (part.failed)
            return PopFileStatus::ReadFailed;
    }
    return PopFileStatus::Read;
}

} // namespace tarvo
