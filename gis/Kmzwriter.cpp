#include "gis/Kmzwriter.h"

#include "gis/Gdalerrors.h"

#include <array>
#include <charconv>
#include <cpl_vsi.h>
#include <string_view>
#include <utility>

namespace {

std::string Degrees(double value) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return {text.data(), result.ptr};
}

std::string Escaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

/// Writes `bytes` as `member` of the zip archive at `archive` (created by the first member).
bool WriteMember(const std::string& archive, const char* member, const std::string& bytes) {
    // The braces let the archive have any name, also the converter's temporary ones.
    const std::string path = "/vsizip/{" + archive + "}/" + member;
    VSILFILE* file = VSIFOpenL(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = VSIFWriteL(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return VSIFCloseL(file) == 0 && written;
}

} // namespace

std::string OverlayKml(const KmzOverlay& overlay) {
    std::string kml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n";
    kml += "  <name>" + Escaped(overlay.name) + "</name>\n";
    kml += "  <GroundOverlay>\n    <name>" + Escaped(overlay.name) + "</name>\n";
    if (!overlay.description.empty()) {
        kml += "    <description>" + Escaped(overlay.description) + "</description>\n";
    }
    if (!overlay.timeIso.empty()) {
        kml += "    <TimeStamp><when>" + Escaped(overlay.timeIso) + "</when></TimeStamp>\n";
    }
    kml += "    <Icon><href>echo.png</href></Icon>\n    <LatLonBox>\n";
    kml += "      <north>" + Degrees(overlay.box.north) + "</north>\n";
    kml += "      <south>" + Degrees(overlay.box.south) + "</south>\n";
    kml += "      <east>" + Degrees(overlay.box.east) + "</east>\n";
    kml += "      <west>" + Degrees(overlay.box.west) + "</west>\n";
    kml += "    </LatLonBox>\n  </GroundOverlay>\n";
    // The legend at the left edge of the view, a little below its top, at its own size.
    kml += "  <ScreenOverlay>\n    <name>legend</name>\n    <Icon><href>legend.png</href></Icon>\n"
           "    <overlayXY x=\"0\" y=\"1\" xunits=\"fraction\" yunits=\"fraction\"/>\n"
           "    <screenXY x=\"5\" y=\"0.95\" xunits=\"pixels\" yunits=\"fraction\"/>\n"
           "    <size x=\"0\" y=\"0\" xunits=\"pixels\" yunits=\"pixels\"/>\n  </ScreenOverlay>\n";
    kml += "</Document>\n</kml>\n";
    return kml;
}

std::string WriteKmz(const KmzOverlay& overlay, const std::string& path) {
    const TGdalErrors errors;
    const std::array<std::pair<const char*, const std::string*>, 3> members = {{
        {"doc.kml", nullptr},
        {"echo.png", &overlay.echoPng},
        {"legend.png", &overlay.legendPng},
    }};
    const std::string kml = OverlayKml(overlay);
    for (const auto& [member, bytes] : members) {
        if (!WriteMember(path, member, bytes != nullptr ? *bytes : kml)) {
            VSIUnlink(path.c_str());
            return errors.FirstOr(std::string("cannot write ") + member + " into the archive");
        }
    }
    return {};
}
