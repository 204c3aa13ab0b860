#include "phonebook/ExpandCompressedPhonebook.h"

#include "support/AtomicFile.h"
#include "support/FrontEnd.h"
#include "support/ProgramTitle.h"

#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <zlib.h>

namespace tarvo {

namespace {

struct GzCloser {
    void operator()(gzFile_s* file) const noexcept { gzclose(file); }
};
using GzPtr = std::unique_ptr<gzFile_s, GzCloser>;

constexpr unsigned kBlock = 1024;

} // namespace

bool ExpandCompressedPhonebook(const std::string& path, FrontEnd& frontEnd)
{
    auto fail = [&frontEnd](const char* message) {
        frontEnd.messageBox(message, kProgramTitle, MessageIcon::None, MessageButtons::Ok);
        return false;
    };

    // rename replaces an older ".gz" in one step; it is not removed first, so
    // when there is no phonebook to move the compressed copy, possibly the
    // only good one, survives.
    const std::string compressed = path + ".gz";
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)
        || std::rename(path.c_str(), compressed.c_str()) != 0)
        return fail(kRenameFailedMessage);

    AtomicFile out(path);
    if (!out.open())
        return fail(kCreateFailedMessage);

    GzPtr in(gzopen(compressed.c_str(), "rb"));
    if (!in)
        return fail(kOpenCompressedFailedMessage);

    char block[kBlock];
    bool damaged = false;
    bool writeFailed = false;
    for (;;) {
        int got = gzread(in.get(), block, kBlock);
        if (got <= 0) {
            damaged = got < 0;
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
    if (writeFailed || !out.commit())
        return fail(kCreateFailedMessage);
    return true;
}

} // namespace tarvo
