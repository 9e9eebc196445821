// Basemaps and vector layers through the real helper program, and the map background's cache.
#include "display/Dimageechodrawmodule.h"
#include "files/Cachefolder.h"
#include "render/Colourscales.h"
#include "tests/common/Scratchdir.h"

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

/// Runs the helper for every request and waits for it, as the viewer's batch mode does.
class HelperSource final : public TGeoDataSource {
public:
    explicit HelperSource(const ScratchDir& dir) : entry_(dir.File("entry")) {}

    std::optional<PreparedPicture> Basemap(const std::string& path, const GeoBox* box, int width,
                                           int height) override {
        std::string command = std::string(NIMBROOK_GISPREP) + " basemap '" + path + "' --size " +
                              std::to_string(width) + "x" + std::to_string(height) + " --out '" + entry_ +
                              "'";
        if (box != nullptr) {
            command += " --box " + BoxText(*box);
        }
        if (std::system(command.c_str()) != 0) {
            return std::nullopt;
        }
        auto bytes = ReadCacheEntry(entry_, kLargestPictureEntryBytes);
        return bytes ? DecodePicture(std::move(*bytes)) : std::nullopt;
    }
    std::optional<PreparedShapes> VectorLayer(const std::string& path, const GeoBox& box, int width,
                                              int height) override {
        const std::string command = std::string(NIMBROOK_GISPREP) + " vector '" + path + "' --size " +
                                    std::to_string(width) + "x" + std::to_string(height) + " --box " +
                                    BoxText(box) + " --out '" + entry_ + "'";
        if (std::system(command.c_str()) != 0) {
            return std::nullopt;
        }
        const auto bytes = ReadCacheEntry(entry_, kLargestShapesEntryBytes);
        return bytes ? DecodeShapes(*bytes) : std::nullopt;
    }

private:
    static std::string BoxText(const GeoBox& box) {
        char text[200];
        std::snprintf(text, sizeof text, "%.17g,%.17g,%.17g,%.17g", box.north, box.west, box.south, box.east);
        return text;
    }
    std::string entry_;
};

void Prepare(TImageEchoDrawModule& display, int side) {
    display.SetColourTables(BuildCombinedColourTable());
    ASSERT_TRUE(display.InitEchoImage(side, side, 50000.0, 300));
}

/// A black picture with a white 8 x 8 block at (x, y).
void WriteMarkedPicture(const std::string& path, int width, int height, int x, int y) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int dy = 0; dy < 8; ++dy) {
        for (int dx = 0; dx < 8; ++dx) {
            image.setPixel(x + dx, y + dy, qRgb(255, 255, 255));
        }
    }
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

/// Centre of the bright pixels of a bitmap (x, y); (-1, -1) without any.
std::pair<double, double> BrightCentre(const TBitmap& bitmap) {
    double sumX = 0.0;
    double sumY = 0.0;
    double weight = 0.0;
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            const double w = qGray(bitmap.Pixel(x, y));
            sumX += w * (x + 0.5);
            sumY += w * (y + 0.5);
            weight += w;
        }
    }
    return weight > 0.0 ? std::pair{sumX / weight, sumY / weight} : std::pair{-1.0, -1.0};
}

QImage Copy(const TBitmap& bitmap) {
    return bitmap.Image().copy();
}

const std::string kMapName = "N03600000E13900000N03500000E14000000"; // 36° N 139° E to 35° N 140° E

} // namespace

TEST(GeoBasemap, AWebMercatorRasterLandsWhereTheNamedPictureOfTheSameBoxLands) {
    ScratchDir dir;
    const std::string named = dir.File(kMapName + ".png");
    WriteMarkedPicture(named, 400, 400, 230, 170);
    const std::string plain = dir.File("plain.tif");
    const std::string mercator = dir.File("mercator.tif");
    ASSERT_EQ(
        std::system(("gdal_translate -q -a_srs EPSG:4326 -a_ullr 139 36 140 35 '" + named + "' '" + plain +
                     "' && gdalwarp -q -r bilinear -t_srs EPSG:3857 '" + plain + "' '" + mercator + "'")
                        .c_str()),
        0);

    TImageEchoDrawModule byName;
    Prepare(byName, 240);
    ASSERT_TRUE(byName.LoadMapPicture(named));
    byName.SetRadarPosition(35.55, 139.45);

    HelperSource helper(dir);
    TImageEchoDrawModule warped;
    Prepare(warped, 240);
    warped.SetGeoDataSource(&helper);
    ASSERT_TRUE(warped.LoadMapPicture(mercator));
    warped.SetRadarPosition(35.55, 139.45);

    const auto [nx, ny] = BrightCentre(byName.EchoBitmap());
    const auto [wx, wy] = BrightCentre(warped.EchoBitmap());
    ASSERT_GT(nx, 0.0);
    EXPECT_NEAR(wx, nx, 1.0);
    EXPECT_NEAR(wy, ny, 1.0);
    EXPECT_TRUE(warped.MapPlaced());
}

