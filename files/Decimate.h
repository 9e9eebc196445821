#pragma once

#include <cstdint>

// Fitting a ray of gate codes (or quality words) to the samples of the display, and how much of a
// ray a display radius uses. Shared by the frame pipeline and the command-line renderer.

/// Display samples of one ray.
inline constexpr int kDisplaySamples = 300;

/// Fits `sourceCount` values to `outputCount` samples: sample i is the middle value of its bin
/// [a, b) with b = trunc(sourceCount / outputCount x (i + 1) + 0.5); values repeat when there are
/// fewer source values than samples. A source count of 0 or less gives samples of 0. Writes exactly
/// `outputCount` values (none when it is 0 or less).
void DecimateRay(const std::uint16_t* source, int sourceCount, int outputCount, std::uint16_t* output);

/// How one sweep is fitted to the display radius.
struct SweepFit {
    int gatesUsed = 0;        // gates of every ray handed to DecimateRay
    int samples = 0;          // display samples those gates fill (the rest get no data)
    double rangeMetres = 0.0; // range the picture shows
};

/// The data range is gateCount x gateSpacingM (50 km when that is not positive). A display
/// radius above 0 and within the data range uses only the gates inside it, trunc(radius /
/// gateSpacingM) (at most gateCount), over all samples; a radius beyond the data range uses every
/// gate over trunc(dataRange / radius x kDisplaySamples) samples. A radius of 0 or less shows the
/// whole data range. Without a positive gate spacing every gate is used (no division by it). The range shown
/// is the radius, or the data range for a radius of 0 or less.
SweepFit FitSweepToDisplay(int gateCount, double gateSpacingM, double displayRadiusMetres);
