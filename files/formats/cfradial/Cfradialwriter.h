#pragma once

#include "files/formats/Sweepdata.h"
#include "files/formats/Sweeplabels.h"

#include <string>

/// Writes `sweep` to `path` as a CfRadial 1.4 file (NetCDF-4, shuffled and deflated at level 1),
/// replacing any file there: rays in the sweep's order, each product of the mask a field of its
/// 16-bit codes with the gate codec's decoding as scale_factor/add_offset and code 0 as the fill
/// value, the quality words a quality field. Returns an empty text, or what failed (the file may
/// then be left partly written: the caller writes under a temporary name).
std::string WriteCfRadial(const SweepData& sweep, const std::string& path, const SweepOutputLabels& labels);
