#include "tools/demomap/Demomap.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

namespace demomap {

namespace {

constexpr double kKmPerDegreeLatitude = 111.2;

// Colours of the map, dark so that the echo colours and the white rings stand out.
const QColor kLand(46, 54, 44);
const QColor kLandHigh(62, 66, 50);
const QColor kSea(16, 30, 56);
const QColor kCoast(120, 150, 168);
const QColor kRiver(54, 96, 146);
const QColor kRoad(140, 104, 62);
const QColor kHighway(186, 138, 72);
const QColor kGrid(92, 92, 96);
const QColor kTown(232, 228, 206);
const QColor kTownName(206, 204, 190);

/// Position relative to the site in kilometres, east and north positive.
struct Km {
    double east = 0.0;
    double north = 0.0;
};

/// Converts between kilometres around the site and picture pixels.
class Projection {
public:
    Projection(const MapCorners& corners, double siteLatitude, double siteLongitude, int width, int height)
        : corners_(corners), siteLatitude_(siteLatitude), siteLongitude_(siteLongitude), width_(width),
          height_(height),
          kmPerDegreeLongitude_(kKmPerDegreeLatitude * std::cos(siteLatitude * std::numbers::pi / 180.0)) {}

    QPointF Pixel(Km p) const {
        return PixelOfGeo(siteLatitude_ + p.north / kKmPerDegreeLatitude,
                          siteLongitude_ + p.east / kmPerDegreeLongitude_);
    }
    QPointF PixelOfGeo(double latitude, double longitude) const {
        const double fx = (longitude - corners_.northWestLongitude) /
                          (corners_.southEastLongitude - corners_.northWestLongitude);
        const double fy = (corners_.northWestLatitude - latitude) /
                          (corners_.northWestLatitude - corners_.southEastLatitude);
        return {fx * width_, fy * height_};
    }
    Km KmOfPixel(double x, double y) const {
        const double longitude = corners_.northWestLongitude +
                                 x / width_ * (corners_.southEastLongitude - corners_.northWestLongitude);
        const double latitude = corners_.northWestLatitude -
                                y / height_ * (corners_.northWestLatitude - corners_.southEastLatitude);
        return {(longitude - siteLongitude_) * kmPerDegreeLongitude_,
                (latitude - siteLatitude_) * kKmPerDegreeLatitude};
    }

private:
    MapCorners corners_;
    double siteLatitude_;
    double siteLongitude_;
    int width_;
    int height_;
    double kmPerDegreeLongitude_;
};

/// Smooth value noise in -1..1 over a lattice of 1 unit, from a fixed hash (the same map on
/// every machine).
double LatticeValue(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<double>(h & 0xFFFFFF) / static_cast<double>(0xFFFFFF) * 2.0 - 1.0;
}

double ValueNoise(double x, double y, std::uint32_t seed) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const auto smooth = [](double t) { return t * t * (3.0 - 2.0 * t); };
    const double tx = smooth(x - fx);
    const double ty = smooth(y - fy);
    const double top = LatticeValue(ix, iy, seed) * (1 - tx) + LatticeValue(ix + 1, iy, seed) * tx;
    const double bottom = LatticeValue(ix, iy + 1, seed) * (1 - tx) + LatticeValue(ix + 1, iy + 1, seed) * tx;
    return top * (1 - ty) + bottom * ty;
}

/// Four octaves of noise with features of about `scaleKm`.
double Fractal(Km p, double scaleKm, std::uint32_t seed) {
    double sum = 0.0;
    double amplitude = 1.0;
    double frequency = 1.0 / scaleKm;
    for (int octave = 0; octave < 4; ++octave) {
        sum += amplitude *
               ValueNoise(p.east * frequency, p.north * frequency, seed + static_cast<std::uint32_t>(octave));
        amplitude *= 0.5;
        frequency *= 2.0;
    }
    return sum / 1.875;
}

/// Kilometres into the sea (negative on land): the coast runs from south-west to north-east
/// about 45 km south-east of the site, with a bay reaching up to 15 km south of it.
double SeaDepthKm(Km p) {
    const double acrossCoast = 0.6 * p.east - 0.8 * p.north;
    const double be = (p.east - 8.0) / 13.0;
    const double bn = (p.north + 40.0) / 26.0;
    const double bay = 52.0 * std::exp(-be * be - bn * bn);
    return acrossCoast + bay + 9.0 * Fractal(p, 28.0, 11u) - 45.0;
}

/// Hills inland, 0..1, for a faint relief.
double Relief(Km p) {
    return std::clamp(0.5 + 0.8 * Fractal(p, 45.0, 29u), 0.0, 1.0);
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    const auto channel = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()), channel(a.blue(), b.blue()));
}

