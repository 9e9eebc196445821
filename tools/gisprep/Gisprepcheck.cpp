#include "tools/gisprep/Gdalhandles.h"
#include "tools/gisprep/Gisprep.h"

namespace gisprep {

Result CheckFile(DataKind kind, const std::string& path) {
    if (kind == DataKind::Raster) {
        const DatasetHandle dataset = OpenRaster(path);
        if (!dataset) {
            return {Outcome::Unreadable, "GDAL cannot read it as a raster: " + LastGdalError()};
        }
        return RasterIsPlaced(*dataset);
    }
    const DatasetHandle dataset = OpenVector(path);
    if (!dataset) {
        return {Outcome::Unreadable, "GDAL cannot read it as a vector file: " + LastGdalError()};
    }
    return VectorIsPlaced(*dataset);
}

} // namespace gisprep
