#pragma once

#include <cstring>
#include <string>

// What tells the open formats' files apart: a ".gz" name, and the containers' first bytes.

/// True when `path` ends in ".gz": a gzip copy of the file it names without it.
inline bool HasGzipName(const std::string& path) {
    return path.ends_with(".gz");
}

/// True when `bytes` begin with the HDF5 signature (ODIM_H5, and NetCDF-4 files too).
inline bool IsHdf5Image(const std::string& bytes) {
    static constexpr char kSignature[8] = {'\x89', 'H', 'D', 'F', '\r', '\n', '\x1a', '\n'};
    return bytes.size() >= sizeof kSignature && std::memcmp(bytes.data(), kSignature, sizeof kSignature) == 0;
}

/// True when `bytes` begin with a NetCDF classic signature: "CDF" and version 1, 2 or 5.
inline bool IsNetcdfClassicImage(const std::string& bytes) {
    return bytes.size() >= 4 && bytes.compare(0, 3, "CDF") == 0 &&
           (bytes[3] == '\x01' || bytes[3] == '\x02' || bytes[3] == '\x05');
}
