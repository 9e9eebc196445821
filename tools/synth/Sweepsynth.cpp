#include "tools/synth/Sweepsynth.h"

#include "files/Gatecodec.h"
#include "tools/synth/Noise.h"
#include "tools/synth/Stormmodel.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace synth {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kEffectiveEarthRadiusKm = 6371.0 * 4.0 / 3.0; // standard refraction

// Quality word bits of the site's features; bits 9..12 carry the echo class.
constexpr std::uint16_t kShieldedBit = 1u << 0;
constexpr std::uint16_t kExtinctionBit = 1u << 1;
constexpr std::uint16_t kClutterBit = 1u << 2;
constexpr int kClutterLevelShift = 3;
constexpr std::uint16_t kPulseBlindBit = 1u << 6;
constexpr std::uint16_t kSectorBlankBit = 1u << 7;
constexpr int kEchoClassShift = 9;

// The site: a blanked sector towards the airport, a building that shields the low beams to the
// north-west, ground clutter within 8 km and the receiver's blind range.
constexpr double kBlankFromDeg = 130.0;
constexpr double kBlankToDeg = 142.0;
constexpr double kShieldFromDeg = 292.0;
constexpr double kShieldToDeg = 301.0;
constexpr double kShieldFromKm = 2.5;
constexpr double kShieldBelowDeg = 2.0;
constexpr double kShieldLossDb = 8.0;
constexpr double kClutterWithinKm = 8.0;
constexpr double kClutterBelowKm = 0.6;
constexpr double kPulseBlindKm = 0.6;
constexpr std::uint64_t kClutterSeed = 0xC1077E4;

// Phase and attenuation along the beam.
constexpr double kSystemPhaseDeg = 20.0;
constexpr double kAttenuationDbPerDeg = 0.25; // specific attenuation per degree of Kdp
constexpr double kCorrectedShare = 0.5;       // share of the attenuation the processor restores
constexpr double kExtinctionDb = 10.0;
constexpr std::uint64_t kPhaseSeed = 0xF1D9;

constexpr std::array<ProductKind, 8> kAllProducts = {ProductKind::R,     ProductKind::Zh,  ProductKind::V,
                                                     ProductKind::Zdr,   ProductKind::Kdp, ProductKind::Phidp,
                                                     ProductKind::Rhohv, ProductKind::W};
constexpr std::array<ProductKind, 4> kSmallDeviceProducts = {ProductKind::R, ProductKind::Zh, ProductKind::V,
                                                             ProductKind::W};

bool InSector(double azimuthDeg, double fromDeg, double toDeg) {
    return azimuthDeg >= fromDeg && azimuthDeg < toDeg;
}

double WrapPhase(double deg) {
    while (deg >= 180.0) {
        deg -= 360.0;
    }
    return deg;
}

// Physical value of each product at one gate, in ProductKind order.
using GateProducts = std::array<double, 8>;

scanwriter::ScanHeader MakeHeader(const SweepPlan& plan, const RadarSite& site, int rays) {
    scanwriter::ScanHeader h;
    h.layout = plan.layout;
    h.version = plan.version;
    h.dateTimeA = plan.start;
    h.dateTimeB = AddSeconds(plan.start, plan.scanSeconds);
    h.latitude = scanwriter::ToCoordinateWords(site.latitudeDeg);
    h.longitude = scanwriter::ToCoordinateWords(site.longitudeDeg);
    h.combinedHigh = 94; // 9432.50: transmit frequency in MHz
    h.combinedLow = 3250;
    h.tenths[0] = static_cast<std::uint16_t>(site.antennaHeightKm * 10000.0); // antenna height, 0.1 m
    h.tenths[1] = 12;                                                         // beam width, 0.1 degree
    h.tenths[2] = 10;                                                         // pulse width, 0.1 us
    h.hundredths1 = static_cast<std::int16_t>(std::lround(plan.fixedAngleDeg * 100.0));
    h.hundredths2 = 1250; // Nyquist velocity, 0.01 m/s
    h.rayCount = static_cast<std::uint16_t>(rays);
    h.gateCount = static_cast<std::uint16_t>(plan.gates);
    h.gateSpacingCm = static_cast<std::uint16_t>(plan.gateSpacingCm);
    h.powerMantissa1 = 10; // peak power 10 kW
    h.powerExponent1 = 3;
    h.powerMantissa2 = -1105; // noise level -110.5 dBm
    h.powerExponent2 = -1;
    h.azimuthOffsetCentiDeg = plan.azimuthOffsetGiven ? 0 : 0xFFFF;
    h.productMask = 0x01FF;
    h.extraWord1 = plan.kind == SweepKind::Ppi ? 1 : 2; // scan mode
    h.extraWord2 = 0;
    return h;
}

} // namespace

