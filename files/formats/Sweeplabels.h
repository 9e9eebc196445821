#pragma once

#include "files/Scaninfo.h"

#include <string>

// Texts both open-format writers take from a sweep: the radar's name and the scan time.

/// What a writer records besides the sweep itself.
struct SweepOutputLabels {
    std::string station;    // the radar's name; empty: PositionStationName of the site
    std::string sourceName; // the scan file's name, for the provenance texts
    std::string software;   // the writing program and its version
};

/// The name a radar gets when none is given: its position, as "N35.6586E139.7454" (four decimals,
/// S and W for negative latitudes and longitudes).
std::string PositionStationName(double latitudeDeg, double longitudeDeg);

/// The station of `labels`, or the name made from the site's position when none is given.
std::string StationName(const SweepOutputLabels& labels, const ScanInfo& info);

/// "2025-07-12T15:30:00Z": the date-time as the CfRadial time variables write it.
std::string IsoDateTime(const ScanDateTime& time);
