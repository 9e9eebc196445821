#pragma once

#include "files/Productkind.h"

#include <cstdint>
#include <string>

/// The CSV export of one sweep file: the value and quality lines recorded while its rays are
/// read, and the two files they are written to beside it ("x_Zh.csv", "x_Qlty.csv" for x.scn or
/// x.scn.gz).
class TCsvLines {
public:
    /// Names the files after the sweep file at `path`.
    void SetSweepPath(const std::string& path);
    /// Empties both line lists (keeping their capacity).
    void Clear();
    /// Appends one value line: "Az[..],El[..]," and the decoded value of each of `count` codes.
    void AddValueLine(ProductKind kind, const std::uint16_t* codes, int count, double azimuthDeg,
                      double elevationDeg);
    /// Appends one quality line: "Az[..],El[..]," and one cell per quality word.
    void AddQualityLine(const std::uint16_t* words, int count, double azimuthDeg, double elevationDeg);
    /// Writes the value lines to the value file of `kind` and the quality lines to the quality
    /// file, each replacing any file of that name. Throws std::system_error when a file cannot be
    /// written, std::logic_error when no sweep path has been set.
    void Save(ProductKind kind) const;

    const std::string& ValueLines() const { return valueLines_; }
    const std::string& QualityLines() const { return qualityLines_; }
    /// Paths of the two files; empty before a sweep path is set.
    std::string ValuePath(ProductKind kind) const;
    std::string QualityPath() const;

private:
    std::string valueLines_;
    std::string qualityLines_;
    std::string baseName_; // "x.csv"
};
