#pragma once

#include "files/formats/Sweepdata.h"
#include "files/formats/Sweeplabels.h"

#include <string>

/// Writes `sweep` to `path` as an ODIM_H5 2.3 file (object "SCAN", or "ELEV" for a range-height
/// scan), replacing any file there: each product of the mask a data group of its 16-bit codes with
/// the gate codec's decoding as gain/offset (nodata and undetect 0), the quality words the
/// quality1 group of the dataset, data shuffled and deflated at level 1. Plan-position rays are
/// stored in azimuth order from north with a1gate the file's first ray. Returns an empty text, or
/// what failed (the file may then be left partly written: the caller writes under a temporary name).
std::string WriteOdim(const SweepData& sweep, const std::string& path, const SweepOutputLabels& labels);
