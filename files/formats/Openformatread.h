#pragma once

#include "files/formats/Sweepimport.h"

#include <string>

// The open-format read itself, with the format libraries: what the reader program runs for each
// file it is asked for. Everything else reads through ReadOpenFormatFile (Sweepfactory.h).

/// Reads the open-format file at `path` (a ".gz" copy decompressed in memory) in this process:
/// every sweep's description and the rays of sweep `wanted` (index or kLowestSweep). Codes as
/// VolumeRead's, and 2 when the file cannot be read, 3 when it is neither HDF5 nor NetCDF.
VolumeRead ReadOpenFormatFileHere(const std::string& path, int wanted);
