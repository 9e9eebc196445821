#pragma once

// Where a radar gate lies: its height above the radar and its distance along the ground under
// the 4/3 effective Earth radius model (the usual model of beam propagation in radar
// meteorology), and the latitude and longitude a ground distance and bearing lead to.

/// Mean radius of the Earth (IUGG), metres.
inline constexpr double kEarthRadiusM = 6371008.8;
/// Radius of the effective Earth that bends a standard-atmosphere beam into a straight line.
inline constexpr double kEffectiveEarthRadiusM = kEarthRadiusM * 4.0 / 3.0;

/// Height above the radar of the beam centre at `slantRangeM` along a beam leaving at
/// `elevationDeg`: sqrt(r² + R² + 2 r R sin e) − R with R the effective Earth radius.
double BeamHeightM(double slantRangeM, double elevationDeg);

/// Distance along the Earth's surface from the radar to the point below the beam centre at
/// `slantRangeM`: R × asin(r cos e ÷ (R + h)) with R the effective Earth radius.
double BeamGroundDistanceM(double slantRangeM, double elevationDeg);

struct LatLon {
    double latitude = 0.0;  // degrees, north positive
    double longitude = 0.0; // degrees, east positive, in [−180, 180)
};

/// The point `distanceM` from `start` along the great circle leaving at `bearingDeg` (clockwise
/// from north), on a sphere of the mean Earth radius:
/// φ2 = asin(sin φ1 cos δ + cos φ1 sin δ cos θ), λ2 = λ1 + atan2(sin θ sin δ cos φ1, cos δ − sin φ1 sin φ2).
LatLon DestinationPoint(const LatLon& start, double bearingDeg, double distanceM);
