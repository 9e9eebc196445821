#include "gis/Radarprojection.h"

#include "files/Beamgeometry.h"
#include "gis/Gdalerrors.h"

#include <array>
#include <charconv>
#include <cpl_conv.h>
#include <memory>
#include <ogr_spatialref.h>

std::string RadarProjectionProj4(double latitudeDeg, double longitudeDeg) {
    // Shortest round-trip digits, with a full stop in every locale.
    const auto number = [](double value) {
        std::array<char, 32> text{};
        const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
        return std::string(text.data(), result.ptr);
    };
    return "+proj=aeqd +lat_0=" + number(latitudeDeg) + " +lon_0=" + number(longitudeDeg) +
           " +x_0=0 +y_0=0 +R=" + number(kEarthRadiusM) + " +units=m +no_defs";
}

std::string RadarProjectionWkt(double latitudeDeg, double longitudeDeg) {
    const TGdalErrors errors;
    OGRSpatialReference reference;
    // The projection GeoTIFF knows as its azimuthal equidistant one, on the mean-radius sphere.
    if (reference.SetProjCS("Azimuthal equidistant around the radar") != OGRERR_NONE ||
        reference.SetGeogCS("Sphere of the mean Earth radius", "Sphere of the mean Earth radius", "Sphere",
                            kEarthRadiusM, 0.0) != OGRERR_NONE ||
        reference.SetAE(latitudeDeg, longitudeDeg, 0.0, 0.0) != OGRERR_NONE ||
        reference.SetLinearUnits(SRS_UL_METER, 1.0) != OGRERR_NONE) {
        return {};
    }
    char* wkt = nullptr;
    const OGRErr exported = reference.exportToWkt(&wkt);
    const std::unique_ptr<char, decltype(&VSIFree)> owned(wkt, &VSIFree);
    if (exported != OGRERR_NONE || wkt == nullptr) {
        return {};
    }
    return wkt;
}