scanwriter::HeaderDateTime AddSeconds(scanwriter::HeaderDateTime t, int seconds) {
    int total = t.hour * 3600 + t.minute * 60 + t.second + seconds;
    total = std::clamp(total, 0, 24 * 3600 - 1);
    t.hour = static_cast<std::uint16_t>(total / 3600);
    t.minute = static_cast<std::uint16_t>(total / 60 % 60);
    t.second = static_cast<std::uint16_t>(total % 60);
    return t;
}

std::vector<std::uint8_t> SynthesiseSweep(const SweepPlan& plan, const RadarSite& site) {
    const bool wide = plan.layout == scanwriter::HeaderLayout::Bytes80;
    const std::span<const ProductKind> products = wide ? std::span<const ProductKind>(kAllProducts)
                                                       : std::span<const ProductKind>(kSmallDeviceProducts);
    const std::size_t arrays = products.size() + (wide ? 1 : 0);
    const auto gates = static_cast<std::size_t>(plan.gates);
    const double spacingKm = plan.gateSpacingCm * 1e-5;

    scanwriter::ScanFileBuilder builder(MakeHeader(plan, site, plan.rays));
    const StormModel storm(plan.minutes);
    std::vector<std::uint16_t> codes(arrays * gates);

    for (int ray = 0; ray < plan.rays; ++ray) {
        const bool ppi = plan.kind == SweepKind::Ppi;
        const double azimuthDeg = ppi ? (ray + 0.5) * 360.0 / plan.rays : plan.fixedAngleDeg;
        const double elevationDeg = ppi ? plan.fixedAngleDeg : ray * 180.0 / std::max(1, plan.rays - 1);
        const double az = azimuthDeg * kDegToRad;
        const double el = elevationDeg * kDegToRad;
        const BeamDirection beam{std::cos(el) * std::sin(az), std::cos(el) * std::cos(az), std::sin(el)};
        const bool blanked = InSector(azimuthDeg, kBlankFromDeg, kBlankToDeg);
        const bool shieldedRay =
            InSector(azimuthDeg, kShieldFromDeg, kShieldToDeg) && elevationDeg < kShieldBelowDeg;

        double phaseDeg = 0.0;
        double attenuationDb = 0.0;
        for (std::size_t g = 0; g < gates; ++g) {
            const double rangeKm = (static_cast<double>(g) + 0.5) * spacingKm;
            const double re = kEffectiveEarthRadiusKm;
            const double heightKm =
                std::sqrt(rangeKm * rangeKm + re * re + 2.0 * rangeKm * re * std::sin(el)) - re +
                site.antennaHeightKm;
            // Negative beyond the zenith: the beam then points to the opposite side.
            const double groundKm = re * std::asin(rangeKm * std::cos(el) / (re + heightKm));
            const double eastKm = groundKm * std::sin(az);
            const double northKm = groundKm * std::cos(az);

            std::uint16_t quality = 0;
            GateProducts value{};
            bool echo = false;
            if (rangeKm < kPulseBlindKm) {
                quality |= kPulseBlindBit;
            } else if (blanked) {
                quality |= kSectorBlankBit;
            } else {
                const Weather w = storm.At(eastKm, northKm, heightKm, beam);
                const bool weather = w.zhDbz >= kMinEchoDbz;
                if (weather) {
                    phaseDeg += 2.0 * w.kdpDegPerKm * spacingKm;
                    attenuationDb += 2.0 * kAttenuationDbPerDeg * w.kdpDegPerKm * spacingKm;
                }
                double zh = w.zhDbz - (1.0 - kCorrectedShare) * attenuationDb;
                if (attenuationDb > kExtinctionDb) {
                    quality |= kExtinctionBit;
                }
                if (shieldedRay && rangeKm > kShieldFromKm) {
                    quality |= kShieldedBit;
                    zh -= kShieldLossDb;
                }
                echo = weather && zh >= kMinEchoDbz;
                value[ProductIndex(ProductKind::Zh)] = zh;
                value[ProductIndex(ProductKind::V)] = w.radialMs;
                value[ProductIndex(ProductKind::Zdr)] = w.zdrDb;
                value[ProductIndex(ProductKind::Kdp)] = w.kdpDegPerKm;
                value[ProductIndex(ProductKind::Rhohv)] = w.rhohv;
                value[ProductIndex(ProductKind::W)] = w.widthMs;
                int echoClass = echo ? static_cast<int>(w.echoClass) : 0;

                const double clutter = std::fabs(groundKm) < kClutterWithinKm &&
                                               heightKm - site.antennaHeightKm < kClutterBelowKm
                                           ? ValueNoise(eastKm / 0.35, northKm / 0.35, kClutterSeed)
                                           : 0.0;
                if (clutter > 0.55) {
                    // Filtered ground clutter: a residual echo of a level 0..7, no motion.
                    const int level = std::min(7, static_cast<int>((clutter - 0.55) / 0.45 * 8.0));
                    quality |= static_cast<std::uint16_t>(kClutterBit | (level << kClutterLevelShift));
                    const double spread = clutter * 10.0 - std::floor(clutter * 10.0) - 0.5;
                    value[ProductIndex(ProductKind::Zh)] = std::max(echo ? zh : 0.0, 8.0 + 4.0 * level);
                    value[ProductIndex(ProductKind::V)] = 0.3 * spread;
                    value[ProductIndex(ProductKind::Zdr)] = 4.0 * spread;
                    value[ProductIndex(ProductKind::Kdp)] = 0.0;
                    value[ProductIndex(ProductKind::Rhohv)] = 0.78 - 0.04 * level;
                    value[ProductIndex(ProductKind::W)] = 0.4;
                    echo = true;
                }
                quality |= static_cast<std::uint16_t>(echoClass << kEchoClassShift);
                const double observedZh = value[ProductIndex(ProductKind::Zh)];
                value[ProductIndex(ProductKind::R)] =
                    std::pow(std::pow(10.0, std::min(observedZh, 53.0) / 10.0) / 200.0, 1.0 / 1.6);
                const double phaseNoiseDeg =
                    3.0 * (HashUnit(ray, static_cast<std::int64_t>(g), kPhaseSeed) - 0.5);
                value[ProductIndex(ProductKind::Phidp)] =
                    WrapPhase(kSystemPhaseDeg + phaseDeg + phaseNoiseDeg);
            }
            for (std::size_t a = 0; a < products.size(); ++a) {
                codes[a * gates + g] =
                    echo ? EncodeGateValue(products[a],
                                           value[static_cast<std::size_t>(ProductIndex(products[a]))])
                         : 0;
            }
            if (wide) {
                codes[products.size() * gates + g] = quality;
            }
        }
        builder.AddRay(static_cast<std::uint16_t>(std::lround(azimuthDeg * 100.0)),
                       static_cast<std::int16_t>(std::lround(elevationDeg * 100.0)), codes);
    }
    return builder.Bytes();
}

} // namespace synth
