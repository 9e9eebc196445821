// libFuzzer target for the CfRadial reader: the input is the file's bytes (NetCDF classic or
// NetCDF-4), read from memory as the viewer reads it; its last byte chooses the sweep.
#include "files/formats/cfradial/Cfradialreader.h"
#include "fuzz/Sweepcheck.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const int wanted = data[size - 1] == 255 ? kLowestSweep : data[size - 1] % 16;
    CheckVolumeRead(ReadCfRadialImage(bytes, "f.nc", wanted));
    return 0;
}
