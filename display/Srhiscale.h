#pragma once

#include <string>
#include <vector>

// The arithmetic of the vertical-section window's two scales (range along the bottom, height up
// the left), kept free of any drawing so that it can be checked on its own: the scale state and
// when it asks for a redraw, the tick step, the tick labels and the tick positions.

/// What the scales were last drawn for; both scales are redrawn while `scalesDirty` is set.
struct SrhiScaleState {
    bool scalesDirty = true;
    double scaleRangeKm = 50.0;
    /// The window's display mode (0 = 90°, 1 = 180°) the scales were last drawn for.
    double scaleMode = 0;
    double kmPerPixel = 0;
    int tickLength = 5;
};

/// Kilometres per echo-panel pixel, cos 45° × rangeKm ÷ min(width, height): the range spans the
/// diagonal of the panel's smaller square. Infinite for a panel without area.
double SrhiKmPerPixel(double rangeKm, int panelWidth, int panelHeight);

/// Takes a new range (only when above 0; 0 keeps the last one), the window's mode (when ≥ 0)
/// and the echo panel's size into `state`, setting `scalesDirty` when any of them changes what the
/// scales show. Returns the resulting `scalesDirty`.
bool UpdateSrhiScaleState(SrhiScaleState& state, double rangeKm, int srhiMode, int panelWidth,
                          int panelHeight);

/// Tick step in km from v, the kilometres 50 pixels cover: v < 0.1 → 0.1, < 1 → 1, < 2 → 2,
/// < 5 → 5, < 10 → 10, otherwise 20.
double SrhiTickStepKm(double kmPerPixel);

/// Label of a tick at `distanceKm`: one decimal ("0.1") when the step is below 1 km, else none
/// ("10", "-10"); always with '.' whatever the process locale.
std::string SrhiTickLabel(double distanceKm, double stepKm);

/// One tick of a scale: its pixel position along the scale and its label.
struct SrhiTick {
    int positionPx = 0;
    std::string label;
};

/// The ticks at d = s, 2s, 3s, … km from the pixel `originPx`, going in `direction` (+1: to
/// larger pixel positions, −1: to smaller ones, with the labels then negative when
/// `negativeLabels` is set): position trunc(originPx + direction × d ÷ kmPerPixel), stopping at the
/// first position beyond [lowestPx, highestPx]. Ticks less than one pixel apart are not made at all
/// (nothing could be read from them, and an absurd range would ask for millions of them).
std::vector<SrhiTick> SrhiTicks(int originPx, int direction, bool negativeLabels, double stepKm,
                                double kmPerPixel, int lowestPx, int highestPx);

/// A point of the echo panel measured as the scales measure it, in km from the radar.
struct SrhiPointKm {
    double distanceKm = 0.0; // along the bottom, negative left of the radar
    double heightKm = 0.0;
};

/// The centre of pixel (x, y) of an echo panel of panelHeight rows, for the scales in `state`: the
/// radar sits on the bottom edge, at the left end for mode 0 (90°) and at panelWidth / 2 for the
/// 180° display.
SrhiPointKm SrhiPanelPointKm(const SrhiScaleState& state, int panelWidth, int panelHeight, int x, int y);
