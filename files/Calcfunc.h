#pragma once

#include <cstdint>

// Small numeric helpers shared by the reader, the colour tables and the display.

/// Reduces an angle in degrees into [0, 360): subtracts 360 while it is 360 or more,
/// then adds 360 while it is negative.
double NormaliseAngle(double angleDeg);

/// Rounds half away from zero: x > 0 gives trunc(x + 0.5), otherwise trunc(x - 0.5).
std::int64_t NearestInt(double x);

/// base raised to exponent; a floating-point error of the power computation (overflow,
/// domain error, pole) yields 0 instead of a non-finite result. Nothing is raised.
double Power(double base, double exponent);

/// mantissa x 10^exponent as stored in scan-file headers; 0 when the power fails or the
/// product is not finite.
double PowerValue(std::int32_t mantissa, std::int16_t exponent);
