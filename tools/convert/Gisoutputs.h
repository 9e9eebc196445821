#pragma once

#include "files/Gateprobe.h"
#include "files/Productkind.h"
#include "files/Sweepdatasource.h"
#include "gis/Sweepgrid.h"

#include <memory>
#include <string>

class QGuiApplication;

// The converter's GIS outputs of one loaded sweep: a GeoTIFF of the values the cursor readout
// shows, or a KMZ of the echo picture over its geographic box. Both take from the viewer's
// settings what the viewer's picture takes: the display radius, the azimuth offset for files that
// give none and (KMZ) the product shown.

/// What the GIS outputs take from the settings and the command line.
struct TGisSettings {
    double displayRadiusM = 0.0; // the Scale setting; 0: the whole data range
    std::string azOffsetText;    // the AzOffset setting
    ProductKind product = ProductKind::R;
    double cellM = 0.0; // --cell-m; 0: 250 m, or the gate spacing where that is coarser
};

/// The settings of the file `settingsFile` (empty: the viewer's own, `viewerPath` names it), read
/// as the viewer reads them at start-up (its backup when the file cannot be read, the defaults when
/// neither can), without writing or removing anything.
TGisSettings ReadGisSettings(const std::string& settingsFile, const std::string& viewerPath, double cellM);

/// The default cell side of a GeoTIFF.
inline constexpr double kDefaultCellM = 250.0;
/// The side of a KMZ's echo picture, in pixels: the echo circle is then 450 pixels in radius.
inline constexpr int kOverlaySide = 1000;

class TGisOutputs {
public:
    explicit TGisOutputs(TGisSettings settings);
    ~TGisOutputs();
    TGisOutputs(const TGisOutputs&) = delete;
    TGisOutputs& operator=(const TGisOutputs&) = delete;

    /// Why the GeoTIFF of `sweep` (read from `inputPath`) is not made: a range-height scan has no
    /// plan-position values. Empty when it can be made.
    static std::string GeoTiffRefusal(const SweepData& sweep, const std::string& inputPath);
    /// Writes the GeoTIFF of `sweep` (read from `inputPath`, not refused) to `path`. Returns an
    /// empty text, or what failed.
    std::string WriteGeoTiff(SweepData sweep, const std::string& inputPath, const std::string& path);
    /// Writes the KMZ overlay of `sweep` to `path`; an empty text, or what failed.
    std::string WriteKmz(SweepData sweep, const std::string& inputPath, const std::string& path);

private:
    TGisSettings settings_;
    // The KMZ's labels need a GUI application; made with the first KMZ when the process has none.
    int argc_ = 1;
    char program_[17] = "nimbrook-convert";
    char* argv_[2] = {program_, nullptr};
    std::unique_ptr<QGuiApplication> application_;
    TSweepDataSource source_;
    TGateProbe probe_;
    TSweepGrid grid_; // kept from file to file while the geometry stays
};
