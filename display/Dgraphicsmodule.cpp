#include "display/Dgraphicsmodule.h"

#include "platform/Canvas.h"

void TGraphicsModule::DrawLabelText(TCanvas& canvas, int x, int y, const QString& text, int flags) const {
    const int th = canvas.TextHeight();
    const int tw = canvas.TextWidth(text);
    if ((flags & TextVCenter) != 0) {
        y -= th / 2;
    } else if ((flags & TextBottom) != 0) {
        y -= th;
    }
    if ((flags & TextHCenter) != 0) {
        x -= tw / 2;
    } else if ((flags & TextRight) != 0) {
        x -= tw;
    }

    const TBrushStyle savedBrushStyle = canvas.BrushStyle();
    const QRgb savedBrushColour = canvas.BrushColour();
    canvas.SetBrushStyle(TBrushStyle::Clear);
    if ((flags & TextHalo) != 0) {
        const QRgb savedFontColour = canvas.FontColour();
        canvas.SetFontColour(savedBrushColour);
        static constexpr int haloOffsets[8][2] = {{-1, 1}, {-1, 0}, {-1, -1}, {0, 1},
                                                  {0, -1}, {1, 1},  {1, 0},   {1, -1}};
        for (const auto& [dx, dy] : haloOffsets) {
            canvas.TextOut(x + dx, y + dy, text);
        }
        canvas.SetFontColour(savedFontColour);
    }
    canvas.TextOut(x, y, text);
    canvas.SetBrushStyle(savedBrushStyle);
    canvas.SetBrushColour(savedBrushColour);
}
