#pragma once

#include "files/Gateprobe.h"
#include "files/Productkind.h"
#include "files/Scaninfo.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

// nimbrook-scaninfo --probe and --probe-elevation: the gate the viewer's cursor readout would show.

struct ProbeRequest {
    bool byElevation = false; // --probe-elevation: the angle is an elevation
    double angleDeg = 0.0;
    double rangeKm = 0.0; // slant range
};

/// The request from the two arguments; none unless both are finite numbers and the range is not
/// negative.
std::optional<ProbeRequest> ParseProbe(bool byElevation, const std::string& angle,
                                       const std::string& rangeKm);

/// The file's azimuth offset, or the default AzOffset setting (0°) when it gives none.
double FileAzimuthOffsetDeg(const ScanInfo& info);

/// The product asked for, else the first one the file holds; none when it holds none.
std::optional<ProductKind> ProbeProduct(const std::optional<ProductKind>& asked, const ScanInfo& info);

/// Looks the gate up in the sweep `source` has open as `info` describes it. Returns
/// 0; 7 (also into info's errorCode) when a ray cannot be read; kScanInfoNoSuchProductStatus when
/// the file does not hold `product`. `reading` stays empty when no ray covers the angle.
int ProbeGate(TSweepSource& source, ScanInfo& info, const ProbeRequest& request, ProductKind product,
              std::optional<GateReading>& reading);

/// The "probe" object: rayIndex, gateIndex (null beyond the last gate), azimuthDeg, elevationDeg,
/// rangeKm, heightKm, latitude, longitude, product, value (null for no data), quality (the raw
/// word) and flags (their names).
nlohmann::ordered_json ProbeJson(const GateReading& reading);

/// "ray 12 gate 123  " and the readout line; "no ray at that angle" without a reading.
std::string ProbeText(const std::optional<GateReading>& reading);
