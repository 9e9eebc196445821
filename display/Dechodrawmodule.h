#pragma once

#include <optional>
#include <string>
#include <string_view>

// TEchoDrawModule: the map-name utility. A map picture's file name carries its geographic
// corners as four groups, letter plus DDDddddd digits (N03600000E13900000N03500000E14000000 is
// 36°N 139°E to 35°N 140°E). The module parses such names, checks them against the naming rule
// and maps geographic points to fractions of a geographic box. It holds no state and uses no
// Qt types, so any layer can reuse it; one global instance, EchoDrawModule.
//
//   double lat1, lon1, lat2, lon2;
//   if (EchoDrawModule->ParseMapFileName(path, lat1, lon1, lat2, lon2)) { ... }
//   bool warning = false;
//   const bool invalid = EchoDrawModule->CheckMapFileName(EchoDrawModule->MapName(path), warning);

/// A geographic point in degrees, north and east positive.
struct GeoPoint {
    double latitude = 0.0;
    double longitude = 0.0;
    friend bool operator==(const GeoPoint&, const GeoPoint&) = default;
};

/// Position within a geographic box: 0 at its west and north edges, 1 at its east and south edges.
struct GeoFraction {
    double x = 0.0;
    double y = 0.0;
};

class TEchoDrawModule {
public:
    /// The map name of path: its file name without folder and without its last extension.
    std::string MapName(const std::string& path) const;

    /// Parses one coordinate group from the front of text: a letter (N or E positive, W or S
    /// negative), then the digits up to the next of those letters read as DDD.ddddd (a '.' is
    /// put after the third digit; '.' is the decimal point in every locale). Returns the number
    /// of characters the group occupies and sets value; returns -1, value untouched, when the
    /// first character is no such letter or the digits do not read as a number.
    int ParseMapCoordinate(std::string_view text, double& value) const;

    /// Parses the four groups of path's map name (latitude, longitude of the north-west corner,
    /// then of the south-east corner); any letter is accepted in any group, characters after the
    /// fourth group are ignored. Returns false, outputs untouched, when a group does not parse
    /// or a latitude exceeds 90 or a longitude 180 in magnitude.
    bool ParseMapFileName(const std::string& path, double& lat1, double& lon1, double& lat2,
                          double& lon2) const;

    /// Position of (latitude, longitude) within the box; std::nullopt when the box has no extent
    /// in either direction (the fractions would be undefined). Longitudes are not wrapped.
    std::optional<GeoFraction> GeoToFraction(double latitude, double longitude, const GeoPoint& northWest,
                                             const GeoPoint& southEast) const;

    /// Checks a map name (no folder, no extension) against the naming rule. Returns true when the
    /// name breaks it: a character other than N, S, E, W or a digit; groups not in the order
    /// latitude (N/S), longitude (E/W), latitude, longitude; |latitude| > 90 or |longitude| > 180;
    /// the north-west latitude not above the south-east one by at most 90 degrees; the eastward
    /// span (one wrap over 180° allowed) not in (0, 180]. A group whose digit part is not exactly
    /// 8 digits sets mapNameWarning to true (it is never set back) without making the name invalid.
    bool CheckMapFileName(const std::string& name, bool& mapNameWarning) const;
};

inline TEchoDrawModule* EchoDrawModule = nullptr;
