#include "tools/synth/Stormmodel.h"

#include "tools/synth/Noise.h"

#include <algorithm>
#include <cmath>

namespace synth {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kLn10Over10 = 0.23025850929940457; // ln(10) / 10

// Storm motion, km per minute (about 33 km/h towards the north-east).
constexpr double kMoveEastKmPerMin = 0.42;
constexpr double kMoveNorthKmPerMin = 0.36;

constexpr double kMeltingLayerKm = 4.0;
constexpr double kMeltingHalfDepthKm = 0.3;
constexpr double kGlaciationKm = 6.0; // convective echo fades above this height

constexpr std::uint64_t kTextureSeed = 0x5EED0001;
constexpr std::uint64_t kSpeckleSeed = 0x5EED0002;
constexpr std::uint64_t kStratiformSeed = 0x5EED0003;
constexpr std::uint64_t kVelocitySeed = 0x5EED0004;

double DbzToZ(double dbz) {
    return std::exp(dbz * kLn10Over10);
}
double ZToDbz(double z) {
    return std::log(z) / kLn10Over10;
}

} // namespace

StormModel::StormModel(double minutes) : minutes_(minutes) {
    const double t = minutes;
    coreEastKm_ = -32.0 + kMoveEastKmPerMin * t;
    coreNorthKm_ = -24.0 + kMoveNorthKmPerMin * t;
    // The main cell grows for half an hour and then slowly weakens.
    const double life = t < 30.0 ? 51.0 + 0.3 * t : 60.0 - 0.15 * (t - 30.0);
    const double heading = std::atan2(kMoveEastKmPerMin, kMoveNorthKmPerMin);
    const double se = std::sin(heading);
    const double ce = std::cos(heading);
    // Offsets along (a) and to the right of (r) the storm motion.
    const auto at = [&](double a, double r) {
        return std::array<double, 2>{coreEastKm_ + a * se + r * ce, coreNorthKm_ + a * ce - r * se};
    };
    const auto forward = at(10.0, -3.0);
    const auto rearFlank = at(-3.0, 2.5);
    const auto trailing1 = at(-16.0, -6.0);
    const auto trailing2 = at(-24.0, 4.0);
    const auto cell = [](std::array<double, 2> centre, double alongKm, double acrossKm, double headingRad,
                         double peakDbz, double topKm) {
        return Cell{centre[0], centre[1], alongKm, acrossKm, std::sin(headingRad), std::cos(headingRad),
                    peakDbz,   topKm};
    };
    cells_ = {{
        cell({coreEastKm_, coreNorthKm_}, 5.0, 3.5, heading, life, 13.5),
        cell(forward, 13.0, 5.0, heading, life - 15.0, 11.0),
        cell(rearFlank, 2.5, 1.5, heading + 0.8, life - 9.0, 10.0),
        cell(trailing1, 3.5, 3.0, heading, 46.0 + 4.0 * std::sin(t / 5.0), 10.0),
        cell(trailing2, 2.5, 2.5, heading, 40.0 + 6.0 * std::sin(t / 7.0 + 1.0), 9.0),
        cell({25.0 + 0.20 * t, -30.0 + 0.25 * t}, 2.0, 2.0, 0.0, 38.0 - 0.2 * t, 7.0),
        cell({-40.0 + 0.30 * t, 35.0 + 0.20 * t}, 3.0, 2.0, 0.5, 33.0 + 0.1 * t, 7.0),
    }};
}

double StormModel::ConvectiveZ(double eastKm, double northKm, double heightKm, double& hailFraction) const {
    double z = 0.0;
    hailFraction = 0.0;
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const Cell& c = cells_[i];
        const double dx = eastKm - c.eastKm;
        const double dy = northKm - c.northKm;
        const double along = (dx * c.sinHeading + dy * c.cosHeading) / c.alongKm;
        const double across = (dx * c.cosHeading - dy * c.sinHeading) / c.acrossKm;
        const double q = along * along + across * across;
        if (q > 6.0) {
            continue;
        }
        double dbz = c.peakDbz - 12.0 * q;
        if (heightKm > kGlaciationKm) {
            dbz -= (heightKm - kGlaciationKm) * (c.peakDbz - kMinEchoDbz) / (c.topKm - kGlaciationKm);
        }
        if (i == 0 && heightKm < kGlaciationKm) {
            hailFraction = std::clamp((dbz - 55.0) / 5.0, 0.0, 1.0);
        }
        z += DbzToZ(dbz);
    }
    return z;
}

double StormModel::StratiformDbz(double eastKm, double northKm, double heightKm) const {
    const double t = minutes_;
    const double dx = eastKm - (28.0 + 0.3 * t);
    const double dy = northKm - (22.0 + 0.3 * t);
    constexpr double kHeading = 60.0 * kDegToRad;
    const double along = (dx * std::sin(kHeading) + dy * std::cos(kHeading)) / 35.0;
    const double across = (dx * std::cos(kHeading) - dy * std::sin(kHeading)) / 16.0;
    // A ragged outline and embedded heavier bands, drifting with the rain area.
    const double outline = ValueNoise(eastKm / 9.0 - 0.03 * t, northKm / 9.0 - 0.03 * t, kStratiformSeed);
    const double q = (along * along + across * across) * (0.6 + 0.8 * outline);
    if (q >= 1.6) {
        return -99.0;
    }
    const double bands = ValueNoise(eastKm / 3.0 - 0.1 * t, northKm / 3.0 - 0.1 * t, kStratiformSeed + 1);
    double dbz = 34.0 * (1.0 - q * q) + 10.0 * (bands - 0.5);
    const double aboveMelting = heightKm - kMeltingLayerKm;
    if (std::fabs(aboveMelting) < kMeltingHalfDepthKm) {
        dbz += 7.0 * std::cos(aboveMelting / kMeltingHalfDepthKm * kPi / 2.0); // bright band
    } else if (aboveMelting > 0.0) {
        dbz -= 3.0 + 6.0 * (aboveMelting - kMeltingHalfDepthKm);
    }
    return dbz;
}

