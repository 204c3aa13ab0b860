// The POP file reader: version line, "#HDR" headers, variants, long lines.
// The input is written to a file and read twice into one list (the second
// time as a customer file, so a header of the first stays in effect); every
// record is written back, and the loader's fast splitter is checked against
// the tokenizer on every line of the input. A line that is a record by
// itself is also loaded alone, and its integer columns must be the
// tokenizer's fields converted one by one. The file is read once more cut
// into parts as small as a byte allows (as large files are read side by
// side), and must give the same records and columns.

#include "phonebook/HandheldSet.h"
#include "phonebook/PopLineSplitter.h"
#include "phonebook/PopList.h"
#include "support/Tokenizer.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

const std::string& scratchFile()
{
    static const std::string path = [] {
        std::string pattern = "/tmp/fuzz_pop_file_XXXXXX";
        int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            std::abort();
        ::close(fd);
        return pattern;
    }();
    static const bool cleanup = [] { return std::atexit([] { std::remove(path.c_str()); }) == 0; }();
    (void)cleanup;
    return path;
}

void checkSplitter(std::string_view text)
{
    std::array<std::string_view, 40> a{};
    std::array<std::string_view, 40> b{};
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl == std::string_view::npos ? text.size() : nl + 1);
        text.remove_prefix(line.size());
        for (int max : {4, 29, 40}) {
            int na = tarvo::parseTokens(line, a.data(), max);
            int nb = tarvo::PopLineSplitter::split(line, b.data(), max);
            if (na != nb)
                std::abort();
            for (int i = 0; i < na; ++i)
                if (a[static_cast<std::size_t>(i)] != b[static_cast<std::size_t>(i)])
                    std::abort();
        }
    }
}

// The first line of `text` that is a record, as the only line of a
// phonebook in canonical column order.
void checkNumbers(std::string_view text)
{
    std::string_view line;
    std::array<std::string_view, 29> fields{};
    for (;;) {
        if (text.empty())
            return;
        // Lines end as the loader's reader ends them: at CR LF, LF or a
        // CR alone.
        std::size_t end = text.find_first_of("\r\n");
        if (end == std::string_view::npos)
            end = text.size();
        else
            end += text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
        line = text.substr(0, end);
        text.remove_prefix(line.size());
        // Longer lines reach the loader in pieces.
        if (line.size() < 1000 && !tarvo::comment(line) && tarvo::parseTokens(line, fields.data(), 29) >= 28)
            break;
    }
    const std::string path = scratchFile() + ".one";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fputs("#VER 1\n", f);
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
    tarvo::PopList one;
    if (one.loadFile(tarvo::PopList::Mode::ClearFirst, path, tarvo::PopList::Source::Master) != tarvo::PopFileStatus::Read
        || one.size() != 1)
        std::abort();
    std::remove(path.c_str());
    for (int c = 0; c < tarvo::kPopColumnCount; ++c) {
        const auto column = static_cast<tarvo::PopColumn>(c);
        if (!tarvo::isNumberColumn(column))
            continue;
        int expected = tarvo::toInt32(fields[static_cast<std::size_t>(c)]);
        if (column == tarvo::PopColumn::USAGE_START || column == tarvo::PopColumn::USAGE_END)
            expected /= 3600;
        if (one.begin()->number(column) != expected)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    checkSplitter(text);
    checkNumbers(text);

    const std::string& path = scratchFile();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    tarvo::PopList list;
    const tarvo::PopFileStatus first = list.loadFile(tarvo::PopList::Mode::ClearFirst, path, tarvo::PopList::Source::Master);
    const tarvo::PopFileStatus second = list.loadFile(tarvo::PopList::Mode::Append, path, tarvo::PopList::Source::Customer);
    if (first != second)
        std::abort(); // the same bytes are a phonebook or not, whatever came before

    std::string out;
    std::size_t records = 0;
    for (const tarvo::PopRecord& record : list) {
        if (record.pop() != record.text(tarvo::PopColumn::POP))
            std::abort();
        for (const tarvo::PopRecord& variant : record.variants())
            if (variant.pop() != record.pop())
                std::abort();
        std::size_t before = out.size();
        record.write(out);
        std::size_t lines = 0;
        for (std::size_t i = before; i < out.size(); ++i)
            lines += out[i] == '\n' ? 1 : 0;
        // Fields never hold a line end, so each record gives its own lines.
        if (lines != 1 + record.variants().size())
            std::abort();
        ++records;
    }
    if (records != list.size())
        std::abort();
    (void)tarvo::HandheldSet(list, 0).count();

    tarvo::PopList parts;
    parts.setParallelism({5, 1});
    if (parts.loadFile(tarvo::PopList::Mode::ClearFirst, path, tarvo::PopList::Source::Master) != first
        || parts.loadFile(tarvo::PopList::Mode::Append, path, tarvo::PopList::Source::Customer) != second
        || parts.size() != list.size() || parts.columnMap().positions() != list.columnMap().positions())
        std::abort();
    std::string again;
    for (const tarvo::PopRecord& record : parts)
        record.write(again);
    if (again != out)
        std::abort();
    return 0;
}
