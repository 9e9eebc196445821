#pragma once

#include <span>
#include <vector>

/// True when the azimuths (degrees, in ray order) go round the whole circle, so the wedge from the
/// last ray back to the first belongs to the sweep: at least three rays, one whole turn when every
/// step is taken the shorter way, and the step from the last ray back to the first no larger than
/// 1.5 x the median step. Sector scans and scans at one azimuth are not closed. `scratch` is
/// working memory, reused between calls.
bool CoversFullCircle(std::span<const double> azimuthsDeg, std::vector<double>& scratch);
