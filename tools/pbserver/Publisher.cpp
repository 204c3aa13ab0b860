#include "pbserver/Publisher.h"

#include "support/AtomicFile.h"
#include "support/FileHandle.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace tarvo::pbserver {

namespace {

constexpr std::size_t kBlock = 1 << 16;

struct DeflateEnder {
    void operator()(z_stream* z) const noexcept { deflateEnd(z); }
};

// Copies `from` to `to`, gzip-compressed when asked.
bool writeServed(const std::filesystem::path& from, const std::filesystem::path& to, bool compress,
                 std::string& error)
{
    FilePtr source = openFile(from.string(), "rb");
    if (!source) {
        error = "cannot read " + from.string();
        return false;
    }
    AtomicFile target(to.string());
    if (!target.open()) {
        error = "cannot write " + to.string();
        return false;
    }
    char block[kBlock];
    std::size_t got;
    if (compress) {
        z_stream z{};
        if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            error = "cannot compress " + from.string();
            return false;
        }
        std::unique_ptr<z_stream, DeflateEnder> owner(&z);
        char packed[kBlock];
        int flush = Z_NO_FLUSH;
        do {
            got = std::fread(block, 1, sizeof block, source.get());
            flush = got < sizeof block ? Z_FINISH : Z_NO_FLUSH;
            z.next_in = reinterpret_cast<Bytef*>(block);
            z.avail_in = static_cast<uInt>(got);
            do {
                z.next_out = reinterpret_cast<Bytef*>(packed);
                z.avail_out = static_cast<uInt>(sizeof packed);
                if (deflate(&z, flush) == Z_STREAM_ERROR ||
                    !target.write(std::string_view(packed, sizeof packed - z.avail_out))) {
                    error = "cannot write " + to.string();
                    return false;
                }
            } while (z.avail_out == 0);
        } while (flush != Z_FINISH);
    } else {
        while ((got = std::fread(block, 1, sizeof block, source.get())) > 0) {
            if (!target.write(std::string_view(block, got)))
                break;
        }
    }
    if (std::ferror(source.get()) != 0 || !target.commit()) {
        error = "cannot write " + to.string();
        return false;
    }
    return true;
}

bool fileCrc(const std::filesystem::path& file, std::uint32_t& crc)
{
    FilePtr in = openFile(file.string(), "rb");
    if (!in)
        return false;
    uLong sum = crc32(0, nullptr, 0);
    char block[kBlock];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, in.get())) > 0)
        sum = crc32(sum, reinterpret_cast<const Bytef*>(block), static_cast<uInt>(got));
    crc = static_cast<std::uint32_t>(sum);
    return std::ferror(in.get()) == 0;
}

} // namespace

Publisher::Result Publisher::publish(const PublishOptions& options)
{
    Result result;
    std::error_code ec;
    if (!std::filesystem::is_directory(options.source, ec)) {
        result.error = "no folder " + options.source.string();
        return result;
    }
    if (options.list.empty() || options.list.find('/') != std::string::npos) {
        result.error = "the list needs a plain file name, such as 42.ver";
        return result;
    }
    std::filesystem::create_directories(options.root / "verce", ec);
    if (ec) {
        result.error = "cannot create " + (options.root / "verce").string();
        return result;
    }

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(options.source, ec)) {
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    if (ec) {
        result.error = "cannot read " + options.source.string();
        return result;
    }

    for (const std::string& name : names) {
        if (name.find(',') != std::string::npos) {
            result.error = "a comma cannot stand in a version list: " + name;
            return result;
        }
        const bool compress = options.compressAll || options.compressed.count(name) > 0;
        std::string flags;
        if (compress)
            flags += 'C';
        if (options.text.count(name) > 0)
            flags += 'A';
        if (options.dropLog.count(name) > 0)
            flags += 'L';
        const std::string served = options.major == 0 ? name : name + "." + std::to_string(options.major);
        const std::filesystem::path target = options.root / served;
        std::uint32_t crc = 0;
        if (!writeServed(options.source / name, target, compress, result.error))
            return result;
        if (!fileCrc(target, crc)) {
            result.error = "cannot read back " + target.string();
            return result;
        }
        result.lines.push_back(name + "," + flags + "," + std::to_string(options.major) + "," +
                               std::to_string(options.minor) + "," + std::to_string(crc));
    }

    std::string content;
    for (const std::string& line : result.lines)
        content += line + "\r\n";
    const std::filesystem::path list = options.root / "verce" / options.list;
    if (!writeFileAtomically(list.string(), content))
        result.error = "cannot write " + list.string();
    return result;
}

} // namespace tarvo::pbserver
