#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Crash-safe writes on POSIX file descriptors. The standard library has no way to flush a file to
// the disk, so the settings save goes through these.

/// Creates or truncates the file at `path`, writes `bytes` and flushes them to the disk
/// (fsync) before closing. False when any step fails; the file may then be incomplete.
bool WriteFileSynced(const std::filesystem::path& path, std::string_view bytes);

/// Flushes the directory entry changes (renames, creations) of `directory` to the disk, as far
/// as the file system allows; best effort, a failure is not reported.
void SyncDirectory(const std::filesystem::path& directory);
