#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Writes scan files in any header layout and version, for tests, benchmarks and demo data, and
// on request deliberately broken ones. Values are given as the raw words the file stores.

namespace scanwriter {

enum class HeaderLayout { Bytes80, Bytes54 };

/// Size of the known part of each header layout.
int LayoutBytes(HeaderLayout layout);

/// Six date-time words of a header: year, month, day, hour, minute, second.
struct HeaderDateTime {
    std::uint16_t year = 2025;
    std::uint16_t month = 7;
    std::uint16_t day = 12;
    std::uint16_t hour = 15;
    std::uint16_t minute = 30;
    std::uint16_t second = 0;
};

/// A latitude or longitude as the header stores it; the degrees word carries the sign.
struct CoordinateWords {
    std::int16_t degrees = 0;
    std::uint16_t minutes = 0;
    std::uint16_t secondsMilli = 0; // seconds x 1000
};

/// Words of a coordinate in degrees (north and east positive). Within one degree of 0 on the
/// negative side the degrees word cannot carry the sign; such values are written as positive.
CoordinateWords ToCoordinateWords(double degrees);

/// Every field of a file header. `rayCount` and `gateCount` are written as given.
struct ScanHeader {
    HeaderLayout layout = HeaderLayout::Bytes80;
    std::uint16_t version = 3;
    HeaderDateTime dateTimeA;
    HeaderDateTime dateTimeB; // 80-byte layout only
    CoordinateWords latitude;
    CoordinateWords longitude;
    std::uint16_t combinedHigh = 0;
    std::uint16_t combinedLow = 0;
    std::uint16_t tenths[3] = {0, 0, 0};
    std::int16_t hundredths1 = 0;
    std::int16_t hundredths2 = 0; // 80-byte layout only
    std::uint16_t rayCount = 0;
    std::uint16_t gateCount = 0;
    std::uint16_t gateSpacingCm = 10000; // units of 0.01 m
    std::int32_t powerMantissa1 = 0;
    std::int16_t powerExponent1 = 0;
    std::int32_t powerMantissa2 = 0; // 80-byte layout only
    std::int16_t powerExponent2 = 0;
    std::uint16_t azimuthOffsetCentiDeg = 0xFFFF; // 0xFFFF = not given
    std::uint16_t productMask = 0x01FF;           // 80-byte layout only
    std::int16_t extraWord1 = 0;
    std::int16_t extraWord2 = 0;
    /// Header block length: 0 for the layout's size; more appends zero bytes to the block, less
    /// writes only that many bytes of the layout.
    int blockLength = 0;
};

/// Block lengths of one ray record that differ from the regular ones.
struct RayBlocks {
    /// Ray header block length: 6 is regular, more pads the block, less writes only that many bytes
    /// (a length below 2 still writes the 2-byte length word).
    int rayHeaderLength = 6;
    /// Data block length word; -1 writes the true length 2 + arrays x gates x 2.
    int dataLength = -1;
};

/// Deliberate damage applied to a finished file.
enum class Breakage {
    None,
    ShortHeader,                      // the file ends one byte before the header's known part
    BodyNotMultipleOfRayCount,        // one extra byte after the last ray (needs 2 or more rays)
    DataLengthNotMultipleOfGateCount, // first data block length word + 1 (needs 2 or more gates)
    TruncatedLastRay,                 // the last array of the last ray is missing
};

/// Builds a scan file in memory: the header, then one ray record per AddRay.
class ScanFileBuilder {
public:
    explicit ScanFileBuilder(const ScanHeader& header);

    /// Appends a ray: azimuth in 0.01 degree, elevation in 0.01 degree, and `arrays` holding the
    /// arrays of its data block one after another (a multiple of the header's gate count, in
    /// ascending mask-bit order). Throws std::invalid_argument for a size that is not a multiple
    /// and std::length_error for a data block longer than 65535 bytes.
    void AddRay(std::uint16_t azimuthCentiDeg, std::int16_t elevationCentiDeg,
                std::span<const std::uint16_t> arrays, const RayBlocks& blocks = {});

    int RayCount() const { return static_cast<int>(rayStarts_.size()); }
    /// The file so far with `breakage` applied. Throws std::logic_error when the file has too few
    /// rays or gates for that breakage to show.
    std::vector<std::uint8_t> Bytes(Breakage breakage = Breakage::None) const;

private:
    ScanHeader header_;
    std::vector<std::uint8_t> bytes_;
    std::vector<std::size_t> rayStarts_;
    std::size_t firstDataBlock_ = 0;
    std::size_t lastArrayBytes_ = 0;
};

/// Encodes the 80- or 54-byte header block alone.
std::vector<std::uint8_t> EncodeHeader(const ScanHeader& header);

/// Number of set bits of a product mask: the arrays a regular data block holds.
int ArraysInMask(std::uint16_t productMask);

/// Writes bytes to a file, replacing it. Throws std::system_error on failure.
void WriteFile(const std::string& path, std::span<const std::uint8_t> bytes);
/// Writes bytes gzip-compressed (a ".gz" copy). Throws std::system_error on failure.
void WriteGzipFile(const std::string& path, std::span<const std::uint8_t> bytes);
/// Gzip stream of bytes in memory, as WriteGzipFile would write it.
std::vector<std::uint8_t> GzipBytes(std::span<const std::uint8_t> bytes);

} // namespace scanwriter
