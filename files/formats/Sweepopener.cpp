#include "files/formats/Sweepopener.h"

#include "files/Regularfile.h"
#include "files/formats/Sweepfactory.h"

int TSweepOpener::Open(const std::string& path, bool smallUnit, ScanInfo& info, int sweep,
                       bool lowestWhenMissing) {
    message_.clear();
    if (!IsRegularFile(path)) {
        info.errorCode = 1; // the open sweep stays, as with the scan-file reader
        return -1;
    }
    if (!IsOpenFormatFile(path)) {
        memorySweep_.Close();
        sweeps_.clear();
        sweepShown_ = -1;
        return scanFiles_.OpenScanFile(path, smallUnit, info);
    }
    // Whatever was open is closed first, as the scan-file reader does.
    scanFiles_.CloseScanFile();
    memorySweep_.Close();
    sweeps_.clear();
    sweepShown_ = -1;
    VolumeRead read = ReadOpenFormatFile(path, sweep);
    if (read.errorCode == kScanFileExceptionError && read.chosen < 0 && lowestWhenMissing && sweep != kLowestSweep &&
        sweep >= static_cast<int>(read.sweeps.size()) && !read.sweeps.empty()) {
        read = ReadOpenFormatFile(path, kLowestSweep);
    }
    for (std::size_t i = 0; i < read.sweeps.size(); ++i) {
        const SweepData& s = read.sweeps[i];
        sweeps_.push_back({static_cast<int>(i), s.mode, s.fixedAngleDeg, s.info.rayCount, s.info.gateCount});
    }
    if (read.errorCode != kScanNoError || read.chosen < 0) {
        info.errorCode = read.errorCode != kScanNoError ? read.errorCode : kScanFileExceptionError;
        message_ = read.message;
        return -1;
    }
    sweepShown_ = read.chosen;
    SweepData& shown = read.sweeps[static_cast<std::size_t>(read.chosen)];
    info = shown.info;
    memorySweep_.Open(std::move(shown), path);
    return info.rayCount;
}

TSweepSource& TSweepOpener::Source() {
    if (memorySweep_.IsOpen()) {
        return memorySweep_;
    }
    return scanFiles_;
}
