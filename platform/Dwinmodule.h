#pragma once

#include <QRgb>

class TBitmap;

// TWinModule: small stateless utilities of the window-system layer, called without an
// instance (TWinModule::BlendColour(50, a, b)). They live below the application so that the
// display can use them too.

class TWinModule {
public:
    TWinModule() = delete;

    /// Copies the whole of source into destination. fill: stretched over all of destination.
    /// Otherwise destination is first painted with its brush colour and source is scaled by
    /// min(destination height / source height, destination width / source width), its sizes
    /// truncated, and centred with the offsets halved toward zero. halftone: area-averaging
    /// resampling, else nearest pixel. An empty source leaves the destination only painted.
    static void StretchCopy(TBitmap& destination, const TBitmap& source, bool halftone, bool fill);

    /// Rounds half away from zero: x > 0 gives trunc(x + 0.5), otherwise trunc(x - 0.5).
    /// Values beyond the int range give the nearest end of the range; NaN gives 0.
    static int NearestInt(double x);

    /// Per channel (red, green, blue): trunc((100 - p) x 0.01 x B + p x A x 0.01), p being the
    /// share of A in percent, clamped into 0..100. The result is opaque.
    static QRgb BlendColour(int percent, QRgb a, QRgb b);
};
