#include "files/Decimate.h"

#include <algorithm>

void DecimateRay(const std::uint16_t* source, int sourceCount, int outputCount, std::uint16_t* output) {
    const double binSize = static_cast<double>(sourceCount) / outputCount;
    int a = 0;
    for (int i = 0; i < outputCount; ++i) {
        // The bin ends are rounded by adding one half and truncating, halves upwards, on purpose.
        int b = static_cast<int>(binSize * (i + 1) + 0.5); // NOLINT(bugprone-incorrect-roundings)
        if (b > sourceCount) {
            b = sourceCount;
        }
        if (a >= sourceCount) {
            a = sourceCount - 1;
        }
        if (a < 0) {
            output[i] = 0;
        } else {
            output[i] = a + 1 < b ? source[a + (b - a) / 2] : source[a];
        }
        a = b;
    }
}

SweepFit FitSweepToDisplay(int gateCount, double gateSpacingM, double displayRadiusMetres) {
    SweepFit fit{gateCount, kDisplaySamples, 0.0};
    double dataRange = gateCount * gateSpacingM;
    if (!(dataRange > 0.0)) {
        dataRange = 50000.0;
    }
    if (displayRadiusMetres > 0.0) {
        if (displayRadiusMetres <= dataRange) {
            if (gateSpacingM > 0.0) {
                fit.gatesUsed = std::min(gateCount, static_cast<int>(displayRadiusMetres / gateSpacingM));
            }
        } else {
            fit.samples = static_cast<int>(dataRange / displayRadiusMetres * kDisplaySamples);
        }
        fit.rangeMetres = displayRadiusMetres;
    } else {
        fit.rangeMetres = dataRange;
    }
    return fit;
}
