#pragma once

#include "files/Productkind.h"
#include "files/formats/Sweepdata.h"
#include "gis/Sweepgrid.h"

#include <string>

// The values of a sweep as a GeoTIFF on a TSweepGrid: one Float32 band per product the sweep
// holds, in product order, of the physical values the cursor readout shows, then one band of the
// quality word (exact in Float32); NaN, the nodata value of every band, where the readout shows no
// data. DEFLATE with the floating-point predictor, tiled, in the radar's azimuthal equidistant
// projection (Radarprojection.h).

/// The band description of a product: its caption and the readout's unit, "Zh [dBZ]" ("ρhv",
/// which has no unit, alone).
std::string ProductBandDescription(ProductKind kind);

/// The description of the last band.
inline constexpr const char* kQualityBandDescription = "quality word";

/// Writes the GeoTIFF of `sweep` sampled on `grid`, which must have been built for it, to `path`.
/// Returns an empty text, or what failed (GDAL's first error); a failed file is removed.
std::string WriteSweepGeoTiff(const SweepData& sweep, const TSweepGrid& grid, const std::string& path);
