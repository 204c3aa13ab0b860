#include "updater/GzipExpander.h"

#include "support/AtomicFile.h"
#include "support/ByteSearch.h"
#include "support/DiskSpace.h"
#include "support/FileInfo.h"
#include "support/NativePath.h"
#include "updater/UpdateIoError.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace tarvo {

namespace {

struct GzCloser {
    void operator()(gzFile_s* gz) const noexcept { gzclose_r(gz); }
};
using GzPtr = std::unique_ptr<gzFile_s, GzCloser>;

// Free space is looked at whenever this much more has been written.
constexpr std::uint64_t kSpaceCheckEvery = std::uint64_t{8} << 20;

void writeAll(AtomicFile& output, const char* data, std::size_t size, const std::string& name)
{
    errno = 0;
    if (size > 0 && !output.write(std::string_view(data, size)))
        throw UpdateIoError(errno != 0 ? errno : EIO, name);
}

std::string folderOf(const std::string& path)
{
    std::filesystem::path parent = nativePath(path).parent_path();
    return parent.empty() ? std::string(".") : pathText(parent);
}

} // namespace

std::uint64_t GzipExpander::bound(std::uint64_t compressedSize, const ExpansionLimits& limits)
{
    return std::max(limits.floorBytes, compressedSize * limits.ratio);
}

GzipExpander::Result GzipExpander::expand(const std::string& gzipPath, AtomicFile& output, bool binary,
                                          const std::string& outputName, const ExpansionLimits& limits,
                                          const std::function<bool()>& cancelled)
{
    // Only a regular file: opening a FIFO would wait for a writer.
    const FileInfo info = fileInfo(gzipPath);
    GzPtr gz(info.isRegular() ? gzopen(gzipPath.c_str(), "rb") : nullptr);
    if (!gz)
        return Result::CannotOpenCompressed;
    gzbuffer(gz.get(), static_cast<unsigned>(kBlock));

    const std::uint64_t most = bound(info.size, limits);
    const std::string folder = folderOf(output.path());
    auto block = std::make_unique<char[]>(kBlock);
    // Text can double in size: every byte a line feed.
    std::unique_ptr<char[]> text = binary ? nullptr : std::make_unique<char[]>(2 * kBlock);
    bool lastWasCr = false;
    std::uint64_t written = 0;
    std::uint64_t nextSpaceCheck = 0;
    int n;
    // gzread inflates straight into a block this large.
    while ((n = gzread(gz.get(), block.get(), static_cast<unsigned>(kBlock))) >= 1) {
        const auto size = static_cast<std::size_t>(n);
        written += size;
        if (written > most)
            return Result::TooLarge;
        if (written >= nextSpaceCheck) {
            if (!leavesFreeSpace(folder, limits.keepFree))
                return Result::NoSpace;
            nextSpaceCheck = written + kSpaceCheckEvery;
        }
        if (binary) {
            writeAll(output, block.get(), size, outputName);
        } else {
            std::size_t length = 0;
            const char* from = block.get();
            const char* end = from + size;
            while (from < end) {
                const char* found = findByte(from, static_cast<std::size_t>(end - from), '\n');
                const char* stop = found != nullptr ? found : end;
                const auto run = static_cast<std::size_t>(stop - from);
                std::memcpy(text.get() + length, from, run);
                length += run;
                if (run > 0)
                    lastWasCr = from[run - 1] == '\r';
                if (stop == end)
                    break;
                if (!lastWasCr)
                    text[length++] = '\r';
                text[length++] = '\n';
                lastWasCr = false;
                from = stop + 1;
            }
            writeAll(output, text.get(), length, outputName);
        }
        if (cancelled && cancelled())
            return Result::Cancelled;
    }
    // A damaged or truncated stream must not pass for a complete file.
    return n < 0 || gzclose_r(gz.release()) != Z_OK ? Result::Corrupt : Result::Expanded;
}

} // namespace tarvo
