#include "files/Calcfunc.h"

#include <cfenv>
#include <cmath>

double NormaliseAngle(double angleDeg) {
    if (!std::isfinite(angleDeg)) {
        return angleDeg;
    }
    // Repeated subtraction as the display rules state, done by whole turns first so that
    // an absurd angle cannot make this loop for long.
    if (angleDeg >= 360.0 * 1024 || angleDeg < -360.0 * 1024) {
        angleDeg = std::fmod(angleDeg, 360.0);
    }
    while (angleDeg >= 360.0) {
        angleDeg -= 360.0;
    }
    while (angleDeg < 0.0) {
        angleDeg += 360.0;
    }
    return angleDeg;
}

std::int64_t NearestInt(double x) {
    // Truncating x ± 0.5 is the rounding the stored codes are made with (halves away from zero).
    return x > 0 ? static_cast<std::int64_t>(x + 0.5)  // NOLINT(bugprone-incorrect-roundings)
                 : static_cast<std::int64_t>(x - 0.5); // NOLINT(bugprone-incorrect-roundings)
}

double Power(double base, double exponent) {
    std::feclearexcept(FE_ALL_EXCEPT);
    const double result = std::pow(base, exponent);
    if (std::fetestexcept(FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO) != 0 || !std::isfinite(result)) {
        std::feclearexcept(FE_ALL_EXCEPT);
        return 0.0;
    }
    return result;
}

double PowerValue(std::int32_t mantissa, std::int16_t exponent) {
    const double value = mantissa * Power(10.0, exponent);
    return std::isfinite(value) ? value : 0.0;
}
