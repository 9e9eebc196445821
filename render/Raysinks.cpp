#include "render/Raysinks.h"

#include "render/Genradarmap.h"

bool PaintPaletteRay(RadarMapGenerator& painter, const PaletteRay& ray, double azimuthDeg,
                     double elevationDeg) {
    const auto samples = static_cast<std::size_t>(painter.SamplesPerRay());
    if (ray.indices.size() < samples || ray.noDataMarks.size() < samples || ray.quality.size() < samples) {
        return false;
    }
    for (std::size_t bit = 0; bit < ray.flagModes.size(); ++bit) {
        painter.SetFlagMode(static_cast<int>(bit), ray.flagModes[bit]);
    }
    painter.DrawRay(azimuthDeg, elevationDeg, ray.indices.data(), ray.quality.data(), ray.noDataMarks.data());
    return true;
}

void PainterRaySink::ResetEchoImage() {
    painter_.InvalidateBackground();
    painter_.Present(target_);
}

bool PainterRaySink::PaintEchoRay(const PaletteRay& ray, double azimuthDeg, double elevationDeg) {
    return PaintPaletteRay(painter_, ray, azimuthDeg, elevationDeg);
}
