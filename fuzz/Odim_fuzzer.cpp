// libFuzzer target for the ODIM_H5 reader: the input is the file's bytes, read from memory as the
// viewer reads every open-format file; its last byte chooses the sweep (255: the lowest).
#include "files/formats/odim/Odimreader.h"
#include "fuzz/Sweepcheck.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const int wanted = data[size - 1] == 255 ? kLowestSweep : data[size - 1] % 16;
    IsOdimImage(bytes); // the factory's test runs on every file first
    CheckVolumeRead(ReadOdimImage(bytes, "f.h5", wanted));
    return 0;
}
