#include "tools/synth/Noise.h"

#include <cmath>

namespace synth {
namespace {

std::uint64_t Mix(std::uint64_t x) {
    // SplitMix64 finaliser.
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double Smoothstep(double t) {
    return t * t * (3.0 - 2.0 * t);
}

} // namespace

double HashUnit(std::int64_t a, std::int64_t b, std::uint64_t seed) {
    const std::uint64_t h = Mix(Mix(static_cast<std::uint64_t>(a) ^ seed) ^ static_cast<std::uint64_t>(b));
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

double ValueNoise(double x, double y, std::uint64_t seed) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx);
    const auto iy = static_cast<std::int64_t>(fy);
    const double tx = Smoothstep(x - fx);
    const double ty = Smoothstep(y - fy);
    const double v00 = HashUnit(ix, iy, seed);
    const double v10 = HashUnit(ix + 1, iy, seed);
    const double v01 = HashUnit(ix, iy + 1, seed);
    const double v11 = HashUnit(ix + 1, iy + 1, seed);
    const double bottom = v00 + (v10 - v00) * tx;
    const double top = v01 + (v11 - v01) * tx;
    return bottom + (top - bottom) * ty;
}

} // namespace synth
