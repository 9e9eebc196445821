#include "tools/gisprep/Gdalhandles.h"

#include "files/Cachefolder.h"

#include <cpl_error.h>
#include <ogrsf_frmts.h>

namespace gisprep {

void InitialiseGdal() {
    GDALAllRegister();
    CPLSetErrorHandler(CPLQuietErrorHandler);
}

DatasetHandle OpenRaster(const std::string& path) {
    CPLErrorReset();
    return DatasetHandle(GDALDataset::Open(
        path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, nullptr, nullptr, nullptr));
}

DatasetHandle OpenVector(const std::string& path) {
    CPLErrorReset();
    return DatasetHandle(GDALDataset::Open(
        path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, nullptr, nullptr, nullptr));
}

std::string LastGdalError() {
    const char* message = CPLGetLastErrorMsg();
    return message != nullptr && message[0] != '\0' ? message : "no further detail";
}

OGRSpatialReference LonLatReference() {
    OGRSpatialReference reference;
    reference.importFromEPSG(4326);
    reference.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return reference;
}

Result RasterIsPlaced(GDALDataset& dataset) {
    double transform[6] = {};
    if (dataset.GetSpatialRef() == nullptr || dataset.GetSpatialRef()->IsEmpty()) {
        return {Outcome::NoCoordinates, "the raster has no coordinate system"};
    }
    if (dataset.GetGeoTransform(transform) != CE_None) {
        return {Outcome::NoCoordinates, "the raster has no geotransform"};
    }
    if (dataset.GetRasterCount() < 1) {
        return {Outcome::Unreadable, "the raster has no band"};
    }
    return {};
}

Result VectorIsPlaced(GDALDataset& dataset) {
    if (dataset.GetLayerCount() < 1) {
        return {Outcome::Unreadable, "the file has no layer"};
    }
    for (OGRLayer* layer : dataset.GetLayers()) {
        if (layer->GetSpatialRef() == nullptr) {
            return {Outcome::NoCoordinates,
                    std::string("layer ") + layer->GetName() + " has no coordinate system"};
        }
    }
    return {};
}

Result WriteEntry(const std::string& entryPath, const std::string& bytes) {
    if (!WriteCacheEntry(entryPath, bytes)) {
        return {Outcome::Failed, "cannot write " + entryPath};
    }
    return {};
}

} // namespace gisprep
