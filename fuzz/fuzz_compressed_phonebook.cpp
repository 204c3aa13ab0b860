// The expansion of a compressed "pbook.txt" on arbitrary bytes (mostly
// damaged gzip streams, grown from the seeds). Whatever the input: either the
// expansion succeeds, the input is gzip data, its copy is "pbook.txt.gz" and
// the expansion stays within its bound; or it fails, and "pbook.txt" and the
// older "pbook.txt.gz" are as they were. No temporary file is ever left.

#include "phonebook/ExpandCompressedPhonebook.h"
#include "support/AtomicFile.h"
#include "support/FrontEnd.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kOlderCopy = "an older compressed copy";

const fs::path& scratchFolder()
{
    static const fs::path folder = [] {
        std::string pattern = "/tmp/fuzz_compressed_phonebook_XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        return fs::path(pattern);
    }();
    static const bool cleanup = [] {
        return std::atexit([] {
            std::error_code ec;
            fs::remove_all(folder, ec);
        }) == 0;
    }();
    (void)cleanup;
    return folder;
}

// Plain writes: the harness needs no sync to disk on every input.
void put(const fs::path& path, std::string_view content)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (!content.empty() && std::fwrite(content.data(), 1, content.size(), file) != content.size())
        std::abort();
    if (std::fclose(file) != 0)
        std::abort();
}

std::string get(const fs::path& path)
{
    std::string content;
    if (!tarvo::readWholeFile(path.string(), content))
        std::abort();
    return content;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const fs::path book = scratchFolder() / "pbook.txt";
    const fs::path copy = scratchFolder() / "pbook.txt.gz";
    // Fresh files: the two may be links of one file after a run.
    fs::remove(book);
    fs::remove(copy);
    put(book, input);
    put(copy, kOlderCopy);

    tarvo::SilentFrontEnd frontEnd;
    const tarvo::ExpansionLimits limits{.ratio = 50, .floorBytes = 64 << 10, .keepFree = 0};
    if (tarvo::ExpandCompressedPhonebook(book.string(), frontEnd, limits)) {
        if (size < 2 || data[0] != 0x1F || data[1] != 0x8B)
            std::abort(); // only gzip data is expanded
        if (get(copy) != input)
            std::abort();
        if (fs::file_size(book) > std::max<std::uintmax_t>(limits.floorBytes, size * limits.ratio))
            std::abort();
    } else {
        if (get(book) != input || get(copy) != kOlderCopy)
            std::abort();
    }
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(scratchFolder()))
        ++entries;
    if (entries != 2)
        std::abort(); // a temporary file was left
    return 0;
}