void DrawLandAndSea(QImage& image, const Projection& projection) {
    const double kmPerPixel = std::abs(projection.KmOfPixel(1, 0).east - projection.KmOfPixel(0, 0).east);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const Km p = projection.KmOfPixel(x + 0.5, y + 0.5);
            const double depth = SeaDepthKm(p);
            const QColor land = Mix(kLand, kLandHigh, Relief(p));
            const double t = std::clamp(0.5 + depth / kmPerPixel, 0.0, 1.0); // one pixel of blend
            QColor colour = Mix(land, kSea, t);
            const double coast = std::abs(depth) / kmPerPixel; // pixels from the coastline
            if (coast < 1.5) {
                colour = Mix(kCoast, colour, std::clamp(coast - 0.5, 0.0, 1.0));
            }
            row[x] = colour.rgb();
        }
    }
}

/// A river from its source downhill to the sea, meandering.
QPainterPath TraceRiver(Km source, std::uint32_t seed, const Projection& projection) {
    QPainterPath path(projection.Pixel(source));
    Km p = source;
    for (int step = 0; step < 400 && SeaDepthKm(p) < 0.0; ++step) {
        const double h = 0.5;
        const double ge = SeaDepthKm({p.east + h, p.north}) - SeaDepthKm({p.east - h, p.north});
        const double gn = SeaDepthKm({p.east, p.north + h}) - SeaDepthKm({p.east, p.north - h});
        const double heading = std::atan2(gn, ge) + 1.1 * Fractal(p, 9.0, seed);
        p = {p.east + 0.8 * std::cos(heading), p.north + 0.8 * std::sin(heading)};
        path.lineTo(projection.Pixel(p));
    }
    return path;
}

struct Town {
    const char* name;
    Km position;
    bool large;
};

// Fictional towns; the radar stands on the edge of the largest.
constexpr std::array<Town, 14> kTowns = {{
    {"Nimbrook", {-10.0, 7.0}, true},
    {"Ashford", {-48.0, 22.0}, false},
    {"Bramley", {-20.0, 52.0}, false},
    {"Colbeck", {30.0, 38.0}, true},
    {"Dunmore", {-76.0, -18.0}, false},
    {"Elmstead", {58.0, 74.0}, false},
    {"Fenwick", {-30.0, -34.0}, false},
    {"Garron", {-96.0, 60.0}, true},
    {"Holloway", {8.0, 98.0}, false},
    {"Kelso", {-60.0, -70.0}, false},
    {"Larkhill", {96.0, 118.0}, false},
    {"Marston", {-120.0, -6.0}, false},
    {"Norbury", {40.0, -4.0}, false},
    {"Oakhurst", {-14.0, -8.0}, false},
}};

bool OnLand(Km p) {
    return SeaDepthKm(p) < -1.0;
}

/// A road between two towns, bowed a little; none when it would cross the sea.
std::optional<QPainterPath> Road(const Town& a, const Town& b, const Projection& projection) {
    const Km bow{-(b.position.north - a.position.north) * 0.08, (b.position.east - a.position.east) * 0.08};
    QPainterPath path(projection.Pixel(a.position));
    constexpr int kSteps = 24;
    for (int i = 1; i <= kSteps; ++i) {
        const double t = static_cast<double>(i) / kSteps;
        const double bend = 4.0 * t * (1.0 - t);
        const Km p{a.position.east + (b.position.east - a.position.east) * t + bow.east * bend,
                   a.position.north + (b.position.north - a.position.north) * t + bow.north * bend};
        if (!OnLand(p)) {
            return std::nullopt;
        }
        path.lineTo(projection.Pixel(p));
    }
    return path;
}

