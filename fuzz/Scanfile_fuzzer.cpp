// libFuzzer target for the scan-file reader: the input's first byte chooses the device type and
// whether the rest is opened as a plain or a ".gz" file; every ray is then read with CSV output on.
// The inputs are written into one folder of their own, removed with everything in it when the
// fuzzer ends normally (-runs, -max_total_time); a crash or an interrupt leaves it for a look.
#include "files/Dscnfilemodule.h"
#include "tests/common/Scratchdir.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool smallUnit = (data[0] & 1) != 0;
    const bool gzip = (data[0] & 2) != 0;
    static const ScratchDir folder;
    const std::string path = (folder.Path() / (gzip ? "f.scn.gz" : "f.scn")).string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    static std::vector<std::uint16_t> values, quality;
    TSCNFileModule reader;
    ScanInfo info;
    const int rays = reader.OpenScanFile(path, smallUnit, info);
    if (rays < 0 && (info.errorCode < 1 || info.errorCode > 8)) {
        std::abort();
    }
    if (rays > 0) {
        values.resize(static_cast<std::size_t>(info.gateCount));
        quality.resize(values.size());
        const int productIndex = ArrayIndexInMask(info.productMask, 1);
        const int qualityIndex = ArrayIndexInMask(info.productMask, kQualityMaskBit);
        for (int ray = 0; ray < rays; ++ray) {
            double el = 0, az = 0;
            const int count = reader.ReadRay(productIndex < 0 ? 0 : productIndex, qualityIndex, true,
                                             info.gateCount * 2, quality.data(), values.data(), el, az);
            if (count < -1 || count > info.gateCount) {
                std::abort();
            }
            if (count < 0) {
                break;
            }
        }
    }
    reader.CloseScanFile();
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        ++entries;
    }
    std::filesystem::remove(path);
    if (entries != 1) {
        std::abort(); // the temporary copy went with the file: nothing but the input was left
    }
    return 0;
}
