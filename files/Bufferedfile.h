#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// Read-only file with its own read buffer and a logical position. Skipping forward only moves
/// the position, so data that is skipped past the buffer is never read from the disk. The buffer
/// is allocated once by the constructor; reading allocates nothing.
class BufferedFile {
public:
    explicit BufferedFile(std::size_t bufferBytes = 16 * 1024);
    ~BufferedFile();
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;

    /// Opens a regular file read-only at position 0 (closing any open one first); false when it
    /// cannot be opened. Anything else at the path (a FIFO, a device, a folder) is refused without
    /// blocking, and OpenFoundNoRegularFile() then says so.
    bool Open(const std::string& path);
    bool OpenFoundNoRegularFile() const { return notRegular_; }
    /// Closes the file, if one is open.
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    /// Current length of the file in bytes; -1 when no file is open or its length is unknown.
    std::int64_t Length() const;
    std::int64_t Position() const { return position_; }
    /// Moves the position anywhere at or after 0; a position past the end makes the next read short.
    void Seek(std::int64_t position) { position_ = position < 0 ? 0 : position; }
    void Skip(std::int64_t bytes) { Seek(position_ + bytes); }
    /// Forgets the buffered data so that the next read fetches fresh data from the file.
    void DropBuffer() { bufferLength_ = 0; }

    /// Copies up to `bytes` bytes from the position and advances past them; returns how many were
    /// copied (fewer at the end of the file or on a read error).
    std::size_t Read(void* destination, std::size_t bytes);
    /// Reads the little-endian 16-bit word at the position without moving it; false if the file
    /// ends before it.
    bool PeekU16(std::uint16_t& value);

private:
    std::size_t ReadAt(std::int64_t offset, std::uint8_t* destination, std::size_t bytes) const;

    int fd_ = -1;
    bool notRegular_ = false;
    std::vector<std::uint8_t> buffer_;
    std::int64_t bufferStart_ = 0;
    std::size_t bufferLength_ = 0;
    std::int64_t position_ = 0;
};