Weather StormModel::At(double eastKm, double northKm, double heightKm, const BeamDirection& beam) const {
    Weather w;
    const double t = minutes_;
    double hail = 0.0;
    const double zConvective = ConvectiveZ(eastKm, northKm, heightKm, hail);
    const double stratiformDbz = StratiformDbz(eastKm, northKm, heightKm);
    const double z = zConvective + (stratiformDbz > -50.0 ? DbzToZ(stratiformDbz) : 0.0);
    if (z <= 0.0) {
        w.zhDbz = -99.0;
        return w;
    }
    // Texture that travels with the storm, and gate-to-gate speckle.
    const double ex = eastKm - kMoveEastKmPerMin * t;
    const double ny = northKm - kMoveNorthKmPerMin * t;
    const double texture = ValueNoise(ex / 2.5, ny / 2.5, kTextureSeed) - 0.5;
    const double speckle = ValueNoise(eastKm * 8.0, northKm * 8.0 + heightKm * 8.0, kSpeckleSeed) - 0.5;
    const double dbz = ZToDbz(z) + 6.0 * texture + 2.0 * speckle;
    w.zhDbz = dbz;
    if (dbz < kMinEchoDbz) {
        return w;
    }

    const double aboveMelting = heightKm - kMeltingLayerKm;
    const bool melting = std::fabs(aboveMelting) < kMeltingHalfDepthKm;
    const bool ice = aboveMelting >= kMeltingHalfDepthKm;
    const bool weakEdge = dbz < 15.0;

    // Rain rate from Z = 200 R^1.6, with hail cores capped at 53 dBZ.
    const double rainMmH = std::pow(DbzToZ(std::min(dbz, 53.0)) / 200.0, 1.0 / 1.6);
    if (ice) {
        w.kdpDegPerKm = 0.03;
        w.zdrDb = 0.25 + 0.3 * speckle;
        w.rhohv = 0.985 - 0.01 * speckle;
        w.echoClass = EchoClass::Snow;
    } else if (melting) {
        w.kdpDegPerKm = 0.3 * std::pow(rainMmH / 40.5, 1.0 / 0.85);
        w.zdrDb = 1.6 + 0.4 * speckle;
        w.rhohv = 0.90 + 0.03 * speckle;
        w.echoClass = EchoClass::Melting;
    } else {
        w.kdpDegPerKm = std::pow(rainMmH / 40.5, 1.0 / 0.85);
        const double rainZdr = std::clamp(0.1 + 0.06 * (dbz - 15.0), 0.0, 3.2);
        w.zdrDb = rainZdr * (1.0 - 0.85 * hail) + 0.25 * speckle;
        w.rhohv = (hail > 0.3 ? 0.93 : 0.992) - 0.012 * (speckle + 0.5) - (weakEdge ? 0.04 : 0.0);
        if (hail > 0.3) {
            w.echoClass = EchoClass::Hail;
        } else {
            w.echoClass = rainMmH < 2.0    ? EchoClass::LightRain
                          : rainMmH < 20.0 ? EchoClass::ModerateRain
                                           : EchoClass::HeavyRain;
        }
    }

    // Wind from 230 degrees, strengthening with height, and particles falling.
    const double windMs = 8.0 + 2.5 * heightKm;
    constexpr double kTowardsRad = 50.0 * kDegToRad;
    double eastMs = windMs * std::sin(kTowardsRad);
    double northMs = windMs * std::cos(kTowardsRad);
    const double fallMs = ice ? 1.2 : melting ? 3.0 : 6.5;

    // Rotating updraft (Rankine vortex, counter-clockwise) on the rear flank of the main core.
    const double vx = eastKm - (coreEastKm_ - 1.0);
    const double vy = northKm - (coreNorthKm_ - 2.5);
    const double vortexDistanceKm = std::sqrt(vx * vx + vy * vy);
    constexpr double kVortexRadiusKm = 2.5;
    double vortexShare = 0.0;
    if (heightKm < 9.0 && vortexDistanceKm > 1e-3) {
        const double peakMs = 24.0 * std::clamp((t + 10.0) / 30.0, 0.3, 1.0);
        const double tangentialMs = vortexDistanceKm < kVortexRadiusKm
                                        ? peakMs * vortexDistanceKm / kVortexRadiusKm
                                        : peakMs * kVortexRadiusKm / vortexDistanceKm;
        eastMs += -vy / vortexDistanceKm * tangentialMs;
        northMs += vx / vortexDistanceKm * tangentialMs;
        vortexShare = std::exp(-(vortexDistanceKm * vortexDistanceKm) / (kVortexRadiusKm * kVortexRadiusKm));
    }
    const double velocityNoise = ValueNoise(eastKm * 2.0, northKm * 2.0, kVelocitySeed) - 0.5;
    w.radialMs = eastMs * beam.east + northMs * beam.north - fallMs * beam.up + 1.2 * velocityNoise;

    w.widthMs = 1.0 + 0.6 * (speckle + 0.5) + std::max(0.0, dbz - 40.0) / 10.0 + 4.0 * vortexShare +
                (weakEdge ? 1.0 : 0.0);
    return w;
}

} // namespace synth
