#include "platform/Dwinmodule.h"

#include "files/Calcfunc.h"
#include "platform/Bitmap.h"

#include <algorithm>
#include <climits>
#include <cmath>

void TWinModule::StretchCopy(TBitmap& destination, const TBitmap& source, bool halftone, bool fill) {
    TCanvas& canvas = destination.Canvas();
    const int width = destination.Width();
    const int height = destination.Height();
    if (fill) {
        canvas.StretchDraw({0, 0, width, height}, source, halftone);
        return;
    }
    canvas.FillRect({0, 0, width, height});
    if (source.Empty()) {
        return;
    }
    const double scale =
        std::min(static_cast<double>(height) / source.Height(), static_cast<double>(width) / source.Width());
    const auto scaledWidth = static_cast<int>(source.Width() * scale);
    const auto scaledHeight = static_cast<int>(source.Height() * scale);
    const int left = (width - scaledWidth) / 2;
    const int top = (height - scaledHeight) / 2;
    canvas.StretchDraw({left, top, left + scaledWidth, top + scaledHeight}, source, halftone);
}

int TWinModule::NearestInt(double x) {
    if (std::isnan(x)) {
        return 0;
    }
    if (x >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (x <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(::NearestInt(x));
}

QRgb TWinModule::BlendColour(int percent, QRgb a, QRgb b) {
    const double p = std::clamp(percent, 0, 100);
    const auto channel = [p](int fromA, int fromB) {
        return static_cast<int>((100 - p) * 0.01 * fromB + p * fromA * 0.01);
    };
    return qRgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)), channel(qBlue(a), qBlue(b)));
}
