#include "files/Beamgeometry.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

} // namespace

double BeamHeightM(double slantRangeM, double elevationDeg) {
    const double r = slantRangeM;
    const double radius = kEffectiveEarthRadiusM;
    return std::sqrt(r * r + radius * radius +
                     2.0 * r * radius * std::sin(elevationDeg * kRadiansPerDegree)) -
           radius;
}

double BeamGroundDistanceM(double slantRangeM, double elevationDeg) {
    const double radius = kEffectiveEarthRadiusM;
    const double heightM = BeamHeightM(slantRangeM, elevationDeg);
    return radius * std::asin(slantRangeM * std::cos(elevationDeg * kRadiansPerDegree) / (radius + heightM));
}

LatLon DestinationPoint(const LatLon& start, double bearingDeg, double distanceM) {
    const double phi1 = start.latitude * kRadiansPerDegree;
    const double lambda1 = start.longitude * kRadiansPerDegree;
    const double theta = bearingDeg * kRadiansPerDegree;
    const double delta = distanceM / kEarthRadiusM;
    const double sinPhi2 =
        std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(theta);
    const double phi2 = std::asin(sinPhi2);
    const double lambda2 = lambda1 + std::atan2(std::sin(theta) * std::sin(delta) * std::cos(phi1),
                                                std::cos(delta) - std::sin(phi1) * sinPhi2);
    const double longitude = std::remainder(lambda2 / kRadiansPerDegree, 360.0);
    return {phi2 / kRadiansPerDegree, longitude >= 180.0 ? longitude - 360.0 : longitude};
}
