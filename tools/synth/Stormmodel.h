#pragma once

#include <array>

// The weather of the demo data: a convective storm with a rotating core moving north-east,
// trailing cells, a stratiform rain area with a melting layer and a few showers, in a
// south-westerly wind that strengthens with height.

namespace synth {

/// Hydrometeor class of a gate, written to bits 9..12 of the demo quality words.
enum class EchoClass : int {
    None = 0,
    LightRain = 1,
    ModerateRain = 2,
    HeavyRain = 3,
    Hail = 4,
    Melting = 5,
    Snow = 6
};

/// What a radar would measure from one volume of air.
struct Weather {
    double zhDbz = 0.0;       // reflectivity; below kMinEchoDbz there is no echo
    double zdrDb = 0.0;       // differential reflectivity
    double kdpDegPerKm = 0.0; // specific differential phase (one way)
    double rhohv = 0.0;       // correlation coefficient
    double widthMs = 0.0;     // spectrum width
    double radialMs = 0.0;    // Doppler velocity, positive away from the radar
    EchoClass echoClass = EchoClass::None;
};

inline constexpr double kMinEchoDbz = 5.0;

/// Unit vector of a beam: east, north and up components.
struct BeamDirection {
    double east;
    double north;
    double up;
};

class StormModel {
public:
    /// The weather `minutes` after the start of the demo sequence.
    explicit StormModel(double minutes);

    /// Weather at a point (km east and north of the radar, km above the ground) seen along `beam`.
    Weather At(double eastKm, double northKm, double heightKm, const BeamDirection& beam) const;

    /// Ground position of the rotating core (km east, km north).
    std::array<double, 2> CoreKm() const { return {coreEastKm_, coreNorthKm_}; }

private:
    struct Cell {
        double eastKm, northKm;        // centre
        double alongKm, acrossKm;      // half-axes of the reflectivity core
        double sinHeading, cosHeading; // direction of the long axis (from north, clockwise)
        double peakDbz;
        double topKm; // height where the echo has faded away
    };

    double ConvectiveZ(double eastKm, double northKm, double heightKm, double& hailFraction) const;
    double StratiformDbz(double eastKm, double northKm, double heightKm) const;

    double minutes_;
    double coreEastKm_;
    double coreNorthKm_;
    std::array<Cell, 7> cells_;
};

} // namespace synth
