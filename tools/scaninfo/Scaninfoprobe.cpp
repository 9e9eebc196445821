#include "tools/scaninfo/Scaninfoprobe.h"

#include "files/Readouttext.h"
#include "tools/scaninfo/Scaninfotool.h"

#include <charconv>
#include <cmath>

namespace {

bool ParseNumber(const std::string& text, double& number) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
    return result.ec == std::errc{} && result.ptr == text.data() + text.size() && std::isfinite(number);
}

} // namespace

std::optional<ProbeRequest> ParseProbe(bool byElevation, const std::string& angle,
                                       const std::string& rangeKm) {
    ProbeRequest request;
    request.byElevation = byElevation;
    if (!ParseNumber(angle, request.angleDeg) || !ParseNumber(rangeKm, request.rangeKm) ||
        request.rangeKm < 0.0) {
        return std::nullopt;
    }
    return request;
}

double FileAzimuthOffsetDeg(const ScanInfo& info) {
    return info.azimuthOffsetDeg >= 0.0 ? info.azimuthOffsetDeg : 0.0;
}

std::optional<ProductKind> ProbeProduct(const std::optional<ProductKind>& asked, const ScanInfo& info) {
    if (asked) {
        return asked;
    }
    for (int p = 0; p < kProductCount; ++p) {
        if ((info.productMask >> p) & 1u) {
            return static_cast<ProductKind>(p);
        }
    }
    return std::nullopt;
}

int ProbeGate(TSweepSource& source, ScanInfo& info, const ProbeRequest& request, ProductKind product,
              std::optional<GateReading>& reading) {
    if (ArrayIndexInMask(info.productMask, ProductIndex(product)) < 0) {
        return kScanInfoNoSuchProductStatus;
    }
    TGateProbe probe;
    if (!probe.Attach(source, info)) {
        info.errorCode = kScanDataReadError;
        return kScanDataReadError;
    }
    const double offsetDeg = FileAzimuthOffsetDeg(info);
    const int ray = request.byElevation ? probe.RayAtElevation(request.angleDeg)
                                        : probe.RayAtAzimuth(request.angleDeg, offsetDeg);
    reading = probe.ReadGate(ray, request.rangeKm * 1000.0, product, offsetDeg);
    return 0;
}

nlohmann::ordered_json ProbeJson(const GateReading& reading) {
    nlohmann::ordered_json flags = nlohmann::ordered_json::array();
    for (const std::string& name : QualityFlagNames(reading)) {
        flags.push_back(name);
    }
    return {
        {"rayIndex", reading.rayIndex},
        {"gateIndex", reading.gateIndex >= 0 ? nlohmann::ordered_json(reading.gateIndex) : nullptr},
        {"azimuthDeg", reading.azimuthDeg},
        {"elevationDeg", reading.elevationDeg},
        {"rangeKm", reading.rangeM * 0.001},
        {"heightKm", reading.heightM * 0.001},
        {"latitude", reading.latitude},
        {"longitude", reading.longitude},
        {"product", std::string(kProductCaptions[static_cast<std::size_t>(ProductIndex(reading.product))])},
        {"value", reading.value ? nlohmann::ordered_json(*reading.value) : nullptr},
        {"quality", reading.quality},
        {"flags", std::move(flags)}};
}

std::string ProbeText(const std::optional<GateReading>& reading) {
    if (!reading) {
        return "no ray at that angle";
    }
    return "ray " + std::to_string(reading->rayIndex) + " gate " +
           (reading->gateIndex >= 0 ? std::to_string(reading->gateIndex) : "-") + "  " +
           ReadoutText(*reading);
}
