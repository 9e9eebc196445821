#include "files/Beamgeometry.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

double Dms(double degrees, double minutes, double seconds) {
    return degrees + minutes / 60.0 + seconds / 3600.0;
}

// The textbook approximation of the 4/3-Earth height, h ≈ r sin e + r² / (2 × 4/3 × a), agrees
// with the exact formula to well under a metre within 100 km.
TEST(BeamGeometry, HeightOnTheFourThirdsEarth) {
    const double a = 6371008.8;
    for (const double elevationDeg : {0.0, 0.5, 1.0}) {
        const double r = 100000.0;
        const double approx =
            r * std::sin(elevationDeg * std::numbers::pi / 180.0) + r * r / (2.0 * 4.0 / 3.0 * a);
        EXPECT_NEAR(BeamHeightM(r, elevationDeg), approx, 0.5) << elevationDeg;
    }
    // Worked example: 100 km at 0.5° gives 1.46 km above the radar.
    EXPECT_NEAR(BeamHeightM(100000.0, 0.5), 1461.1, 0.1);
    EXPECT_DOUBLE_EQ(BeamHeightM(0.0, 0.5), 0.0);
    EXPECT_NEAR(BeamHeightM(12000.0, 90.0), 12000.0, 1e-6);
}

TEST(BeamGeometry, GroundDistanceBelowTheBeam) {
    EXPECT_NEAR(BeamGroundDistanceM(100000.0, 0.5), 99981.3, 0.1);
    EXPECT_NEAR(BeamGroundDistanceM(1000.0, 0.0), 1000.0, 0.01);
    EXPECT_NEAR(BeamGroundDistanceM(5000.0, 90.0), 0.0, 1e-6);
}

// The worked example of the spherical destination-point formula: from 53°19′14″N 001°43′47″W on
// a bearing of 096°01′18″ for 124.8 km lies 53°11′18″N 000°08′00″E (to the arc second).
TEST(BeamGeometry, DestinationPointWorkedExample) {
    const LatLon end = DestinationPoint({Dms(53, 19, 14), -Dms(1, 43, 47)}, Dms(96, 1, 18), 124800.0);
    EXPECT_NEAR(end.latitude, Dms(53, 11, 18), 0.5 / 3600.0);
    EXPECT_NEAR(end.longitude, Dms(0, 8, 0), 0.5 / 3600.0);
}

TEST(BeamGeometry, DestinationAcrossTheDateLine) {
    const LatLon end = DestinationPoint({0.0, 179.9}, 90.0, 2.0 * 111195.0 * 0.1);
    EXPECT_NEAR(end.latitude, 0.0, 1e-9);
    EXPECT_NEAR(end.longitude, -179.9, 1e-4);
}

} // namespace
