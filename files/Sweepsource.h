#pragma once

#include "files/Productkind.h"

#include <cstdint>
#include <string>
#include <vector>

// The seam between the sweep files and everything that draws, reads out or exports them: one
// sweep's rays in order for the frame pipeline, rewinding for the next frame, and random access
// to any gate for the cursor readout. Our scan files (TSCNFileModule) and the sweeps of the open
// formats (TSweepDataSource) are the sources behind it.
//
// Arrays are named as in a scan file's data block: the product index is the number of set bits
// of the product mask below the product's bit, the quality index the number below bit 8.

/// One ray as the source holds it: its angles as stored and how many arrays it carries.
struct SweepRay {
    double azimuthDeg = 0.0;
    double elevationDeg = 0.0;
    int arrayCount = 0;
};

class TSweepSource {
public:
    virtual ~TSweepSource() = default;

    /// Reads the next ray: the array at `productIndex` into `values`, the one at `qualityIndex`
    /// into `quality` (-1 = not wanted), each at most `bytesWanted` bytes (whole values). With
    /// `csv` set, a value line and a quality line are recorded. Returns the number of values
    /// delivered for the last array copied, or -1 when the ray cannot be read or neither array
    /// is in it.
    virtual int ReadRay(int productIndex, int qualityIndex, bool csv, int bytesWanted, std::uint16_t* quality,
                        std::uint16_t* values, double& elevationDeg, double& azimuthDeg) = 0;
    /// Moves back to the first ray. Returns 0, or -1 when no sweep is open.
    virtual int RewindToFirstRay() = 0;

    /// Empties the CSV lines recorded by ReadRay.
    virtual void ClearCsvLines() = 0;
    /// Writes the recorded lines to the value file of `kind` and the quality file beside the
    /// sweep's file. Throws std::system_error when a file cannot be written, std::logic_error when
    /// no sweep has been opened.
    virtual void SaveCsvFiles(ProductKind kind) const = 0;
    /// Paths of the value file of `kind` and of the quality file; empty before the first sweep.
    virtual std::string ValueCsvPath(ProductKind kind) const = 0;
    virtual std::string QualityCsvPath() const = 0;

    /// Every ray of the open sweep, for random access; false when one of them cannot be read (as
    /// a frame would fail) or no sweep is open. Does not move the position of ReadRay.
    virtual bool IndexRays(std::vector<SweepRay>& rays) = 0;
    /// The word at `gate` of array `arrayIndex` of ray `ray` (0 for an array the ray lacks);
    /// false when it cannot be read. Does not move the position of ReadRay.
    virtual bool ReadGateWord(int ray, int arrayIndex, int gate, std::uint16_t& word) = 0;
    /// Changes whenever another sweep is opened, so that an index of the last one is known stale.
    virtual std::uint64_t SweepSerial() const = 0;
};
