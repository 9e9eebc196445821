#pragma once

#include "files/Csvlines.h"
#include "files/Sweepsource.h"
#include "files/formats/Sweepdata.h"

#include <string>

/// A sweep held whole in memory (one sweep of an open-format file) behind the sweep-source seam:
/// its rays in order, as a scan file's reader hands them out, with the same CSV export.
class TSweepDataSource : public TSweepSource {
public:
    /// Serves `sweep`, read from the file at `path` (which names the CSV files), from its first ray.
    void Open(SweepData sweep, const std::string& path);
    /// Forgets the sweep; reads fail until the next Open.
    void Close();
    bool IsOpen() const { return open_; }
    const SweepData& Sweep() const { return sweep_; }

    int ReadRay(int productIndex, int qualityIndex, bool csv, int bytesWanted, std::uint16_t* quality,
                std::uint16_t* values, double& elevationDeg, double& azimuthDeg) override;
    int RewindToFirstRay() override;
    void ClearCsvLines() override { csv_.Clear(); }
    void SaveCsvFiles(ProductKind kind) const override { csv_.Save(kind); }
    std::string ValueCsvPath(ProductKind kind) const override { return csv_.ValuePath(kind); }
    std::string QualityCsvPath() const override { return csv_.QualityPath(); }
    bool IndexRays(std::vector<SweepRay>& rays) override;
    bool ReadGateWord(int ray, int arrayIndex, int gate, std::uint16_t& word) override;
    std::uint64_t SweepSerial() const override { return serial_; }

private:
    SweepData sweep_;
    bool open_ = false;
    int nextRay_ = 0;
    int arrayCount_ = 0;
    TCsvLines csv_;
    std::uint64_t serial_ = 0;
};
