#include "display/Srhiscale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

double SrhiKmPerPixel(double rangeKm, int panelWidth, int panelHeight) {
    const int side = std::min(panelWidth, panelHeight);
    const double cos45 = std::cos(std::numbers::pi / 4.0);
    return side > 0 ? cos45 * rangeKm / side : HUGE_VAL;
}

bool UpdateSrhiScaleState(SrhiScaleState& state, double rangeKm, int srhiMode, int panelWidth,
                          int panelHeight) {
    if (rangeKm > 0 && rangeKm != state.scaleRangeKm) {
        state.scaleRangeKm = rangeKm;
        state.scalesDirty = true;
    }
    if (srhiMode >= 0 && srhiMode != state.scaleMode) {
        state.scaleMode = srhiMode;
        state.scalesDirty = true;
    }
    const double kmPerPixel = SrhiKmPerPixel(state.scaleRangeKm, panelWidth, panelHeight);
    if (kmPerPixel != state.kmPerPixel) {
        state.kmPerPixel = kmPerPixel;
        state.scalesDirty = true;
    }
    return state.scalesDirty;
}

double SrhiTickStepKm(double kmPerPixel) {
    const double kmPer50Px = kmPerPixel * 50.0;
    if (kmPer50Px < 0.1) {
        return 0.1;
    }
    if (kmPer50Px < 1.0) {
        return 1.0;
    }
    if (kmPer50Px < 2.0) {
        return 2.0;
    }
    if (kmPer50Px < 5.0) {
        return 5.0;
    }
    if (kmPer50Px < 10.0) {
        return 10.0;
    }
    return 20.0;
}

std::string SrhiTickLabel(double distanceKm, double stepKm) {
    // to_chars ignores the C locale, which a Qt application takes from the environment.
    char text[64];
    const int decimals = stepKm < 1.0 ? 1 : 0;
    const auto result =
        std::to_chars(text, text + sizeof text, distanceKm, std::chars_format::fixed, decimals);
    return result.ec == std::errc{} ? std::string(text, result.ptr) : std::string();
}

std::vector<SrhiTick> SrhiTicks(int originPx, int direction, bool negativeLabels, double stepKm,
                                double kmPerPixel, int lowestPx, int highestPx) {
    std::vector<SrhiTick> ticks;
    if (!(stepKm / kmPerPixel >= 1.0)) {
        return ticks;
    }
    for (int i = 1;; ++i) {
        const double distanceKm = i * stepKm;
        // Compared before the conversion, so that no far position overflows an int.
        const double position = std::trunc(originPx + direction * distanceKm / kmPerPixel);
        if (position > highestPx || position < lowestPx) {
            break;
        }
        ticks.push_back(
            {static_cast<int>(position), SrhiTickLabel(negativeLabels ? -distanceKm : distanceKm, stepKm)});
    }
    return ticks;
}

SrhiPointKm SrhiPanelPointKm(const SrhiScaleState& state, int panelWidth, int panelHeight, int x, int y) {
    const int originX = state.scaleMode == 0 ? 0 : panelWidth / 2;
    return {(x + 0.5 - originX) * state.kmPerPixel, (panelHeight - (y + 0.5)) * state.kmPerPixel};
}