TEST(GeoLayers, LinesAtKnownCoordinatesLandOnTheirPixelsOverTheEcho) {
    ScratchDir dir;
    // A parallel 0.2° north of the radar and a meridian 0.3° east of it, then a triangle.
    std::ofstream(dir.File("lines.geojson")) << R"({"type":"FeatureCollection","features":[
      {"type":"Feature","properties":{},"geometry":{"type":"LineString","coordinates":[[138,35.7],[141,35.7]]}},
      {"type":"Feature","properties":{},"geometry":{"type":"LineString","coordinates":[[139.8,34],[139.8,37]]}}]})";
    HelperSource helper(dir);
    TImageEchoDrawModule display;
    Prepare(display, 300);
    display.SetGeoDataSource(&helper);
    display.SetMapLayers({{dir.File("lines.geojson"), qRgb(255, 0, 0), 1.0}});
    display.SetRadarPosition(35.5, 139.5);
    TBitmap frame(300, 300);
    display.ComposeFrame(frame);

    GeoPoint northWest;
    GeoPoint southEast;
    display.ComputeViewBox(35.5, 139.5, northWest, southEast);
    const double y = (northWest.latitude - 35.7) / (northWest.latitude - southEast.latitude) * 300.0;
    const double x = (139.8 - northWest.longitude) / (southEast.longitude - northWest.longitude) * 300.0;
    const auto reddest = [&](bool alongColumn, int at) {
        int best = -1;
        int bestRed = 0;
        for (int i = 0; i < 300; ++i) {
            const QRgb pixel = alongColumn ? frame.Pixel(at, i) : frame.Pixel(i, at);
            if (qRed(pixel) - qGreen(pixel) > bestRed) {
                bestRed = qRed(pixel) - qGreen(pixel);
                best = i;
            }
        }
        return best + 0.5;
    };
    EXPECT_NEAR(reddest(true, 20), y, 1.0);  // the parallel, in a column at the left
    EXPECT_NEAR(reddest(false, 20), x, 1.0); // the meridian, in a row at the top
    EXPECT_EQ(display.LayerOverlayBuilds(), 1);
    display.ComposeFrame(frame);
    EXPECT_EQ(display.LayerOverlayBuilds(), 1) << "the overlay is kept for the same view and size";
}

TEST(MapBackgroundCache, ASecondRunReadsThePreparedPartAndAChangedFileOrABadEntryIsBuiltAgain) {
    ScratchDir dir;
    const std::string map = dir.File(kMapName + ".png");
    WriteMarkedPicture(map, 400, 400, 100, 100);
    const auto show = [&](int expectedScaled) {
        TImageEchoDrawModule display;
        Prepare(display, 200);
        EXPECT_TRUE(display.LoadMapPicture(map));
        display.SetRadarPosition(35.5, 139.5);
        QImage shown = Copy(display.EchoBitmap());
        EXPECT_EQ(display.BackgroundsScaled(), expectedScaled);
        return shown;
    };
    const QImage first = show(1);
    EXPECT_EQ(show(0), first) << "read back, pixel for pixel";

    WriteMarkedPicture(map, 401, 400, 300, 300); // another picture in the same file
    const QImage changed = show(1);
    EXPECT_NE(changed, first);

    for (const auto& entry : std::filesystem::directory_iterator(UserCacheFolder("backgrounds"))) {
        if (entry.path().extension() == ".bg") {
            std::ofstream(entry.path(), std::ios::binary | std::ios::trunc) << "NBPIC001 cut short";
        }
    }
    EXPECT_EQ(show(1), changed);
    EXPECT_EQ(show(0), changed);
}
