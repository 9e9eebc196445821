// nimbrook-convert-formats: nimbrook-convert with the writers of CfRadial, ODIM_H5, GeoTIFF and KMZ,
// whose libraries (NetCDF, HDF5, GDAL) take long to load. nimbrook-convert runs it for --to
// cfradial, odim, geotiff and kmz, so that its JPEG and loop runs start without them; it takes
// the same command line and does everything nimbrook-convert does.
#include "tools/convert/Convertrun.h"
#include "tools/convert/Openformatworker.h"

int main(int argc, char** argv) {
    return RunConverter(argc, argv, OpenFormatWorkers);
}
