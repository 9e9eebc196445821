#pragma once

#include "display/Dimageechodrawmodule.h"
#include "files/Productkind.h"
#include "platform/Bitmap.h"
#include "render/Sweeppipeline.h"

#include <optional>
#include <string>

class TSweepSource;

// The main picture of one scan file without the GUI, made by the viewer's own modules in the
// frame pipeline's order: reader -> rays fitted to the display's 300 samples -> colour levels
// against the product's thresholds -> the composite display (map, echo, rings, legend, labels).

namespace sweeprender {

struct RenderOptions {
    std::string scanPath;
    ProductKind product = ProductKind::R;
    std::string mapPath;                   // empty: no map
    std::optional<double> displayRadiusKm; // none: the file's whole data range
    int width = 719;                       // echo image and picture size
    int height = 719;
    bool smallDevice = false;               // the 54-byte header layout for versions 1 and 2
    int sweep = -1;                         // of a file of several sweeps: its index, -1 the lowest elevation
    std::optional<double> azimuthOffsetDeg; // none: the file's own offset, 0 when it gives none
};

/// What a render did.
struct RenderResult {
    bool ok = false;
    std::string message; // the failure, or a one-line summary of the picture
    bool mapLoaded = false;
    bool mapPlaced = false;
};

/// The viewer's display modules a render draws with: the frame pipeline, the composite display
/// (colour tables of the viewer, echo opacity 255) and the product's legend strip.
struct SweepDisplay {
    SweepDisplay();
    SweepPipeline pipeline;
    TImageEchoDrawModule display;
    TBitmap legend;
};

/// Draws the sweep `source` has open, as `info` describes it, into `modules`: an echo image of the
/// square of the larger of width and height, the map of mapPath, the legend, the date-time label.
/// Fails (ok false, message set) when the file lacks the product's array, a ray cannot be read
/// or the size is not positive.
RenderResult DrawSweep(const RenderOptions& options, TSweepSource& source, ScanInfo& info,
                       SweepDisplay& modules);

/// Renders the sweep into `picture` (resized to width x height). Fails (ok false, message set,
/// picture untouched) when the file does not open (the reader's error text), lacks the
/// product's array, a ray cannot be read, or the size is not positive.
RenderResult RenderSweepPicture(const RenderOptions& options, TBitmap& picture);

/// Saves the picture as PNG, or as JPEG when the path ends in ".jpg" or ".jpeg" (any case).
/// Returns false when the file cannot be written.
bool SavePicture(const TBitmap& picture, const std::string& path);

} // namespace sweeprender
