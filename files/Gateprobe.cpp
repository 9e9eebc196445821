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

// The angle nearest to `angleDeg` and its distance; the first in order on a tie. -1 for no angles.
struct NearestAngle {
    int index = -1;
    double distanceDeg = std::numeric_limits<double>::infinity();
};
NearestAngle NearestByScan(const std::vector<double>& anglesDeg, double angleDeg) {
    NearestAngle nearest;
    for (std::size_t i = 0; i < anglesDeg.size(); ++i) {
        const double distance = CircularDistanceDeg(anglesDeg[i], angleDeg);
        if (distance < nearest.distanceDeg) {
            nearest = {static_cast<int>(i), distance};
        }
    }
    return nearest;
}

// The same for angles in [0, 360) and `angleDeg` in [0, 360), through `byAngle`, the indices of the
// finite angles sorted by angle (an angle that is no number is never the nearest): the computed distance
// never shrinks going away from `angleDeg` round the circle, so the nearest angles sit on either side of its
// place, all ties together.
NearestAngle NearestBySortedAngles(const std::vector<double>& anglesDeg, const std::vector<int>& byAngle,
                                   double angleDeg) {
    const auto count = static_cast<std::ptrdiff_t>(byAngle.size());
    if (count == 0 || !std::isfinite(angleDeg)) {
        return {};
    }
    const auto at = [&](std::ptrdiff_t k) {
        return byAngle[static_cast<std::size_t>(((k % count) + count) % count)];
    };
    const auto distanceAt = [&](std::ptrdiff_t k) {
        return CircularDistanceDeg(anglesDeg[static_cast<std::size_t>(at(k))], angleDeg);
    };
    const std::ptrdiff_t place =
        std::lower_bound(
            byAngle.begin(), byAngle.end(), angleDeg,
            [&](int index, double angle) { return anglesDeg[static_cast<std::size_t>(index)] < angle; }) -
        byAngle.begin();
    NearestAngle nearest;
    nearest.distanceDeg = std::min(distanceAt(place - 1), distanceAt(place));
    nearest.index = std::numeric_limits<int>::max();
    // Every angle at that distance, after the place and before it, stopping after a whole turn.
    std::ptrdiff_t k = place;
    for (; k < place + count && distanceAt(k) == nearest.distanceDeg; ++k) {
        nearest.index = std::min(nearest.index, at(k));
    }
    for (std::ptrdiff_t j = place - 1; j >= k - count && distanceAt(j) == nearest.distanceDeg; --j) {
        nearest.index = std::min(nearest.index, at(j));
    }
    return nearest;
}

// `nearest`, or -1 when it is farther than `halfStepDeg` from `angleDeg` and `angleDeg` is not
// inside the shorter arc between two successive angles: the display paints each ray as the wedge
// back to the ray before it.
int CoveringAngle(const std::vector<double>& anglesDeg, double angleDeg, const NearestAngle& nearest,
                  double halfStepDeg) {
    if (nearest.index < 0 || nearest.distanceDeg <= halfStepDeg + kAngleSlackDeg) {
        return nearest.index;
    }
    for (std::size_t i = 1; i < anglesDeg.size(); ++i) {
        const double a = anglesDeg[i - 1];
        const double b = anglesDeg[i];
        if (CircularDistanceDeg(a, angleDeg) + CircularDistanceDeg(angleDeg, b) <=
            CircularDistanceDeg(a, b) + kAngleSlackDeg) {
            return nearest.index;
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
    raysByAzimuth_.clear();
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
    for (std::size_t i = 0; i < drawnAzimuthsDeg_.size(); ++i) {
        if (std::isfinite(drawnAzimuthsDeg_[i])) {
            raysByAzimuth_.push_back(static_cast<int>(i));
        }
    }
    std::stable_sort(raysByAzimuth_.begin(), raysByAzimuth_.end(), [this](int a, int b) {
        return drawnAzimuthsDeg_[static_cast<std::size_t>(a)] <
               drawnAzimuthsDeg_[static_cast<std::size_t>(b)];
    });
    halfStepAzimuthDeg_ = HalfMedianStepDeg(drawnAzimuthsDeg_);
    halfStepElevationDeg_ = HalfMedianStepDeg(elevationsDeg_);
    return true;
}

int TGateProbe::RayAtAzimuth(double azimuthDeg, double azimuthOffsetDeg) const {
    const double drawnDeg = NormaliseAngle(azimuthDeg - azimuthOffsetDeg);
    return CoveringAngle(drawnAzimuthsDeg_, drawnDeg,
                         NearestBySortedAngles(drawnAzimuthsDeg_, raysByAzimuth_, drawnDeg),
                         halfStepAzimuthDeg_);
}

int TGateProbe::RayAtElevation(double elevationDeg) const {
    return CoveringAngle(elevationsDeg_, elevationDeg, NearestByScan(elevationsDeg_, elevationDeg),
                         halfStepElevationDeg_);
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
