#include "tools/gisprep/Gdalhandles.h"
#include "tools/gisprep/Gisprep.h"

#include <algorithm>
#include <cstring>
#include <ogr_geometry.h>
#include <ogrsf_frmts.h>

namespace gisprep {
namespace {

/// The text of a point's name field: the first field called "name" in any case, else the first
/// whose name begins with "name" (name_en, NAME_JA …); empty without one.
std::string NameOf(OGRFeature& feature) {
    OGRFeatureDefn* definition = feature.GetDefnRef();
    int chosen = -1;
    for (int i = 0; i < definition->GetFieldCount(); ++i) {
        const char* field = definition->GetFieldDefn(i)->GetNameRef();
        if (EQUAL(field, "name")) {
            chosen = i;
            break;
        }
        if (chosen < 0 && EQUALN(field, "name", 4)) {
            chosen = i;
        }
    }
    return chosen >= 0 && feature.IsFieldSetAndNotNull(chosen) ? feature.GetFieldAsString(chosen) : "";
}

void AddLine(const OGRLineString& line, PreparedShapes& out) {
    if (line.getNumPoints() < 2) {
        return;
    }
    PreparedShape shape;
    shape.latLon.reserve(static_cast<std::size_t>(line.getNumPoints()) * 2);
    for (int i = 0; i < line.getNumPoints(); ++i) {
        shape.latLon.push_back(line.getY(i));
        shape.latLon.push_back(line.getX(i));
    }
    out.shapes.push_back(std::move(shape));
}

/// Lines of a clipped geometry (a polygon has already become its rings).
void AddLines(const OGRGeometry& geometry, PreparedShapes& out) {
    const OGRwkbGeometryType type = wkbFlatten(geometry.getGeometryType());
    if (type == wkbLineString || type == wkbLinearRing) {
        AddLine(*geometry.toLineString(), out);
    } else if (OGR_GT_IsSubClassOf(type, wkbGeometryCollection)) {
        for (const OGRGeometry* part : *geometry.toGeometryCollection()) {
            AddLines(*part, out);
        }
    }
}

void AddPoints(const OGRGeometry& geometry, const GeoBox& box, const std::string& label,
               PreparedShapes& out) {
    const OGRwkbGeometryType type = wkbFlatten(geometry.getGeometryType());
    if (type == wkbPoint) {
        const OGRPoint& point = *geometry.toPoint();
        if (point.getY() <= box.north && point.getY() >= box.south && point.getX() >= box.west &&
            point.getX() <= box.east) {
            out.shapes.push_back({PreparedShape::Kind::Point, {point.getY(), point.getX()}, label});
        }
    } else if (OGR_GT_IsSubClassOf(type, wkbGeometryCollection)) {
        for (const OGRGeometry* part : *geometry.toGeometryCollection()) {
            AddPoints(*part, box, label, out);
        }
    }
}

/// The features of one layer inside `box`, in latitude and longitude.
bool ReadLayer(OGRLayer& layer, const GeoBox& box, double tolerance, PreparedShapes& out) {
    OGRSpatialReference source(*layer.GetSpatialRef());
    source.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    const OGRSpatialReference target = LonLatReference();
    std::unique_ptr<OGRCoordinateTransformation> toLonLat(
        OGRCreateCoordinateTransformation(&source, &target));
    std::unique_ptr<OGRCoordinateTransformation> fromLonLat(
        OGRCreateCoordinateTransformation(&target, &source));
    if (!toLonLat || !fromLonLat) {
        return false;
    }
    // Only features near the box are read: the box in the layer's own coordinates.
    double minX = 0.0;
    double minY = 0.0;
    double maxX = 0.0;
    double maxY = 0.0;
    if (fromLonLat->TransformBounds(box.west, box.south, box.east, box.north, &minX, &minY, &maxX, &maxY,
                                    21)) {
        layer.SetSpatialFilterRect(minX, minY, maxX, maxY);
    }
    OGRPolygon clip;
    {
        OGRLinearRing ring;
        ring.addPoint(box.west, box.south);
        ring.addPoint(box.east, box.south);
        ring.addPoint(box.east, box.north);
        ring.addPoint(box.west, box.north);
        ring.closeRings();
        clip.addRing(&ring);
    }
    layer.ResetReading();
    for (auto& feature : layer) {
        OGRGeometry* original = feature->GetGeometryRef();
        if (original == nullptr) {
            continue;
        }
        std::unique_ptr<OGRGeometry> geometry(original->clone());
        if (geometry->transform(toLonLat.get()) != OGRERR_NONE) {
            continue; // a feature outside the transformation's domain
        }
        const OGRwkbGeometryType type = wkbFlatten(geometry->getGeometryType());
        if (type == wkbPoint || type == wkbMultiPoint) {
            AddPoints(*geometry, box, NameOf(*feature), out);
            continue;
        }
        if (OGR_GT_IsSurface(type) || type == wkbMultiPolygon) {
            geometry.reset(geometry->Boundary());
        }
        if (!geometry) {
            continue;
        }
        std::unique_ptr<OGRGeometry> simplified(geometry->Simplify(tolerance));
        const OGRGeometry& lines = simplified && !simplified->IsEmpty() ? *simplified : *geometry;
        std::unique_ptr<OGRGeometry> clipped(lines.Intersection(&clip));
        if (clipped) {
            AddLines(*clipped, out);
        }
    }
    return true;
}

} // namespace

Result PrepareVectorLayer(const std::string& path, const GeoBox& box, int width, int height,
                          const std::string& entryPath) {
    const DatasetHandle dataset = OpenVector(path);
    if (!dataset) {
        return {Outcome::Unreadable, "GDAL cannot read it as a vector file: " + LastGdalError()};
    }
    if (Result placed = VectorIsPlaced(*dataset); placed.outcome != Outcome::Done) {
        return placed;
    }
    PreparedShapes shapes;
    shapes.box = box;
    // Half a pixel of the picture, in degrees: simplifying by less changes nothing visible.
    const double tolerance = 0.5 * std::min((box.north - box.south) / std::max(height, 1),
                                            (box.east - box.west) / std::max(width, 1));
    for (OGRLayer* layer : dataset->GetLayers()) {
        if (!ReadLayer(*layer, box, tolerance, shapes)) {
            return {Outcome::Failed, std::string("cannot transform layer ") + layer->GetName() +
                                         " to latitude and longitude: " + LastGdalError()};
        }
    }
    return WriteEntry(entryPath, EncodeShapes(shapes));
}

} // namespace gisprep
