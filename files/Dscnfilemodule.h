#pragma once

#include "base/Uniquefd.h"
#include "files/Bufferedfile.h"
#include "files/Csvlines.h"
#include "files/Gatecodec.h"
#include "files/Productkind.h"
#include "files/Scaninfo.h"
#include "files/Sweepsource.h"

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

/// The scan-file reader: opens a scan file (decompressing a ".gz" file to a temporary copy first),
/// checks it, fills the ScanInfo record and then hands out one ray at a time. It also collects the
/// CSV lines of the rays it reads and writes them as the two CSV files of the export.
///
/// Error codes of OpenScanFile (ScanInfo::errorCode): 1 no such file, 2 file (or temporary copy)
/// cannot be opened, 3 header unreadable, 4 body length not a multiple of the ray count (or a gzip
/// stream longer than its header says), 5 first data block not a multiple of the gate count, 6
/// date-time out of range, 8 exception while parsing or naming (also a ray or gate count of 0).
/// Code 7 is the caller's, for a ReadRay result of -1.
class TSCNFileModule : public TSweepSource {
public:
    /// Layout sizes of the two file-header layouts and of the known part of a ray header.
    static constexpr int kHeader80Bytes = 80;
    static constexpr int kHeader54Bytes = 54;
    static constexpr int kRayHeaderBytes = 6;

    TSCNFileModule();
    /// Closes the open file (deleting its temporary copy) and empties the CSV lines.
    ~TSCNFileModule() override;
    TSCNFileModule(const TSCNFileModule&) = delete;
    TSCNFileModule& operator=(const TSCNFileModule&) = delete;

    /// Opens and checks a scan file and fills `info`. `smallUnit` selects the 54-byte header
    /// layout for format versions 1 and 2. Returns the ray count (>= 0), or -1 with
    /// `info.errorCode` set. Any open file is closed first, except when `path` names no file
    /// (code 1), which leaves the open file as it was.
    int OpenScanFile(const std::string& path, bool smallUnit, ScanInfo& info);

    /// Reads the next ray at the current position. The array at `productIndex` of the data block
    /// goes into `values`, the one at `qualityIndex` into `quality` (-1 = not wanted), each at most
    /// `bytesWanted` bytes (rounded down to whole values). With `csv` set, a value line and a quality
    /// line are recorded for the arrays copied. Returns the number of values delivered for the last
    /// array copied, or -1 when the ray cannot be read or neither array is in it.
    int ReadRay(int productIndex, int qualityIndex, bool csv, int bytesWanted, std::uint16_t* quality,
                std::uint16_t* values, double& elevationDeg, double& azimuthDeg) override;

    /// Reads the next ray at the current position with every array of its data block at once:
    /// array k goes whole into arrays[k] (nullptr, or k past the span: skipped). No CSV lines are
    /// recorded. Returns the number of arrays the ray's data block holds, or -1 when the ray
    /// cannot be read (as ReadRay). For readers of the whole sweep; the frame pipeline reads
    /// through ReadRay.
    int ReadRayArrays(std::span<std::uint16_t* const> arrays, double& elevationDeg, double& azimuthDeg);

    /// Moves back to the first ray of the open file. Returns 0, or -1 when no file is open.
    int RewindToFirstRay() override;

    /// Closes the open file, if any, and deletes the temporary copy this module made for it.
    void CloseScanFile();

    /// Colour levels of `count` codes against a product's boundaries; see ::QuantiseLevels.
    void QuantiseLevels(const std::uint16_t* codes, std::uint8_t* levels, int boundaryCount,
                        const std::uint16_t* boundaryCodes, const CodeRange& range, int count) const;

    /// Decompresses the gzip file `gzipPath` into `tempPath` (replacing any file of that name) with
    /// 256-byte reads; the copy is written beside it under a name of its own (Temporaryfiles.h)
    /// and moved onto `tempPath` when complete. It holds a shared lock on the copy while the copy
    /// is open, and first clears the folder of copies and temporaries that killed runs left. A
    /// stream longer than its header says (length + 64 KB) is cut there, and the open then fails
    /// the body size check. Returns true when `tempPath` was created; false when the gzip file
    /// cannot be opened or the copy cannot be made (a full disk), in which case no copy is left.
    /// A corrupt or truncated stream is not reported: the copy then holds what could be
    /// decompressed.
    bool DecompressToTemp(const std::string& gzipPath, const std::string& tempPath);

