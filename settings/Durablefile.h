#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Whole-file reads and crash-safe writes on POSIX file descriptors. The standard library has
// no way to flush a file to the disk, so the settings save goes through these.

/// The bytes of the file at `path`; nothing when it cannot be opened or a read fails
/// (missing file, no permission, a directory, an I/O error).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

/// Creates or truncates the file at `path`, writes `bytes` and flushes them to the disk
/// (fsync) before closing. False when any step fails; the file may then be incomplete.
bool WriteFileSynced(const std::filesystem::path& path, std::string_view bytes);

/// Flushes the directory entry changes (renames, creations) of `directory` to the disk, as far
/// as the file system allows; best effort, a failure is not reported.
void SyncDirectory(const std::filesystem::path& directory);