void DrawRivers(QPainter& painter, const Projection& projection) {
    const Km sources[] = {{-70.0, 80.0}, {-20.0, 120.0}, {-110.0, 20.0},
                          {40.0, 130.0}, {-60.0, 10.0},  {-140.0, 90.0}};
    std::uint32_t seed = 101;
    for (const Km& source : sources) {
        painter.setPen(QPen(kRiver, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(TraceRiver(source, seed++, projection));
    }
}

void DrawRoads(QPainter& painter, const Projection& projection) {
    // Every town to its two nearest neighbours on land; the large towns joined by highways.
    for (std::size_t i = 0; i < kTowns.size(); ++i) {
        std::vector<std::pair<double, std::size_t>> byDistance;
        for (std::size_t j = 0; j < kTowns.size(); ++j) {
            if (j != i) {
                const double de = kTowns[j].position.east - kTowns[i].position.east;
                const double dn = kTowns[j].position.north - kTowns[i].position.north;
                byDistance.emplace_back(std::hypot(de, dn), j);
            }
        }
        std::sort(byDistance.begin(), byDistance.end());
        for (std::size_t k = 0; k < 2; ++k) {
            const std::size_t j = byDistance[k].second;
            if (j < i || !OnLand(kTowns[i].position) || !OnLand(kTowns[j].position)) {
                continue;
            }
            if (const auto road = Road(kTowns[i], kTowns[j], projection)) {
                painter.setPen(QPen(kRoad, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                painter.drawPath(*road);
            }
        }
    }
    for (std::size_t i = 0; i < kTowns.size(); ++i) {
        for (std::size_t j = i + 1; j < kTowns.size(); ++j) {
            if (!kTowns[i].large || !kTowns[j].large) {
                continue;
            }
            if (const auto road = Road(kTowns[i], kTowns[j], projection)) {
                painter.setPen(QPen(kHighway, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                painter.drawPath(*road);
            }
        }
    }
}

void DrawGrid(QPainter& painter, const MapCorners& corners, const Projection& projection, int width,
              int height) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    painter.setFont(font);
    const auto label = [](double value, char positive, char negative) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f°%c", std::abs(value), value >= 0 ? positive : negative);
        return QString::fromUtf8(text);
    };
    const double step = 0.5;
    for (double lat = std::ceil(corners.southEastLatitude / step) * step; lat <= corners.northWestLatitude;
         lat += step) {
        const double y = projection.PixelOfGeo(lat, corners.northWestLongitude).y();
        painter.setPen(QPen(kGrid, 1.0, Qt::DashLine));
        painter.drawLine(QPointF(0, y), QPointF(width, y));
        painter.setPen(kGrid.lighter(150));
        painter.drawText(QPointF(6, y - 4), label(lat, 'N', 'S'));
    }
    for (double lon = std::ceil(corners.northWestLongitude / step) * step; lon <= corners.southEastLongitude;
         lon += step) {
        const double x = projection.PixelOfGeo(corners.northWestLatitude, lon).x();
        painter.setPen(QPen(kGrid, 1.0, Qt::DashLine));
        painter.drawLine(QPointF(x, 0), QPointF(x, height));
        painter.setPen(kGrid.lighter(150));
        painter.drawText(QPointF(x + 4, height - 8), label(lon, 'E', 'W'));
    }
}

void DrawTowns(QPainter& painter, const Projection& projection) {
    QFont font(QStringLiteral("DejaVu Sans"));
    for (const Town& town : kTowns) {
        if (!OnLand(town.position)) {
            continue;
        }
        const QPointF at = projection.Pixel(town.position);
        const double radius = town.large ? 5.0 : 3.5;
        painter.setPen(QPen(kLand, 1.0));
        painter.setBrush(kTown);
        painter.drawEllipse(at, radius, radius);
        font.setPixelSize(town.large ? 17 : 14);
        font.setBold(town.large);
        painter.setFont(font);
        painter.setPen(kTownName);
        painter.drawText(at + QPointF(radius + 4, -radius - 2), QString::fromLatin1(town.name));
    }
}

char SignLetter(double value, char positive, char negative) {
    return value >= 0.0 ? positive : negative;
}

double RoundToNameDigits(double degrees) {
    return std::round(degrees * 1e5) / 1e5;
}

} // namespace

MapCorners CornersAround(double siteLatitude, double siteLongitude) {
    return {RoundToNameDigits(std::min(siteLatitude + kHalfLatitudeDeg, 90.0)),
            RoundToNameDigits(std::max(siteLongitude - kHalfLongitudeDeg, -180.0)),
            RoundToNameDigits(std::max(siteLatitude - kHalfLatitudeDeg, -90.0)),
            RoundToNameDigits(std::min(siteLongitude + kHalfLongitudeDeg, 180.0))};
}

std::string MapName(const MapCorners& corners) {
    const auto group = [](double value, char positive, char negative) {
        char text[32];
        std::snprintf(text, sizeof text, "%c%08lld", SignLetter(value, positive, negative),
                      std::llround(std::abs(value) * 1e5));
        return std::string(text);
    };
    return group(corners.northWestLatitude, 'N', 'S') + group(corners.northWestLongitude, 'E', 'W') +
           group(corners.southEastLatitude, 'N', 'S') + group(corners.southEastLongitude, 'E', 'W');
}

QImage DrawDemoMap(const MapCorners& corners, double siteLatitude, double siteLongitude, int width,
                   int height) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return image;
    }
    const Projection projection(corners, siteLatitude, siteLongitude, width, height);
    DrawLandAndSea(image, projection);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawRivers(painter, projection);
    DrawRoads(painter, projection);
    DrawGrid(painter, corners, projection, width, height);
    DrawTowns(painter, projection);
    return image;
}

std::string DemoMapCaption() {
    return "Nimbrook demo map: synthetic terrain, towns and roads; grid 0.5°";
}

std::optional<std::string> WriteDemoMap(const std::string& outDir, double siteLatitude,
                                        double siteLongitude) {
    const QString folder = QString::fromStdString(outDir);
    if (!QDir().mkpath(folder)) {
        return std::nullopt;
    }
    const MapCorners corners = CornersAround(siteLatitude, siteLongitude);
    const QString base = QDir(folder).filePath(QString::fromStdString(MapName(corners)));
    const QImage map = DrawDemoMap(corners, siteLatitude, siteLongitude, kPictureSide, kPictureSide);
    if (map.isNull() || !map.save(base + QStringLiteral(".png"), "PNG")) {
        return std::nullopt;
    }
    QFile caption(base + QStringLiteral(".txt"));
    if (!caption.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return std::nullopt;
    }
    const std::string line = DemoMapCaption() + "\r\n";
    if (caption.write(line.data(), static_cast<qint64>(line.size())) != static_cast<qint64>(line.size())) {
        return std::nullopt;
    }
    return (base + QStringLiteral(".png")).toStdString();
}

} // namespace demomap
