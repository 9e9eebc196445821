#include "files/formats/Sweeplabels.h"

#include <cmath>
#include <cstdio>

std::string PositionStationName(double latitudeDeg, double longitudeDeg) {
    char text[64];
    std::snprintf(text, sizeof text, "%c%.4f%c%.4f", latitudeDeg < 0.0 ? 'S' : 'N', std::fabs(latitudeDeg),
                  longitudeDeg < 0.0 ? 'W' : 'E', std::fabs(longitudeDeg));
    return text;
}

std::string IsoDateTime(const ScanDateTime& time) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", time.year, time.month, time.day,
                  time.hour, time.minute, time.second);
    return text;
}

std::string StationName(const SweepOutputLabels& labels, const ScanInfo& info) {
    return labels.station.empty() ? PositionStationName(info.latitude, info.longitude) : labels.station;
}
