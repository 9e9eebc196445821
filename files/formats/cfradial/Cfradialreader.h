#pragma once

#include "files/formats/Sweepimport.h"

#include <string>
#include <string_view>

// Reader of CfRadial 1.x files (NetCDF, classic or NetCDF-4): every sweep of the file, in any
// sweep_mode; "rhi" and "manual_rhi" are range-height sweeps. The file is read from its bytes in
// memory (nc_open_mem), so a ".gz" copy needs no temporary file.

/// Reads the sweeps of the CfRadial file image `bytes`, named `path`: every sweep's description
/// and the rays and arrays of sweep `wanted` (its index, or kLowestSweep). Fields map to our
/// products by their standard_name, else by the usual field names (the shared table); values
/// (scale_factor and add_offset applied) become our codes, fill values and missing values code 0.
/// Gate spacing and first gate come from the range variable (gate centres); sweeps whose
/// sweep_end_ray_index runs past the last ray keep the rays the file holds.
VolumeRead ReadCfRadialImage(const std::string& bytes, std::string_view path, int wanted);
