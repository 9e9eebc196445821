#include "files/Gateprobe.h"

#include "files/Beamgeometry.h"
#include "files/Calcfunc.h"
#include "files/Gatecodec.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// Half the ray step assumed when the rays give none (all at one angle).
constexpr double kDefaultHalfStepDeg = 0.5;
// Slack for angles that meet exactly on a ray or a wedge edge.
constexpr double kAngleSlackDeg = 1e-9;
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

double CircularDistanceDeg(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

// Half the median step between successive angles; the default when the rays do not move.
double HalfMedianStepDeg(const std::vector<double>& anglesDeg) {
    std::vector<double> steps;
    for (std::size_t i = 1; i < anglesDeg.size(); ++i) {
        steps.push_back(CircularDistanceDeg(anglesDeg[i - 1], anglesDeg[i]));
    }
    if (steps.empty()) {
        return kDefaultHalfStepDeg;
    }
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle > 0.0 ? *middle / 2.0 : kDefaultHalfStepDeg;
}

// The angle nearest to `angleDeg` (the first on a tie), or -1 when `angleDeg` is farther than
// `halfStepDeg` from every angle and not inside the shorter arc between two successive ones: the
// display paints each ray as the wedge back to the ray before it.
int NearestCoveringAngle(const std::vector<double>& anglesDeg, double angleDeg, double halfStepDeg) {
    int nearest = -1;
    double nearestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < anglesDeg.size(); ++i) {
        const double distance = CircularDistanceDeg(anglesDeg[i], angleDeg);
        if (distance < nearestDistance) {
            nearest = static_cast<int>(i);
            nearestDistance = distance;
        }
    }
    if (nearest < 0 || nearestDistance <= halfStepDeg + kAngleSlackDeg) {
        return nearest;
    }
    for (std::size_t i = 1; i < anglesDeg.size(); ++i) {
        const double a = anglesDeg[i - 1];
        const double b = anglesDeg[i];
        if (CircularDistanceDeg(a, angleDeg) + CircularDistanceDeg(angleDeg, b) <=
            CircularDistanceDeg(a, b) + kAngleSlackDeg) {
            return nearest;
        }
    }
    return -1;
}

// Elevation and bearing of the beam as the picture draws it: an elevation below -90 is taken
// one turn up, and a beam past the zenith points the other way at 180 - elevation.
struct BeamDirection {
    double bearingDeg;
    double elevationDeg;
};
BeamDirection DrawnDirection(double azimuthDeg, double elevationDeg) {
    if (elevationDeg < -90.0) {
        elevationDeg += 360.0;
    }
    if (elevationDeg > 90.0) {
        return {NormaliseAngle(azimuthDeg + 180.0), 180.0 - elevationDeg};
    }
    return {azimuthDeg, elevationDeg};
}

} // namespace

bool TGateProbe::Attach(TSweepSource& source, const ScanInfo& info) {
    const Identity identity{&source,        source.SweepSerial(), info.productMask, info.rayCount,
                            info.gateCount, info.gateSpacingM,    info.latitude,    info.longitude};
    if (info.valid == 0 || identity.rayCount <= 0 || identity.gateCount <= 0) {
        Detach();
        return false;
    }
    if (Attached() && identity == identity_) {
        return true;
    }
    Detach();
    identity_ = identity;
    source_ = &source;
    if (!IndexRays()) {
        Detach();
        return false;
    }
    return true;
}

void TGateProbe::Detach() {
    source_ = nullptr;
    identity_ = Identity{};
    rays_.clear();
    drawnAzimuthsDeg_.clear();
    elevationsDeg_.clear();
    elevationVaries_ = false;
}

bool TGateProbe::IndexRays() {
    if (!source_->IndexRays(rays_) || static_cast<int>(rays_.size()) != identity_.rayCount) {
        return false;
    }
    for (const SweepRay& ray : rays_) {
        const BeamDirection drawn = DrawnDirection(ray.azimuthDeg, ray.elevationDeg);
        drawnAzimuthsDeg_.push_back(NormaliseAngle(drawn.bearingDeg));
        elevationsDeg_.push_back(ray.elevationDeg);
        elevationVaries_ = elevationVaries_ || ray.elevationDeg != rays_.front().elevationDeg;
    }
    halfStepAzimuthDeg_ = HalfMedianStepDeg(drawnAzimuthsDeg_);
    halfStepElevationDeg_ = HalfMedianStepDeg(elevationsDeg_);
    return true;
}

