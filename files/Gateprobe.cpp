#include "files/Gateprobe.h"

#include "files/Beamgeometry.h"
#include "files/Calcfunc.h"
#include "files/Gatecodec.h"
#include "files/Littleendian.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <sys/stat.h>

namespace {

// A look-up reads a few words at a time: a small buffer keeps every read short.
constexpr std::size_t kProbeBufferBytes = 64;
constexpr int kRayHeaderBytes = 6;
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

bool TGateProbe::Identity::operator==(const Identity& other) const {
    return path == other.path && device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           productMask == other.productMask && rayCount == other.rayCount && gateCount == other.gateCount &&
           gateSpacingM == other.gateSpacingM && latitude == other.latitude && longitude == other.longitude;
}

TGateProbe::TGateProbe() : file_(kProbeBufferBytes) {}

std::optional<TGateProbe::Identity> TGateProbe::IdentityOf(const std::string& path, const ScanInfo& info) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return Identity{
        path,          status.st_dev,  status.st_ino,     status.st_size, status.st_mtim, info.productMask,
        info.rayCount, info.gateCount, info.gateSpacingM, info.latitude,  info.longitude};
}

bool TGateProbe::Attach(const std::string& path, const ScanInfo& info) {
    const std::optional<Identity> identity = info.valid != 0 ? IdentityOf(path, info) : std::nullopt;
    if (!identity || identity->rayCount <= 0 || identity->gateCount <= 0) {
        Detach();
        return false;
    }
    if (Attached() && *identity == identity_) {
        return true;
    }
    Detach();
    identity_ = *identity;
    if (!file_.Open(path) || !IndexRays()) {
        Detach();
        return false;
    }
    return true;
}

void TGateProbe::Detach() {
    file_.Close();
    identity_ = Identity{};
    rays_.clear();
    drawnAzimuthsDeg_.clear();
    elevationsDeg_.clear();
    elevationVaries_ = false;
}

bool TGateProbe::IndexRays() {
    // The rays follow the header block, each a ray header block and a data block, every block
    // led by its own length, read by the same rules as the reader's.
    std::uint16_t headerLength = 0;
    file_.Seek(0);
    if (!file_.PeekU16(headerLength)) {
        return false;
    }
    const int arrayBytes = identity_.gateCount * 2;
    std::int64_t position = headerLength;
    rays_.reserve(static_cast<std::size_t>(identity_.rayCount));
    for (int k = 0; k < identity_.rayCount; ++k) {
        std::uint16_t rayHeaderLength = 0;
        std::uint8_t rayHeader[kRayHeaderBytes];
        std::memset(rayHeader, 0xFF, sizeof rayHeader);
        file_.Seek(position);
        if (!file_.PeekU16(rayHeaderLength) || rayHeaderLength < 2) {
            return false;
        }
        const auto copyBytes = static_cast<std::size_t>(std::min<int>(rayHeaderLength, kRayHeaderBytes));
        if (file_.Read(rayHeader, copyBytes) != copyBytes) {
            return false;
        }
        position += rayHeaderLength;
        std::uint16_t dataLength = 0;
        file_.Seek(position);
        if (!file_.PeekU16(dataLength) || dataLength < 2 || (dataLength - 2) % arrayBytes != 0) {
            return false;
        }
        ProbeRay ray;
        ray.azimuthDeg = LoadU16(rayHeader + 2) * 0.01;
        ray.elevationDeg = LoadI16(rayHeader + 4) * 0.01;
        ray.arraysPosition = position + 2;
        ray.arrayCount = (dataLength - 2) / arrayBytes;
        rays_.push_back(ray);
        position += dataLength;

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
    const ProbeRay& ray = rays_[static_cast<std::size_t>(rayIndex)];
    const double cosine =
        std::cos(DrawnDirection(ray.azimuthDeg, ray.elevationDeg).elevationDeg * kRadiansPerDegree);
    // The painter's samples per pixel, (samples - 1) / (radius × cos e), stop at the whole ray per
    // pixel: as if the cosine never fell below one pixel's share of the radius.
    return groundRangeM / std::max(cosine, 1.0 / std::max(displayRadiusPixels, 1));
}

bool TGateProbe::ReadWord(std::int64_t position, std::uint16_t& word) {
    std::uint8_t bytes[2];
    file_.Seek(position);
    if (file_.Read(bytes, sizeof bytes) != sizeof bytes) {
        return false;
    }
    word = LoadU16(bytes);
    return true;
}

std::optional<GateReading> TGateProbe::ReadGate(int rayIndex, double slantRangeM, ProductKind product,
                                                double azimuthOffsetDeg) {
    const int productArray = ArrayIndexInMask(identity_.productMask, ProductIndex(product));
    if (!Attached() || rayIndex < 0 || rayIndex >= static_cast<int>(rays_.size()) || productArray < 0) {
        return std::nullopt;
    }
    const ProbeRay& ray = rays_[static_cast<std::size_t>(rayIndex)];
    GateReading reading;
    reading.rayIndex = rayIndex;
    reading.product = product;
    reading.azimuthDeg = NormaliseAngle(ray.azimuthDeg + azimuthOffsetDeg);
    reading.elevationDeg = ray.elevationDeg;

    const double spacingM = identity_.gateSpacingM;
    const double gate = spacingM > 0.0 ? std::floor(std::max(slantRangeM, 0.0) / spacingM + 0.5) : 0.0;
    reading.gateIndex = gate < identity_.gateCount ? static_cast<int>(gate) : -1;
    reading.rangeM = reading.gateIndex >= 0 ? reading.gateIndex * spacingM : slantRangeM;

    if (reading.gateIndex >= 0) {
        const std::int64_t arrayBytes = std::int64_t{identity_.gateCount} * 2;
        const std::int64_t gateOffset = std::int64_t{reading.gateIndex} * 2;
        const int qualityArray = ArrayIndexInMask(identity_.productMask, kQualityMaskBit);
        // An array the ray's data block does not hold reads as zeros, like the frame's cleared buffers.
        if ((productArray < ray.arrayCount &&
             !ReadWord(ray.arraysPosition + productArray * arrayBytes + gateOffset, reading.code)) ||
            (qualityArray >= 0 && qualityArray < ray.arrayCount &&
             !ReadWord(ray.arraysPosition + qualityArray * arrayBytes + gateOffset, reading.quality))) {
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
