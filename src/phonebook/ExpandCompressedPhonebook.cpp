#include "phonebook/ExpandCompressedPhonebook.h"

#include "support/AtomicFile.h"
#include "support/DiskSpace.h"
#include "support/FileHandle.h"
#include "support/FileInfo.h"
#include "support/FrontEnd.h"
#include "support/NativePath.h"
#include "support/ProgramTitle.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <zlib.h>

namespace tarvo {

namespace {

struct GzCloser {
    void operator()(gzFile_s* file) const noexcept { gzclose(file); }
};
using GzPtr = std::unique_ptr<gzFile_s, GzCloser>;

constexpr unsigned kBlock = 1024;
// Free space is looked at whenever this much more has been written.
constexpr std::uint64_t kSpaceCheckEvery = std::uint64_t{8} << 20;

enum class Kind { Gzip, Other, Unreadable };

// The two bytes every gzip member starts with.
Kind kindOf(const std::string& path)
{
    FilePtr file = openFile(path, "rb");
    if (!file)
        return Kind::Unreadable;
    unsigned char magic[2] = {0, 0};
    std::size_t got = std::fread(magic, 1, sizeof magic, file.get());
    return got == sizeof magic && magic[0] == 0x1F && magic[1] == 0x8B ? Kind::Gzip : Kind::Other;
}

// Makes `copy` the same bytes as `original`, replacing it atomically: a
// hard link where the file system has them, else a copy. The link is made
// under a temporary name of the kind a killed run's leftovers are swept by.
bool preserveCompressed(const std::string& original, const std::string& copy)
{
    // A run stopped between the two renames left `copy` a link to the
    // original already; renaming another link of the same file over it
    // would do nothing and leave that link behind.
    if (isSameFile(original, copy) || linkReplacing(original, copy))
        return true;
    AtomicFile target(copy);
    FilePtr in = openFile(original, "rb");
    if (!in || !target.open())
        return false;
    char block[65536];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, in.get())) > 0)
        if (!target.write({block, got}))
            return false;
    return std::ferror(in.get()) == 0 && target.commit();
}

} // namespace

bool ExpandCompressedPhonebook(const std::string& path, FrontEnd& frontEnd, const ExpansionLimits& limits)
{
    auto fail = [&frontEnd](const char* message) {
        frontEnd.messageBox(message, kProgramTitle, MessageIcon::None, MessageButtons::Ok);
        return false;
    };

    // Nothing to expand: the message the dialer has always given when the
    // compressed file could not be moved aside.
    const FileInfo info = fileInfo(path);
    if (!info.isRegular()) {
        // The dialer's text, and a line that says what is really wrong.
        const std::string why = info.error.empty() ? "not a regular file" : info.error;
        frontEnd.messageBox(std::string(kRenameFailedMessage) + "\n" + path + ": " + why, kProgramTitle,
                            MessageIcon::None, MessageButtons::Ok);
        return false;
    }
    switch (kindOf(path)) {
    case Kind::Unreadable:
        return fail(kOpenCompressedFailedMessage);
    case Kind::Other:
        // Read through zlib it would come out unchanged, so the expansion
        // would be the same non-phonebook, and it would replace a good
        // compressed copy: leave both alone.
        return false;
    case Kind::Gzip:
        break;
    }

    AtomicFile out(path);
    if (!out.open())
        return fail(kCreateFailedMessage);

    GzPtr in(gzopen(path.c_str(), "rb"));
    if (!in)
        return fail(kOpenCompressedFailedMessage);

    const std::filesystem::path parent = nativePath(path).parent_path();
    const std::string folder = parent.empty() ? std::string(".") : pathText(parent);
    const std::uint64_t compressedSize = info.size;
    const std::uint64_t bound = std::max(limits.floorBytes, compressedSize * limits.ratio);
    std::uint64_t written = 0;
    std::uint64_t nextSpaceCheck = 0;
    char block[kBlock];
    bool damaged = false;
    bool writeFailed = false;
    for (;;) {
        if (written >= nextSpaceCheck) {
            if (!leavesFreeSpace(folder, limits.keepFree)) {
                writeFailed = true;
                break;
            }
            nextSpaceCheck = written + kSpaceCheckEvery;
        }
        int got = gzread(in.get(), block, kBlock);
        if (got <= 0) {
            damaged = got < 0;
            break;
        }
        written += static_cast<std::uint64_t>(got);
        // Past anything a phonebook compresses to: a bomb, not a phonebook.
        if (written > bound) {
            damaged = true;
            break;
        }
        if (!out.write({block, static_cast<std::size_t>(got)})) {
            writeFailed = true;
            break;
        }
    }
    // gzclose also reports a stream that ended in the middle of a member.
    if (gzclose(in.release()) != Z_OK && !writeFailed)
        damaged = true;
    if (damaged)
        return fail(kCompressedDamagedMessage);
    if (writeFailed)
        return fail(kCreateFailedMessage);

    // The compressed original takes the ".gz" name first, then the
    // expansion takes its place: whenever the run stops, "pbook.txt" is one
    // of the two, whole.
    if (!preserveCompressed(path, path + ".gz") || !out.commit())
        return fail(kCreateFailedMessage);
    return true;
}

} // namespace tarvo
