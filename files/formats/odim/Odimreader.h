#pragma once

#include "files/formats/Sweepimport.h"

#include <string>
#include <string_view>

// Reader of ODIM_H5 polar data (the OPERA data information model, versions 2.0 to 2.4): objects
// SCAN (one sweep) and PVOL (a volume of sweeps), each dataset a plan-position sweep. The file is
// read from its bytes in memory (HDF5's core driver on a file image), so a ".gz" copy needs no temporary
// file. HDF5's own error printing is turned off; failures come back as our error codes.

/// True when `bytes` are an HDF5 file holding ODIM_H5 data (its root carries the Conventions
/// attribute "ODIM_H5/…" or a "what" group): the factory's test between ODIM and NetCDF-4.
bool IsOdimImage(const std::string& bytes);

/// Reads the sweeps of the ODIM_H5 file image `bytes`, named `path`: every sweep's description and
/// the rays and arrays of sweep `wanted` (its dataset's place among the sweeps, or kLowestSweep).
/// Quantities map to our products by the shared table (DBZH before TH and DBZ); values become our
/// codes (ImportedCode), nodata and undetect both code 0. Per-ray azimuths are the mean of
/// how/startazA and how/stopazA when both are there, otherwise row i lies at (i + 0.5) x 360 /
/// nrays; elevations come from how/elangles, otherwise where/elangle.
VolumeRead ReadOdimImage(const std::string& bytes, std::string_view path, int wanted);
