#pragma once

#include <string>
#include <string_view>

// The parts of a sweep file's path that names are made from: the scan name, the CSV base name.

inline std::string_view FileNamePart(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

/// Extension of the file-name part from its last full stop, or empty.
inline std::string_view Extension(std::string_view path) {
    const std::string_view name = FileNamePart(path);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

inline std::string_view WithoutExtension(std::string_view path) {
    return path.substr(0, path.size() - Extension(path).size());
}

/// Only a lower-case ".gz" marks a compressed file.
inline bool IsGzipPath(std::string_view path) {
    return Extension(path) == ".gz";
}

inline std::string_view WithoutGz(std::string_view path) {
    return IsGzipPath(path) ? WithoutExtension(path) : path;
}

/// File name without folder and extension; for "x.scn.gz" it is "x".
inline std::string ScanName(std::string_view path) {
    return std::string(WithoutExtension(FileNamePart(WithoutGz(path))));
}
