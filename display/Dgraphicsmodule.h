#pragma once

#include <QString>

class TCanvas;

// TGraphicsModule: the text primitive every label of the display is drawn with. It holds no
// state; one global instance, GraphicsModule.
//
//   canvas.SetFontColour(qRgb(0, 0, 0));           // text colour
//   canvas.SetBrushColour(qRgb(255, 255, 255));    // halo colour
//   GraphicsModule->DrawLabelText(canvas, w - 2, h - 2, text, TextRight | TextBottom | TextHalo);
//
// (x, y) is the top-left corner of the text unless the flags align it otherwise. The text
// never gets a background box; the canvas's brush and font colour are the same afterwards.

/// Alignment and outline flags of DrawLabelText.
inline constexpr int TextHCenter = 0x0001; // x is the horizontal centre
inline constexpr int TextRight = 0x0002;   // x is the right edge (ignored with TextHCenter)
inline constexpr int TextVCenter = 0x0010; // y is the vertical centre
inline constexpr int TextBottom = 0x0020;  // y is the bottom edge (ignored with TextVCenter)
inline constexpr int TextHalo = 0x8000;    // a one-pixel outline in the brush colour

class TGraphicsModule {
public:
    /// Draws one line of text at (x, y) in the canvas's font, aligned by flags; with TextHalo the
    /// text is first drawn at its eight neighbouring positions in the brush colour.
    void DrawLabelText(TCanvas& canvas, int x, int y, const QString& text, int flags) const;
};

inline TGraphicsModule* GraphicsModule = nullptr;
