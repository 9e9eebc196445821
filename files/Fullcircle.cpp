#include "files/Fullcircle.h"

#include <algorithm>
#include <cmath>

namespace {

/// A step between two azimuths taken the shorter way, in (-180, 180].
double ShorterStep(double fromDeg, double toDeg) {
    double step = std::fmod(toDeg - fromDeg, 360.0);
    if (step > 180.0) {
        step -= 360.0;
    } else if (step <= -180.0) {
        step += 360.0;
    }
    return step;
}

} // namespace

bool CoversFullCircle(std::span<const double> azimuthsDeg, std::vector<double>& scratch) {
    if (azimuthsDeg.size() < 3) {
        return false;
    }
    scratch.clear();
    double turn = 0.0;
    for (std::size_t i = 1; i < azimuthsDeg.size(); ++i) {
        const double step = ShorterStep(azimuthsDeg[i - 1], azimuthsDeg[i]);
        turn += step;
        scratch.push_back(std::fabs(step));
    }
    const double gap = ShorterStep(azimuthsDeg.back(), azimuthsDeg.front());
    turn += gap;
    if (!(std::fabs(turn) > 180.0)) {
        return false; // no whole turn: a sector, or one azimuth
    }
    const auto middle = scratch.begin() + static_cast<std::ptrdiff_t>(scratch.size() / 2);
    std::nth_element(scratch.begin(), middle, scratch.end());
    const double medianStep = *middle;
    return medianStep > 0.0 && std::fabs(gap) <= 1.5 * medianStep;
}
