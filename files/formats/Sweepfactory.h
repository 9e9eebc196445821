#pragma once

#include "files/formats/Sweepimport.h"

#include <string>

// Which reader a sweep file needs, told by its content: HDF5 files holding ODIM_H5 data, NetCDF
// files (classic, or NetCDF-4 on HDF5) holding CfRadial, and everything else our own scan files.
// A ".gz" file is told by what it decompresses to. The names of the open formats count only when
// the content says nothing: such a file then fails in the open-format reader with its reason.

/// True for the names of the open formats: ".h5", ".hdf", ".hdf5", ".nc" (and their ".gz" copies).
bool HasOpenFormatName(const std::string& path);

/// True when the file at `path` is for the open-format readers: its first bytes (decompressed
/// for a ".gz" name) are an HDF5 or NetCDF signature, or it carries an open format's name. A
/// file that cannot be read is left to the scan-file reader, which reports it.
bool IsOpenFormatFile(const std::string& path);

/// The reader program ReadOpenFormatFile runs: $NIMBROOK_SWEEPREAD when set, else
/// nimbrook-sweepread beside the running program (where the package installs it).
std::string SweepReaderProgram();

/// Reads the open-format file at `path` (a ".gz" copy decompressed in memory): every sweep's
/// description and the rays of sweep `wanted` (index or kLowestSweep), read by the reader program
/// (ReadOpenFormatFileHere there). Codes as VolumeRead's, and 1 when no file is at `path`.
VolumeRead ReadOpenFormatFile(const std::string& path, int wanted);
