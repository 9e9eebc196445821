#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// Whether an output written to `outputPath` (and renamed there) would replace the input file at
/// `inputPath`: the same path ("x.jpg" as a scan file's name), or another name of the same file (a
/// file system that ignores case, a second hard link).
bool OutputReplacesInput(const std::string& inputPath, const std::string& outputPath);

/// A file being written, with a write buffer. The destructor closes the file (without reporting);
/// call Close to learn whether everything reached the file.
class OutputFile {
public:
    explicit OutputFile(std::size_t bufferBytes = 64 * 1024);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// Creates `path` for writing. With `exclusive` it fails when any file of that name exists;
    /// otherwise an existing file is emptied and rewritten. False when it cannot be created.
    bool Create(const std::string& path, bool exclusive);
    /// Appends bytes; false once any write has failed.
    bool Write(const void* data, std::size_t bytes);
    /// Writes what is buffered and closes the file; false when any write or the close failed.
    bool Close();

private:
    bool WriteThrough(const std::uint8_t* data, std::size_t bytes);

    int fd_ = -1;
    std::vector<std::uint8_t> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};
