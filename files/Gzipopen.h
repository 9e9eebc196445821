#pragma once

#include <string>
#include <zlib.h>

/// Opens the gzip file at `path` for reading when it is a regular file, without ever waiting on a
/// FIFO or the like swapped in (see OpenRegularFile); nullptr otherwise, with `notRegular` (when
/// given) telling whether something other than a regular file was found there.
gzFile OpenRegularGzip(const std::string& path, bool* notRegular = nullptr);
