#include "files/formats/Sweepfactory.h"

#include "files/Gzipopen.h"
#include "files/Regularfile.h"
#include "files/formats/Isolatedread.h"
#include "files/formats/cfradial/Cfradialreader.h"
#include "files/formats/odim/Odimreader.h"

#include <array>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

// The open-format files the viewer reads are a few megabytes; the limits only stop hostile ones.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;
constexpr std::size_t kMaxInflatedBytes = std::size_t{1} << 30;
constexpr std::size_t kInflateChunkBytes = std::size_t{256} * 1024;
constexpr std::size_t kSniffBytes = 8;
constexpr std::array<char, 8> kHdf5Signature = {'\x89', 'H', 'D', 'F', '\r', '\n', '\x1a', '\n'};

bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsGzipName(const std::string& path) {
    return EndsWith(path, ".gz");
}

bool IsHdf5(const std::string& bytes) {
    return bytes.size() >= kHdf5Signature.size() &&
           std::memcmp(bytes.data(), kHdf5Signature.data(), kHdf5Signature.size()) == 0;
}

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
    std::optional<std::string> bytes = ReadRegularFile(path, IsGzipName(path) ? kMaxFileBytes : limit);
    if (!bytes || !IsGzipName(path)) {
        return bytes;
    }
    std::string inflated;
    if (!Inflate(*bytes, limit, inflated)) {
        return std::nullopt;
    }
    return inflated;
}

} // namespace

bool HasOpenFormatName(const std::string& path) {
    const std::string name = IsGzipName(path) ? path.substr(0, path.size() - 3) : path;
    for (const std::string_view extension : {".h5", ".hdf", ".hdf5", ".nc"}) {
        if (EndsWith(name, extension)) {
            return true;
        }
    }
    return false;
}

bool IsOpenFormatFile(const std::string& path) {
    std::string head;
    if (IsGzipName(path)) {
        // Only the first bytes are inflated: a scan file's copy is made by its own reader.
        gzFile file = OpenRegularGzip(path);
        if (file != nullptr) {
            std::array<char, kSniffBytes> buffer{};
            const int got = gzread(file, buffer.data(), static_cast<unsigned>(buffer.size()));
            gzclose(file);
            head.assign(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
        }
    } else {
        head = ReadRegularFile(path, kSniffBytes).value_or("");
    }
    return IsHdf5(head) || IsNetcdfClassicImage(head) || HasOpenFormatName(path);
}

namespace {

/// The read the child process runs: the file's bytes, then the reader their content names.
VolumeRead ReadOpenFormatFileHere(const std::string& path, int wanted) {
    VolumeRead read;
    const std::optional<std::string> bytes = FileBytes(path, kMaxInflatedBytes);
    if (!bytes) {
        FailRead(read, 2, "cannot read " + path);
        return read;
    }
    if (!IsHdf5(*bytes) && !IsNetcdfClassicImage(*bytes)) {
        FailRead(read, 3, "neither an HDF5 nor a NetCDF file");
        return read;
    }
    // NetCDF-4 files are HDF5 files too: ODIM_H5 is told by its own root attributes.
    return IsHdf5(*bytes) && IsOdimImage(*bytes) ? ReadOdimImage(*bytes, path, wanted)
                                                 : ReadCfRadialImage(*bytes, path, wanted);
}

} // namespace

VolumeRead ReadOpenFormatFile(const std::string& path, int wanted) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        VolumeRead read;
        FailRead(read, 1, "no file at " + path);
        return read;
    }
    return ReadIsolated(path, wanted, ReadOpenFormatFileHere);
}
