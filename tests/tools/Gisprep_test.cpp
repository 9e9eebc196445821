#include "files/Cachefolder.h"
#include "gis/Preparedgeodata.h"
#include "tests/common/Scratchdir.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace {

struct GisprepRun {
    int code = -1;
    std::string errors;
};

GisprepRun Gisprep(const ScratchDir& dir, const std::string& arguments) {
    const std::string command = std::string(NIMBROOK_GISPREP) + " " + arguments + " 2>'" + dir.File("errors") + "'";
    const int status = std::system(command.c_str());
    std::ifstream in(dir.File("errors"));
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(std::istreambuf_iterator<char>(in), {})};
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

TEST(Gisprep, FilesGdalCannotTakeGetTheirCodeAndOneLineOnStderr) {
    ScratchDir dir;
    Write(dir.File("text.tif"), "no raster");
    Write(dir.File("broken.geojson"), "{ no json");
    // A layer without a coordinate system: a CSV of points GDAL reads as vector data.
    Write(dir.File("plain.csv"), "x,y\n1,2\n");
    struct Case {
        std::string arguments;
        std::string file;
        int code;
        const char* reason;
    };
    const Case cases[] = {
        {"check raster", dir.File("text.tif"), 2, "GDAL cannot read it as a raster"},
        {"check vector", dir.File("broken.geojson"), 2, "GDAL cannot read it as a vector file"},
        {"check vector", dir.File("missing.shp"), 2, "GDAL cannot read it as a vector file"},
        {"check vector", dir.File("plain.csv"), 3, "has no coordinate system"},
        {"vector", dir.File("plain.csv") + "' --size 10x10 --box 36,139,35,140 --out '" + dir.File("e"), 3,
         "has no coordinate system"},
    };
    for (const Case& c : cases) {
        const GisprepRun run = Gisprep(dir, c.arguments + " '" + c.file + "'");
        EXPECT_EQ(run.code, c.code) << c.arguments;
        const std::string file = c.file.substr(0, c.file.find('\''));
        EXPECT_EQ(run.errors.rfind("nimbrook-gisprep: " + file + ": ", 0), 0U) << run.errors;
        EXPECT_NE(run.errors.find(c.reason), std::string::npos) << run.errors;
        EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << "one line";
    }
    EXPECT_FALSE(std::ifstream(dir.File("e")).good()) << "nothing written on failure";
    EXPECT_EQ(Gisprep(dir, "basemap x --size 0x10 --out e").code, 1);
}

TEST(Gisprep, APolygonBecomesItsRingClippedToTheBoxAndAPointKeepsItsName) {
    ScratchDir dir;
    Write(dir.File("shapes.geojson"), R"({"type":"FeatureCollection","features":[
      {"type":"Feature","properties":{"NAME":"Peak"},"geometry":{"type":"Point","coordinates":[139.5,35.5]}},
      {"type":"Feature","properties":{"name":"Far"},"geometry":{"type":"Point","coordinates":[150,35.5]}},
      {"type":"Feature","properties":{},"geometry":{"type":"Polygon",
        "coordinates":[[[139.2,35.2],[139.8,35.2],[139.8,36.5],[139.2,36.5],[139.2,35.2]]]}}]})");
    const std::string entry = dir.File("entry");
    ASSERT_EQ(Gisprep(dir, "vector '" + dir.File("shapes.geojson") + "' --size 100x100 --box 36,139,35,140 --out '" +
                               entry + "'")
                  .code,
              0);
    const auto bytes = ReadCacheEntry(entry, kLargestShapesEntryBytes);
    ASSERT_TRUE(bytes);
    const auto shapes = DecodeShapes(*bytes);
    ASSERT_TRUE(shapes);
    EXPECT_EQ(shapes->box, (GeoBox{36, 139, 35, 140}));
    int points = 0;
    double northmost = -90.0;
    for (const PreparedShape& shape : shapes->shapes) {
        if (shape.kind == PreparedShape::Kind::Point) {
            ++points;
            EXPECT_EQ(shape.label, "Peak");
            continue;
        }
        for (std::size_t i = 0; i < shape.latLon.size(); i += 2) {
            northmost = std::max(northmost, shape.latLon[i]);
            EXPECT_GE(shape.latLon[i + 1], 139.2 - 1e-9);
            EXPECT_LE(shape.latLon[i + 1], 139.8 + 1e-9);
        }
    }
    EXPECT_EQ(points, 1) << "the point outside the box is left out";
    EXPECT_NEAR(northmost, 36.0, 1e-9) << "the ring is cut at the box's north edge";
}

TEST(PreparedGeoData, EntriesRoundTripAndOnesCutShortOrGrownAreRejected) {
    const PreparedPicture picture{{36, 139, 35, 140}, 3, 4, 2, 1, std::string("\1\2\3\4\5\6\7\10", 8)};
    const std::string bytes = EncodePicture(picture);
    EXPECT_EQ(DecodePicture(bytes), picture);
    EXPECT_FALSE(DecodePicture(bytes.substr(0, bytes.size() - 1)));
    EXPECT_FALSE(DecodePicture(bytes + "x"));
    PreparedShapes shapes{{36, 139, 35, 140}, {{PreparedShape::Kind::Line, {35.5, 139.5, 35.6, 139.6}, ""},
                                               {PreparedShape::Kind::Point, {35.5, 139.5}, "名前"}}};
    const std::string encoded = EncodeShapes(shapes);
    EXPECT_EQ(DecodeShapes(encoded), shapes);
    for (std::size_t cut = 0; cut < encoded.size(); cut += 7) {
        EXPECT_FALSE(DecodeShapes(encoded.substr(0, cut))) << cut;
    }
    EXPECT_FALSE(DecodeShapes(encoded + "x"));
}
