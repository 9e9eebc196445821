#include "files/formats/Openformatread.h"

#include "files/Regularfile.h"
#include "files/formats/Formatsignatures.h"
#include "files/formats/cfradial/Cfradialreader.h"
#include "files/formats/odim/Odimreader.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <zlib.h>

namespace {

// The open-format files the viewer reads are a few megabytes; the limits only stop hostile ones.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;
constexpr std::size_t kMaxInflatedBytes = std::size_t{1} << 30;
constexpr std::size_t kInflateChunkBytes = std::size_t{256} * 1024;

/// Inflates a gzip stream held in memory, up to `limit` bytes of output.
bool Inflate(const std::string& compressed, std::size_t limit, std::string& out) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        return false;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(std::min<std::size_t>(compressed.size(), UINT32_MAX));
    int status = Z_OK;
    while (status == Z_OK && out.size() < limit) {
        const std::size_t before = out.size();
        out.resize(std::min(before + kInflateChunkBytes, limit));
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        stream.avail_out = static_cast<uInt>(out.size() - before);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(out.size() - stream.avail_out);
        if (status == Z_BUF_ERROR && stream.avail_in == 0) {
            break; // a truncated stream: what it held
        }
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END || status == Z_OK || status == Z_BUF_ERROR;
}

/// The file's bytes, decompressed for a ".gz" name, at most `limit` of them.
std::optional<std::string> FileBytes(const std::string& path, std::size_t limit) {
    std::optional<std::string> bytes = ReadRegularFile(path, HasGzipName(path) ? kMaxFileBytes : limit);
    if (!bytes || !HasGzipName(path)) {
        return bytes;
    }
    std::string inflated;
    if (!Inflate(*bytes, limit, inflated)) {
        return std::nullopt;
    }
    return inflated;
}

} // namespace

VolumeRead ReadOpenFormatFileHere(const std::string& path, int wanted) {
    VolumeRead read;
    const std::optional<std::string> bytes = FileBytes(path, kMaxInflatedBytes);
    if (!bytes) {
        FailRead(read, 2, "cannot read " + path);
        return read;
    }
    if (!IsHdf5Image(*bytes) && !IsNetcdfClassicImage(*bytes)) {
        FailRead(read, 3, "neither an HDF5 nor a NetCDF file");
        return read;
    }
    // NetCDF-4 files are HDF5 files too: ODIM_H5 is told by its own root attributes.
    return IsHdf5Image(*bytes) && IsOdimImage(*bytes) ? ReadOdimImage(*bytes, path, wanted)
                                                      : ReadCfRadialImage(*bytes, path, wanted);
}
