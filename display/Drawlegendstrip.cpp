#include "display/Drawlegendstrip.h"

#include "display/Dgraphicsmodule.h"
#include "platform/Bitmap.h"
#include "render/Legendstrip.h"

namespace {

const QRgb kOutline = qRgb(0x30, 0x30, 0x30);
const QRgb kLabelColour = qRgb(255, 255, 255);

} // namespace

void DrawLegendStrip(TBitmap& legend, const ThresholdTable& thresholds, int firstIndex,
                     const CombinedColourTable& table) {
    TCanvas& canvas = legend.Canvas();
    canvas.SetFontQuality(TFontQuality::NonAntialiased);
    canvas.SetFontSize(10);
    canvas.SetFontBold(true);
    canvas.SetFontColour(kLabelColour);
    legend.SetTransparentColour(kLegendKeyColour);
    legend.SetTransparent(true);
    canvas.SetBrushStyle(TBrushStyle::Solid);
    canvas.SetBrushColour(kLegendKeyColour);
    legend.SetSize(kLegendWidth, kLegendHeight);
    canvas.FillRect({0, 0, kLegendWidth, kLegendHeight});
    canvas.SetPenWidth(1);
    canvas.SetPenColour(kOutline);

    const TGraphicsModule graphics;
    const LegendStrip strip = MakeLegendStrip(table, thresholds, firstIndex);
    const int h = strip.rowHeight;
    for (int q = 0; q < static_cast<int>(strip.rows.size()); ++q) {
        const LegendRow& row = strip.rows[static_cast<std::size_t>(q)];
        canvas.SetBrushColour(row.transparent ? kLegendKeyColour
                                              : qRgb(row.fill.red, row.fill.green, row.fill.blue));
        canvas.Rectangle(0, q * h, 8, q * h + h + 1);
        if (q > 0) {
            canvas.SetBrushColour(kOutline); // the halo takes the brush colour
            graphics.DrawLabelText(canvas, 10, q * h - canvas.TextHeight(),
                                   QString::fromStdString(row.labelAbove), TextHalo);
        }
    }
    canvas.SetBrushColour(kLegendKeyColour);
}
