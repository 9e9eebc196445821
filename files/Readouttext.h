#pragma once

#include "files/Gateprobe.h"

#include <string>
#include <string_view>
#include <vector>

// The texts of a gate reading that the windows and nimbrook-scaninfo show. Numbers always use a
// full stop as decimal separator, whatever the locale.

/// Unit of a product's values: mm/h, dBZ, m/s, dB, °/km, ° and m/s; none for ρhv.
std::string_view ProductUnit(ProductKind kind);

/// The product and the gate's value with its unit ("Zh 42.5 dBZ", "V -7.3 m/s", "ρhv 0.97"), or
/// "Zh no data" for code 0 and for a range beyond the last gate.
std::string ValueText(const GateReading& reading);

/// Names of what marks the gate: "invalid" (no data), then by quality bit "shielded" (0),
/// "dispersion" (1), "clutter level n" (2, n from bits 3..5), "pulse-blind" (6), "sector blank" (7).
/// Empty for a range beyond the last gate.
std::vector<std::string> QualityFlagNames(const GateReading& reading);

/// The value, its flags, then where the gate is:
/// "Zh 42.5 dBZ  shielded  AZ 123.4°  12.30 km  H 1.23 km  N35.1234/E139.5678".
std::string ReadoutText(const GateReading& reading);

/// The vertical section's line: where the gate is, then its value and flags:
/// "ground 12.29 km  H 1.23 km  slant 12.30 km  EL 5.7°  Zh 42.5 dBZ  shielded".
std::string SectionReadoutText(const GateReading& reading);
