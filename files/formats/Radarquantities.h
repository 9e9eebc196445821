#pragma once

#include "files/Productkind.h"

#include <array>
#include <optional>
#include <string_view>

// How our eight products are named in the open radar formats, in one table for both directions:
// the writers take the first name of each column, the readers accept every name listed.

/// One product in the open formats.
struct RadarQuantity {
    ProductKind kind;
    std::string_view cfRadialField; // CfRadial field variable written
    std::string_view standardName;  // CF/Radial standard_name
    std::string_view units;         // units attribute
    std::string_view odimQuantity;  // ODIM what/quantity written
};

inline constexpr std::array<RadarQuantity, kProductCount> kRadarQuantities = {{
    {ProductKind::R, "RATE", "rainfall_rate", "mm/h", "RATE"},
    {ProductKind::Zh, "DBZH", "equivalent_reflectivity_factor", "dBZ", "DBZH"},
    {ProductKind::V, "VRADH", "radial_velocity_of_scatterers_away_from_instrument", "m/s", "VRADH"},
    {ProductKind::Zdr, "ZDR", "log_differential_reflectivity_hv", "dB", "ZDR"},
    {ProductKind::Kdp, "KDP", "specific_differential_phase_hv", "degrees/km", "KDP"},
    {ProductKind::Phidp, "PHIDP", "differential_phase_hv", "degrees", "PHIDP"},
    {ProductKind::Rhohv, "RHOHV", "cross_correlation_ratio_hv", "unitless", "RHOHV"},
    {ProductKind::W, "WRADH", "doppler_spectrum_width", "m/s", "WRADH"},
}};

/// The table's row of a product.
constexpr const RadarQuantity& QuantityOf(ProductKind kind) {
    return kRadarQuantities[static_cast<std::size_t>(kind)];
}

namespace radarquantities_detail {
struct Alias {
    std::string_view name;
    ProductKind kind;
};
// ODIM quantities read, in order of preference within a product (DBZH before TH and DBZ).
inline constexpr std::array<Alias, 12> kOdimAliases = {{
    {"DBZH", ProductKind::Zh},
    {"TH", ProductKind::Zh},
    {"DBZ", ProductKind::Zh},
    {"RATE", ProductKind::R},
    {"VRADH", ProductKind::V},
    {"VRAD", ProductKind::V},
    {"ZDR", ProductKind::Zdr},
    {"KDP", ProductKind::Kdp},
    {"PHIDP", ProductKind::Phidp},
    {"RHOHV", ProductKind::Rhohv},
    {"WRADH", ProductKind::W},
    {"WRAD", ProductKind::W},
}};
// CfRadial field names read when a field has no standard name we know, in order of preference.
inline constexpr std::array<Alias, 14> kCfRadialAliases = {{
    {"DBZH", ProductKind::Zh},
    {"DBZ", ProductKind::Zh},
    {"reflectivity", ProductKind::Zh},
    {"RATE", ProductKind::R},
    {"VEL", ProductKind::V},
    {"VRADH", ProductKind::V},
    {"WIDTH", ProductKind::W},
    {"WRADH", ProductKind::W},
    {"ZDR", ProductKind::Zdr},
    {"KDP", ProductKind::Kdp},
    {"PHIDP", ProductKind::Phidp},
    {"RHOHV", ProductKind::Rhohv},
    {"TH", ProductKind::Zh},
    {"VRAD", ProductKind::V},
}};
} // namespace radarquantities_detail

/// Our product for an ODIM quantity, and its preference among the quantities of that product
/// (0 best); nothing for a quantity we do not map.
struct QuantityMatch {
    ProductKind kind;
    int preference;
};
constexpr std::optional<QuantityMatch> ProductOfOdimQuantity(std::string_view quantity) {
    const auto& aliases = radarquantities_detail::kOdimAliases;
    for (std::size_t i = 0; i < aliases.size(); ++i) {
        if (aliases[i].name == quantity) {
            return QuantityMatch{aliases[i].kind, static_cast<int>(i)};
        }
    }
    return std::nullopt;
}

/// Our product for a CfRadial field: by its standard_name first, then by the field's name; the
/// preference orders several fields of one product (a standard name beats any field name).
constexpr std::optional<QuantityMatch> ProductOfCfRadialField(std::string_view standardName,
                                                              std::string_view fieldName) {
    for (const RadarQuantity& q : kRadarQuantities) {
        if (!standardName.empty() && q.standardName == standardName) {
            return QuantityMatch{q.kind, 0};
        }
    }
    const auto& aliases = radarquantities_detail::kCfRadialAliases;
    for (std::size_t i = 0; i < aliases.size(); ++i) {
        if (aliases[i].name == fieldName) {
            return QuantityMatch{aliases[i].kind, 1 + static_cast<int>(i)};
        }
    }
    return std::nullopt;
}
