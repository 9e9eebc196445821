#pragma once

#include "files/Gatecodec.h"
#include "render/Colourscales.h"

#include <QRgb>

class TBitmap;

// Drawing of the colour legend strip of a product into the legend bitmap, shared by the main
// window's frame pipeline and the command-line renderer.

/// Size of the legend bitmap and its key colour (red 0x56, green 0x34, blue 0x12), which fills
/// everything but the colour boxes and the labels.
inline constexpr int kLegendWidth = 50;
inline constexpr int kLegendHeight = 600;
inline constexpr QRgb kLegendKeyColour = 0xFF563412;

/// Draws the strip of the product whose threshold table is `thresholds` and whose colour scale
/// starts at `firstIndex` of `table` into `legend`: a 50 x 600 bitmap filled with the key colour
/// (and marked transparent with it); one box per level from the highest at the top, each
/// (0, q x h) .. (8, q x h + h + 1) outlined in 0x303030 and filled with its level's colour (the
/// key colour for a transparent level), h = 50 for up to 10 boundaries, else 25; between
/// neighbouring boxes the boundary value as text (10-point bold, non-antialiased, white with a
/// 0x303030 halo), left edge at x = 10, bottom on the boxes' common edge.
void DrawLegendStrip(TBitmap& legend, const ThresholdTable& thresholds, int firstIndex,
                     const CombinedColourTable& table);
