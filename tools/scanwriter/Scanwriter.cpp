#include "tools/scanwriter/Scanwriter.h"

#include "files/Littleendian.h"
#include "files/Outputfile.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <stdexcept>
#include <system_error>
#include <unistd.h>
#include <zlib.h>

namespace scanwriter {
namespace {

constexpr int kRayHeaderKnownBytes = 6;
constexpr std::size_t kMaxBlockBytes = 0xFFFF;

void PutDateTime(std::uint8_t* words, const HeaderDateTime& t) {
    const std::uint16_t fields[6] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    for (std::size_t i = 0; i < 6; ++i) {
        StoreU16(words + 2 * i, fields[i]);
    }
}

void PutCoordinate(std::uint8_t* words, const CoordinateWords& c) {
    StoreU16(words, static_cast<std::uint16_t>(c.degrees));
    StoreU16(words + 2, c.minutes);
    StoreU16(words + 4, c.secondsMilli);
}

void PutI16(std::uint8_t* bytes, std::int16_t value) {
    StoreU16(bytes, static_cast<std::uint16_t>(value));
}

void AppendU16(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

} // namespace

int LayoutBytes(HeaderLayout layout) {
    return layout == HeaderLayout::Bytes80 ? 80 : 54;
}

int ArraysInMask(std::uint16_t productMask) {
    return std::popcount(productMask);
}

CoordinateWords ToCoordinateWords(double degrees) {
    const double magnitude = std::fabs(degrees);
    auto whole = static_cast<int>(magnitude);
    const double minutesExact = (magnitude - whole) * 60.0;
    auto minutes = static_cast<int>(minutesExact);
    auto secondsMilli = static_cast<long>(std::lround((minutesExact - minutes) * 60.0 * 1000.0));
    if (secondsMilli >= 60000) {
        secondsMilli -= 60000;
        ++minutes;
    }
    if (minutes >= 60) {
        minutes -= 60;
        ++whole;
    }
    CoordinateWords words;
    words.degrees = static_cast<std::int16_t>(degrees < 0 ? -whole : whole);
    words.minutes = static_cast<std::uint16_t>(minutes);
    words.secondsMilli = static_cast<std::uint16_t>(secondsMilli);
    return words;
}

std::vector<std::uint8_t> EncodeHeader(const ScanHeader& h) {
    const bool wide = h.layout == HeaderLayout::Bytes80;
    const int layoutBytes = LayoutBytes(h.layout);
    std::vector<std::uint8_t> known(static_cast<std::size_t>(layoutBytes), 0);
    std::uint8_t* p = known.data();
    const int blockLength = h.blockLength > 0 ? h.blockLength : layoutBytes;
    StoreU16(p, static_cast<std::uint16_t>(blockLength));
    StoreU16(p + 2, h.version);
    PutDateTime(p + 4, h.dateTimeA);
    PutCoordinate(p + 16, h.latitude);
    PutCoordinate(p + 22, h.longitude);
    StoreU16(p + 28, h.combinedHigh);
    StoreU16(p + 30, h.combinedLow);
    for (std::size_t i = 0; i < 3; ++i) {
        StoreU16(p + 32 + 2 * i, h.tenths[i]);
    }
    PutI16(p + 38, h.hundredths1);
    if (wide) {
        PutI16(p + 40, h.hundredths2);
        StoreU16(p + 42, h.rayCount);
        StoreU16(p + 44, h.gateCount);
        StoreU16(p + 46, h.gateSpacingCm);
        StoreI32(p + 48, h.powerMantissa1);
        PutI16(p + 52, h.powerExponent1);
        StoreI32(p + 54, h.powerMantissa2);
        PutI16(p + 58, h.powerExponent2);
        StoreU16(p + 60, h.azimuthOffsetCentiDeg);
        PutDateTime(p + 62, h.dateTimeB);
        StoreU16(p + 74, h.productMask);
        PutI16(p + 76, h.extraWord1);
        PutI16(p + 78, h.extraWord2);
    } else {
        StoreU16(p + 40, h.rayCount);
        StoreU16(p + 42, h.gateCount);
        StoreU16(p + 44, h.gateSpacingCm);
        StoreI32(p + 46, h.powerMantissa1);
        PutI16(p + 50, h.powerExponent1);
        StoreU16(p + 52, h.azimuthOffsetCentiDeg);
    }
    known.resize(static_cast<std::size_t>(blockLength), 0);
    return known;
}

ScanFileBuilder::ScanFileBuilder(const ScanHeader& header) : header_(header), bytes_(EncodeHeader(header)) {}

void ScanFileBuilder::AddRay(std::uint16_t azimuthCentiDeg, std::int16_t elevationCentiDeg,
                             std::span<const std::uint16_t> arrays, const RayBlocks& blocks) {
    const std::size_t gates = header_.gateCount;
    if (gates == 0 ? !arrays.empty() : arrays.size() % gates != 0) {
        throw std::invalid_argument("ray arrays are not a whole number of gate arrays");
    }
    const std::size_t trueDataLength = 2 + arrays.size() * 2;
    if (trueDataLength > kMaxBlockBytes) {
        throw std::length_error("data block longer than 65535 bytes");
    }
    rayStarts_.push_back(bytes_.size());

    std::uint8_t rayHeader[kRayHeaderKnownBytes];
    StoreU16(rayHeader, static_cast<std::uint16_t>(blocks.rayHeaderLength));
    StoreU16(rayHeader + 2, azimuthCentiDeg);
    PutI16(rayHeader + 4, elevationCentiDeg);
    const int headerBytes = std::max(2, blocks.rayHeaderLength);
    for (int i = 0; i < headerBytes; ++i) {
        bytes_.push_back(i < kRayHeaderKnownBytes ? rayHeader[i] : 0);
    }

    if (rayStarts_.size() == 1) {
        firstDataBlock_ = bytes_.size();
    }
    AppendU16(bytes_,
              static_cast<std::uint16_t>(blocks.dataLength >= 0 ? blocks.dataLength : trueDataLength));
    for (const std::uint16_t code : arrays) {
        AppendU16(bytes_, code);
    }
    lastArrayBytes_ = gates * 2;
}

std::vector<std::uint8_t> ScanFileBuilder::Bytes(Breakage breakage) const {
    std::vector<std::uint8_t> bytes = bytes_;
    switch (breakage) {
    case Breakage::None:
        break;
    case Breakage::ShortHeader: {
        const int headerLength = LoadU16(bytes.data());
        bytes.resize(static_cast<std::size_t>(std::min(headerLength, LayoutBytes(header_.layout)) - 1));
        break;
    }
    case Breakage::BodyNotMultipleOfRayCount:
        if (rayStarts_.size() < 2) {
            throw std::logic_error("every length is a multiple of one ray");
        }
        bytes.push_back(0);
        break;
    case Breakage::DataLengthNotMultipleOfGateCount:
        if (rayStarts_.empty() || header_.gateCount < 2) {
            throw std::logic_error("needs a ray and at least two gates");
        }
        StoreU16(bytes.data() + firstDataBlock_,
                 static_cast<std::uint16_t>(LoadU16(bytes.data() + firstDataBlock_) + 1));
        break;
    case Breakage::TruncatedLastRay:
        if (rayStarts_.empty() || lastArrayBytes_ == 0) {
            throw std::logic_error("no ray to truncate");
        }
        bytes.resize(bytes.size() - lastArrayBytes_);
        break;
    }
    return bytes;
}

void WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    // A new file rather than an emptied one: rewriting a file in place makes some file systems
    // flush it at once, which slows down tests that write thousands of variants.
    ::unlink(path.c_str());
    OutputFile file;
    if (!file.Create(path, true) || !file.Write(bytes.data(), bytes.size()) || !file.Close()) {
        throw std::system_error(errno, std::generic_category(), "cannot write " + path);
    }
}

std::vector<std::uint8_t> GzipBytes(std::span<const std::uint8_t> bytes) {
    z_stream stream{};
    constexpr int kGzipWindowBits = 15 + 16; // zlib window with a gzip wrapper
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindowBits, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        throw std::runtime_error("zlib cannot start a gzip stream");
    }
    std::vector<std::uint8_t> out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 32);
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) {
        throw std::runtime_error("zlib could not compress the scan file");
    }
    return out;
}

void WriteGzipFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    WriteFile(path, GzipBytes(bytes));
}

} // namespace scanwriter