    /// Empties both CSV line lists.
    void ClearCsvLines() override;
    /// Appends one value line: "Az[..],El[..]," and the decoded value of each of `count` codes.
    void AddValueCsvLine(ProductKind kind, const std::uint16_t* codes, int count, double azimuthDeg,
                         double elevationDeg);
    /// Appends one quality line: "Az[..],El[..]," and one cell per quality word.
    void AddQualityCsvLine(const std::uint16_t* words, int count, double azimuthDeg, double elevationDeg);
    /// Writes the value lines to the value file of `kind` and the quality lines to the quality file,
    /// each replacing any file of that name. Throws std::system_error when a file cannot be written,
    /// std::logic_error when no file has been opened successfully yet.
    void SaveCsvFiles(ProductKind kind) const override;

    /// Walks the ray records from the first by the same block rules as ReadRay, remembering
    /// where each ray's arrays start. The position of ReadRay is kept.
    bool IndexRays(std::vector<SweepRay>& rays) override;
    /// Reads one word of a ray indexed by the last IndexRays of this file.
    bool ReadGateWord(int ray, int arrayIndex, int gate, std::uint16_t& word) override;
    std::uint64_t SweepSerial() const override { return openSerial_; }

    /// The collected lines, each ending CR LF, in the order the rays were read.
    const std::string& ValueCsvLines() const { return csv_.ValueLines(); }
    const std::string& QualityCsvLines() const { return csv_.QualityLines(); }
    /// Path of the value file of `kind` ("x_Zh.csv") and of the quality file ("x_Qlty.csv") for the
    /// last file opened successfully; empty before the first.
    std::string ValueCsvPath(ProductKind kind) const override;
    std::string QualityCsvPath() const override;

    /// Name of the file actually open (the temporary copy for ".gz" input); empty when none.
    const std::string& OpenFileName() const { return openFileName_; }

private:
    int ReadFormatVersion();
    bool ReadHeader54();
    bool ReadHeader80();
    int CheckBodySizes(const ScanInfo& info);
    void ParseHeader54(ScanInfo& info);
    void ParseHeader80(ScanInfo& info);
    bool ReadRayHeader(double& elevationDeg, double& azimuthDeg);
    bool ReadArray(std::uint16_t* destination, int copyBytes, int arrayBytes);
    /// The ray header and the data block's length at the position, checked as ReadRay checks
    /// them; leaves the position at the data block. False when the ray cannot be read.
    /// ReadRayLayout, then past the data block's length word: the number of arrays that follow,
    /// or -1 when no file is open or the ray cannot be read.
    int EnterDataBlock(double& elevationDeg, double& azimuthDeg);
    bool ReadRayLayout(double& elevationDeg, double& azimuthDeg, int& arrayCount);
    int OpenSteps(const std::string& path, bool smallUnit, ScanInfo& info);

    BufferedFile file_;
    std::string openFileName_;
    std::string ownedTempPath_; // the temporary copy this module made; deleted when the file closes
    dev_t ownedTempDevice_ = 0; // the file the copy is, so that only this module's own copy is deleted
    ino_t ownedTempInode_ = 0;
    UniqueFd ownedTempLock_;             // a shared lock on the copy: it is in use
    bool smallUnit_ = false;             // the device type of the open, which the copy's length depends on
    bool notRegularFile_ = false;        // the last gzip file to decompress was no regular file
    bool copyCut_ = false;               // the copy stopped at the length its header gives: there is more
    std::set<std::string> sweptFolders_; // folders already cleared of leftovers of killed runs
    std::int64_t firstRayPosition_ = 0;
    std::int32_t rayCount_ = 0;
    std::int32_t gateCount_ = 0;
    std::uint8_t header80_[kHeader80Bytes] = {};
    std::uint8_t header54_[kHeader54Bytes] = {};
    std::uint8_t rayHeader_[kRayHeaderBytes] = {};
    int formatVersion_ = -1;
    std::uint16_t productMask_ = 0;
    TCsvLines csv_;
    struct IndexedRay {
        std::int64_t arraysPosition;
        int arrayCount;
    };
    std::vector<IndexedRay> indexedRays_; // of the open file, by IndexRays
    std::uint64_t openSerial_ = 0;
};

inline TSCNFileModule* SCNFileModule = nullptr;