int TGateProbe::RayAtAzimuth(double azimuthDeg, double azimuthOffsetDeg) const {
    return NearestCoveringAngle(drawnAzimuthsDeg_, NormaliseAngle(azimuthDeg - azimuthOffsetDeg),
                                halfStepAzimuthDeg_);
}

int TGateProbe::RayAtElevation(double elevationDeg) const {
    return NearestCoveringAngle(elevationsDeg_, elevationDeg, halfStepElevationDeg_);
}

double TGateProbe::PictureSlantRangeM(int rayIndex, double groundRangeM, int displayRadiusPixels) const {
    if (rayIndex < 0 || rayIndex >= static_cast<int>(rays_.size())) {
        return groundRangeM;
    }
    const SweepRay& ray = rays_[static_cast<std::size_t>(rayIndex)];
    const double cosine =
        std::cos(DrawnDirection(ray.azimuthDeg, ray.elevationDeg).elevationDeg * kRadiansPerDegree);
    // The painter's samples per pixel, (samples - 1) / (radius × cos e), stop at the whole ray per
    // pixel: as if the cosine never fell below one pixel's share of the radius.
    return groundRangeM / std::max(cosine, 1.0 / std::max(displayRadiusPixels, 1));
}

TGateProbe::PicturePlace TGateProbe::PictureGateAt(double azimuthDeg, double groundRangeM,
                                                  int displayRadiusPixels, double azimuthOffsetDeg) const {
    PicturePlace place;
    place.rayIndex = RayAtAzimuth(azimuthDeg, azimuthOffsetDeg);
    place.slantRangeM = PictureSlantRangeM(place.rayIndex, groundRangeM, displayRadiusPixels);
    return place;
}

int TGateProbe::GateIndexAt(double slantRangeM) const {
    const double spacingM = identity_.gateSpacingM;
    const double gate = spacingM > 0.0 ? std::floor(std::max(slantRangeM, 0.0) / spacingM + 0.5) : 0.0;
    return gate < identity_.gateCount ? static_cast<int>(gate) : -1;
}

std::optional<GateReading> TGateProbe::ReadGate(int rayIndex, double slantRangeM, ProductKind product,
                                                double azimuthOffsetDeg) {
    const int productArray = ArrayIndexInMask(identity_.productMask, ProductIndex(product));
    if (!Attached() || rayIndex < 0 || rayIndex >= static_cast<int>(rays_.size()) || productArray < 0) {
        return std::nullopt;
    }
    const SweepRay& ray = rays_[static_cast<std::size_t>(rayIndex)];
    GateReading reading;
    reading.rayIndex = rayIndex;
    reading.product = product;
    reading.azimuthDeg = NormaliseAngle(ray.azimuthDeg + azimuthOffsetDeg);
    reading.elevationDeg = ray.elevationDeg;

    reading.gateIndex = GateIndexAt(slantRangeM);
    reading.rangeM = reading.gateIndex >= 0 ? reading.gateIndex * identity_.gateSpacingM : slantRangeM;

    if (reading.gateIndex >= 0) {
        const int qualityArray = ArrayIndexInMask(identity_.productMask, kQualityMaskBit);
        if (!source_->ReadGateWord(rayIndex, productArray, reading.gateIndex, reading.code) ||
            (qualityArray >= 0 &&
             !source_->ReadGateWord(rayIndex, qualityArray, reading.gateIndex, reading.quality))) {
            return std::nullopt;
        }
        if (reading.code != 0) {
            reading.value = DecodeGateValue(product, reading.code);
        }
    }

    const BeamDirection beam = DrawnDirection(reading.azimuthDeg, ray.elevationDeg);
    reading.heightM = BeamHeightM(reading.rangeM, beam.elevationDeg);
    reading.groundM = BeamGroundDistanceM(reading.rangeM, beam.elevationDeg);
    const LatLon location =
        DestinationPoint({identity_.latitude, identity_.longitude}, beam.bearingDeg, reading.groundM);
    reading.latitude = location.latitude;
    reading.longitude = location.longitude;
    return reading;
}
