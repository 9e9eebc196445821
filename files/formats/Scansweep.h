#pragma once

#include "files/formats/Sweepdata.h"

#include <string>

class TSCNFileModule;

/// Reads the whole sweep of the scan file at `path` into `sweep` through `reader`, which opens it
/// as the viewer does (`smallUnit`: the small device's header layout) and reads every ray once with
/// all its arrays (ReadRayArrays); `sweep`'s arrays keep their memory from one file to the next. Range-height
/// scans are told by their kind (".rhi",
/// ".rhid", also inside ".gz"); their fixed angle is the first ray's azimuth as stored, a
/// plan-position sweep's the first ray's elevation. An array the mask names but a ray lacks reads
/// as code 0, as the viewer draws it. Returns 0, or the scan-file error code of the failure (1 to
/// 8 as OpenScanFile sets them, 7 when a ray cannot be read); the file is closed either way.
int LoadScanSweep(TSCNFileModule& reader, const std::string& path, bool smallUnit, SweepData& sweep);

/// Whether the scan file named `path` is a range-height scan by its kind.
bool IsRangeHeightScanName(const std::string& path);
