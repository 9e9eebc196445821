// Rasters and vector files chosen in the viewer are checked by the helper beside it: what GDAL
// cannot read, or what has no coordinate system, gets an error box and is not stored.
#include "app/Gisinputs.h"
#include "app/Settingsaccess.h"
#include "display/Dimageechodrawmodule.h"
#include "settings/Maplayers.h"
#include "tests/app/Appfixture.h"

#include <QElapsedTimer>
#include <QImage>
#include <cstdlib>

namespace {

class GisInputs : public AppFixture {
protected:
    void SetUp() override {
        std::filesystem::create_symlink(NIMBROOK_GISPREP,
                                        dir.File("nimbrook-gisprep")); // installed beside it
        Start();
    }

    /// Lets the helper's runs end and their answers arrive.
    void WaitForHelper() {
        QElapsedTimer timer;
        timer.start();
        while (FormMain->GisInputs().Service().Running() > 0 && timer.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        Settle();
    }

    std::string Setting(std::string SettingsRecord::*field) {
        const TSettingsAccess settings(*IniFileModule);
        return (*settings).*field;
    }

    std::string WriteFile(const std::string& name, const std::string& bytes) {
        std::ofstream(dir.File(name), std::ios::binary) << bytes;
        return dir.File(name);
    }

    /// A GeoTIFF of a small picture; without coordinates when `placed` is false.
    std::string WriteRaster(const std::string& name, bool placed) {
        QImage picture(20, 20, QImage::Format_RGB32);
        picture.fill(qRgb(20, 120, 40));
        picture.save(QString::fromStdString(dir.File("picture.png")));
        const std::string georef = placed ? "-a_srs EPSG:4326 -a_ullr 139 36 140 35 " : "";
        EXPECT_EQ(std::system(("gdal_translate -q " + georef + "'" + dir.File("picture.png") + "' '" +
                               dir.File(name) + "'")
                                  .c_str()),
                  0);
        return dir.File(name);
    }
};

const std::string kLine = R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{},
  "geometry":{"type":"LineString","coordinates":[[139.5,35.6],[139.9,35.7]]}}]})";

} // namespace

TEST_F(GisInputs, ARasterGdalCannotReadOrWithoutCoordinatesIsRefusedWithABoxAndNotStored) {
    struct Case {
        std::string path;
        const char* reason;
    };
    const Case cases[] = {{WriteFile("text.tif", "no raster here"), "GDAL で読めないファイルです。"},
                          {WriteRaster("unplaced.tif", false), "座標系が定義されていないため"}};
    for (const Case& c : cases) {
        dialogs.errorBoxes.clear();
        dialogs.fileAnswers.push_back({true, {QString::fromStdString(c.path)}});
        FormMain->MainMenuDispMap->trigger();
        WaitForHelper();
        ASSERT_EQ(dialogs.errorBoxes.size(), 1u) << c.path;
        EXPECT_TRUE(dialogs.errorBoxes[0].startsWith(QString::fromStdString(c.path) + "\r\n\r\n地図画像: "));
        EXPECT_TRUE(dialogs.errorBoxes[0].contains(QString::fromUtf8(c.reason)))
            << dialogs.errorBoxes[0].toStdString();
        EXPECT_TRUE(dialogs.errorBoxes[0].contains("nimbrook-gisprep: ")) << "the helper's own line";
        EXPECT_EQ(Setting(&SettingsRecord::map), "");
    }
    const std::string placed = WriteRaster("placed.tif", true);
    dialogs.fileAnswers.push_back({true, {QString::fromStdString(placed)}});
    FormMain->MainMenuDispMap->trigger();
    WaitForHelper(); // the check, then the warp of the raster's own extent
    WaitForHelper();
    EXPECT_EQ(dialogs.errorBoxes.size(), 1u) << "no box for the placed raster";
    EXPECT_EQ(Setting(&SettingsRecord::map), placed);
    EXPECT_TRUE(ImageEchoDrawModule->MapPlaced());
}

TEST_F(GisInputs, AVectorFileGdalCannotReadIsLeftOutOfTheLayersAndTheOthersAreStored) {
    const std::string good = WriteFile("line.geojson", kLine);
    const std::string bad = WriteFile("broken.geojson", "{ not json");
    FormMain->GisInputs().ApplyLayers({{good, 0xff0000, 2.0}, {bad, 0x00ff00, 1.0}});
    WaitForHelper();
    ASSERT_EQ(dialogs.errorBoxes.size(), 1u);
    EXPECT_TRUE(dialogs.errorBoxes[0].startsWith(QString::fromStdString(bad) +
                                                 "\r\n\r\n地図レイヤ: GDAL で読めないファイルです。"));
    EXPECT_EQ(Setting(&SettingsRecord::layers), "#ff0000 2 " + good);
    ASSERT_EQ(ImageEchoDrawModule->MapLayers().size(), 1u);
    EXPECT_EQ(ImageEchoDrawModule->MapLayers()[0].path, good);
}
