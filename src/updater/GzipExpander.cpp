#include "updater/GzipExpander.h"

#include "support/FileHandle.h"
#include "updater/UpdateIoError.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace tarvo {

namespace {

struct GzCloser {
    void operator()(gzFile_s* gz) const noexcept { gzclose_r(gz); }
};
using GzPtr = std::unique_ptr<gzFile_s, GzCloser>;

// Larger stdio and zlib buffers than the defaults: the 1024-byte blocks
// then cost a copy each instead of a system call each.
constexpr std::size_t kStreamBuffer = 1 << 18;

class Output {
public:
    Output(FilePtr file, const std::string& name)
        : m_buffer(std::make_unique<char[]>(kStreamBuffer)), m_file(std::move(file)), m_name(name)
    {
        // stdio takes a larger size only along with a buffer of the caller's.
        std::setvbuf(m_file.get(), m_buffer.get(), _IOFBF, kStreamBuffer);
    }

    void write(const char* data, std::size_t size)
    {
        if (size > 0 && std::fwrite(data, 1, size, m_file.get()) != size)
            throw UpdateIoError(errno != 0 ? errno : EIO, m_name);
    }

    void close()
    {
        errno = 0;
        if (std::fclose(m_file.release()) != 0)
            throw UpdateIoError(errno != 0 ? errno : EIO, m_name);
    }

private:
    // Before the file: the stream uses the buffer until it is closed.
    std::unique_ptr<char[]> m_buffer;
    FilePtr m_file;
    const std::string& m_name;
};

} // namespace

GzipExpander::Result GzipExpander::expand(const std::string& gzipPath, const std::string& outputPath, bool binary,
                                          const std::string& outputName)
{
    FilePtr file = openFile(outputPath, "wb");
    if (!file)
        return Result::CannotCreateOutput;
    Output output(std::move(file), outputName);

    GzPtr gz(gzopen(gzipPath.c_str(), "rb"));
    if (!gz) {
        output.close();
        return Result::CannotOpenCompressed;
    }
    gzbuffer(gz.get(), static_cast<unsigned>(1 << 16));

    char block[kBlock];
    char text[2 * kBlock];
    bool lastWasCr = false;
    int n;
    while ((n = gzread(gz.get(), block, static_cast<unsigned>(sizeof block))) >= 1) {
        const auto size = static_cast<std::size_t>(n);
        if (binary) {
            output.write(block, size);
            continue;
        }
        std::size_t length = 0;
        for (std::size_t i = 0; i < size; ++i) {
            if (block[i] == '\n' && !lastWasCr)
                text[length++] = '\r';
            text[length++] = block[i];
            lastWasCr = block[i] == '\r';
        }
        output.write(text, length);
    }
    // A damaged or truncated stream must not pass for a complete file.
    const bool damaged = n < 0 || gzclose_r(gz.release()) != Z_OK;
    output.close();
    return damaged ? Result::Corrupt : Result::Expanded;
}

} // namespace tarvo
