#pragma once

#include <optional>
#include <string>
#include <string_view>

// The user's cache folder for what the viewer and the tools prepare once and reuse between runs
// (map backgrounds, warped basemaps, vector layers). Everything in it may be deleted at any time:
// an entry that is missing, unreadable or stale is simply prepared again.

/// "$XDG_CACHE_HOME/nimbrook/<topic>" (XDG_CACHE_HOME only when it is an absolute path), else
/// "$HOME/.cache/nimbrook/<topic>", created with mode 0700 where missing. Empty when neither
/// variable gives a place or the folder cannot be made; callers then prepare without caching.
std::string UserCacheFolder(std::string_view topic);

/// A key naming what an entry was prepared from: the file at `sourcePath` as it is now (its
/// path, size and modification time) and `placement` (the caller's own description of how it was
/// prepared, e.g. the box and the size). Sixteen hex digits; nothing when the file is not there.
std::optional<std::string> CacheKeyFor(const std::string& sourcePath, std::string_view placement);

/// Writes `bytes` to `path` under a temporary name in the same folder and renames it into place,
/// so a reader meets either the old entry or the whole new one. False when any step fails (the
/// temporary is removed).
bool WriteCacheEntry(const std::string& path, std::string_view bytes);

/// The entry at `path`, at most `maxBytes` long; nothing when it is missing, not a regular file,
/// longer than that or unreadable.
std::optional<std::string> ReadCacheEntry(const std::string& path, std::size_t maxBytes);
