#pragma once

#include <string>

// A KMZ overlay: doc.kml with a ground overlay of a picture over a latitude-longitude box and a
// screen overlay of a legend, zipped with both pictures by GDAL's /vsizip/ file system.

/// The geographic box a picture covers, degrees (north and east positive).
struct LatLonBox {
    double north = 0.0;
    double south = 0.0;
    double east = 0.0;
    double west = 0.0;
};

/// What the overlay holds.
struct KmzOverlay {
    std::string name;        // of the document and the overlay
    std::string description; // a line shown with the overlay
    std::string timeIso;     // "2025-07-12T15:30:00Z" as the overlay's time stamp; empty: none
    LatLonBox box;
    std::string echoPng;   // PNG bytes, transparent where there is no echo
    std::string legendPng; // PNG bytes
};

/// The KML document of the overlay; the pictures are named "echo.png" and "legend.png".
std::string OverlayKml(const KmzOverlay& overlay);

/// Writes the KMZ archive at `path` (doc.kml first, then the two pictures). Returns an empty text,
/// or what failed; a failed archive is removed.
std::string WriteKmz(const KmzOverlay& overlay, const std::string& path);
