#pragma once

#include "files/Dscnfilemodule.h"
#include "files/Scaninfo.h"
#include "files/Sweepdatasource.h"
#include "files/Sweepsource.h"
#include "files/formats/Sweepimport.h"

#include <string>
#include <vector>

/// One sweep of an open-format file, as the sweep menu and nimbrook-scaninfo list it.
struct SweepChoice {
    int index = 0; // in the file's order
    SweepMode mode = SweepMode::PlanPosition;
    double fixedAngleDeg = 0.0;
    int rayCount = 0;
    int gateCount = 0;
};

/// Opens any sweep file for the frame pipeline and the readout: our scan files through the
/// scan-file reader, exactly as it opens them, and ODIM_H5 and CfRadial files (told by their
/// content) through their readers into a sweep held in memory. Either way the sweep is then read
/// through Source().
class TSweepOpener {
public:
    explicit TSweepOpener(TSCNFileModule& scanFiles) : scanFiles_(scanFiles) {}

    /// Opens the file at `path` and fills `info` as TSCNFileModule::OpenScanFile does, with its
    /// codes: the ray count, or -1 with info.errorCode set (1 when there is no file, which leaves
    /// the open sweep as it was). Of a file of several sweeps, `sweep` is taken (an index in the
    /// file's order, or kLowestSweep); with `lowestWhenMissing` a file with fewer sweeps shows its
    /// lowest instead of failing. ErrorMessage() says why an open-format file failed.
    int Open(const std::string& path, bool smallUnit, ScanInfo& info, int sweep = kLowestSweep,
             bool lowestWhenMissing = false);

    /// The source of the sweep opened last (the scan-file reader when none is open).
    TSweepSource& Source();
    /// True while the sweep shown comes from an open-format file.
    bool OpenFormat() const { return memorySweep_.IsOpen(); }
    /// The sweeps of the open-format file opened last (empty for a scan file) and which of them
    /// is shown (-1 for a scan file).
    const std::vector<SweepChoice>& Sweeps() const { return sweeps_; }
    int SweepShown() const { return sweepShown_; }
    /// One English line on the last failure of an open-format file; empty otherwise.
    const std::string& ErrorMessage() const { return message_; }
    /// The open-format sweep in memory (empty unless OpenFormat()).
    const SweepData& MemorySweep() const { return memorySweep_.Sweep(); }

private:
    TSCNFileModule& scanFiles_;
    TSweepDataSource memorySweep_;
    std::vector<SweepChoice> sweeps_;
    int sweepShown_ = -1;
    std::string message_;
};
