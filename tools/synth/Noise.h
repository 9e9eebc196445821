#pragma once

#include <cstdint>

// Deterministic pseudo-random fields: the same inputs give the same values on every machine.

namespace synth {

/// Uniform value in [0, 1) for integer coordinates and a seed.
double HashUnit(std::int64_t a, std::int64_t b, std::uint64_t seed);

/// Smooth noise in [0, 1) with features about one unit across (value noise, bilinear with
/// smoothstep weights).
double ValueNoise(double x, double y, std::uint64_t seed);

} // namespace synth
