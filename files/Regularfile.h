#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <sys/types.h>

// Opening and reading files that may have been replaced by something else: a FIFO, a device such
// as /dev/zero, a socket, a folder, or a regular file far larger than its kind ever is. Only
// regular files are opened, the open never blocks, and reads stop at a limit that fits the kind of
// file, so a hostile path can neither hang the viewer nor make it grow without bound.

/// Opens `path` (following links) with `flags` (O_RDONLY, O_RDWR, O_WRONLY, with O_CREAT a missing
/// file is created with `mode`) when it is a regular file. Anything else is refused without
/// blocking: the open itself does not wait for a FIFO's other end, and the type is checked on the
/// open descriptor, so nothing swapped in between can slip through. Returns the descriptor
/// (close-on-exec, blocking again), or -1 with errno set (EINVAL for a file that is not regular).
int OpenRegularFile(const std::string& path, int flags, mode_t mode = 0666);

/// Appends what `fd` holds from its position on, up to its end or `maxBytes`, to `bytes`. False
/// when a read fails.
bool ReadUpTo(int fd, std::size_t maxBytes, std::string& bytes);

/// The first `maxBytes` bytes (at most) of the regular file at `path`; nothing when there is no
/// regular file at `path` or it cannot be read.
std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes);

/// True when `path` names a regular file (following links).
bool IsRegularFile(const std::string& path);
