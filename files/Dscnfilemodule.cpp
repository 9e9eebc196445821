#include "files/Dscnfilemodule.h"

#include "base/Temporaryfiles.h"
#include "base/Uniquefd.h"
#include "files/Calcfunc.h"
#include "files/Csvformat.h"
#include "files/Gzipopen.h"
#include "files/Littleendian.h"
#include "files/Outputfile.h"
#include "files/Pathnames.h"
#include "files/Regularfile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

constexpr std::string_view kTempSuffix = ".$$$";
constexpr int kGzipChunkBytes = 256;
// How far a decompressed copy may run past the length its header gives before it is cut.
constexpr std::uint64_t kCopySlackBytes = std::uint64_t{64} * 1024;
// Names to try for a copy, in case leftovers of earlier processes with this id are in the way.
constexpr int kCreateAttempts = 100;
constexpr std::uint16_t kMask80Old = 0x00FF; // versions 1 and 2 read with the 80-byte layout
constexpr std::uint16_t kMask54 = 0x0087;    // R, Zh, V and W, no quality array
constexpr std::uint16_t kOffsetNotGiven = 0xFFFF;

// --- header fields ----------------------------------------------------------------------------

// Date-time of six words: year, month, day, hour, minute, second. The day of week is left alone.
void LoadDateTime(ScanDateTime& dateTime, const std::uint8_t* words) {
    dateTime.year = LoadU16(words);
    dateTime.month = LoadU16(words + 2);
    dateTime.day = LoadU16(words + 4);
    dateTime.hour = LoadU16(words + 6);
    dateTime.minute = LoadU16(words + 8);
    dateTime.second = LoadU16(words + 10);
    dateTime.millisecond = 0;
}

bool DateTimeInRange(const ScanDateTime& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour <= 23 && t.minute <= 59 &&
           t.second <= 60;
}

// Degrees, minutes and thousandths of seconds; the sign of the degrees word gives the hemisphere.
double LoadCoordinate(const std::uint8_t* words, bool ignoreFullTurns) {
    const int degrees = LoadI16(words);
    double magnitude = std::abs(degrees);
    if (ignoreFullTurns && magnitude >= 360.0) {
        magnitude = 0.0;
    }
    magnitude += LoadU16(words + 2) / 60.0 + (LoadU16(words + 4) * 0.001) / 3600.0;
    return degrees < 0 ? -magnitude : magnitude;
}

double LoadCombinedValue(const std::uint8_t* words) {
    return (static_cast<double>(LoadU16(words)) * 10000.0 + LoadU16(words + 2)) * 0.01;
}

double LoadPowerValue(const std::uint8_t* mantissa, const std::uint8_t* exponent) {
    return PowerValue(LoadI32(mantissa), LoadI16(exponent));
}

double AzimuthOffsetDeg(std::uint16_t word) {
    return word == kOffsetNotGiven ? -1.0 : word * 0.01;
}

// Fields at offsets 4..39, the same in both header layouts: date-time A, position, the combined
// value, the tenths and the first hundredths value.
void LoadLeadingFields(ScanInfo& info, const std::uint8_t* h, bool ignoreFullTurns) {
    LoadDateTime(info.headerTime, h + 4);
    info.latitude = LoadCoordinate(h + 16, ignoreFullTurns);
    info.longitude = LoadCoordinate(h + 22, ignoreFullTurns);
    info.combinedValue = LoadCombinedValue(h + 28);
    for (int i = 0; i < 3; ++i) {
        info.tenthValues[i] = LoadU16(h + 32 + 2 * static_cast<std::ptrdiff_t>(i)) * 0.1;
    }
    info.hundredthValue1 = LoadI16(h + 38) * 0.01;
}

// Reads one block by the block rule: peeks its length word, copies min(length, knownBytes) bytes
// from the block start into `known` and skips the rest. Returns the block length, or -1 when the
// length word or the copied part cannot be read.
int ReadBlock(BufferedFile& file, std::uint8_t* known, int knownBytes) {
    std::uint16_t length = 0;
    if (!file.PeekU16(length)) {
        return -1;
    }
    const int copyBytes = std::min<int>(length, knownBytes);
    if (file.Read(known, static_cast<std::size_t>(copyBytes)) != static_cast<std::size_t>(copyBytes)) {
        return -1;
    }
    file.Skip(length - copyBytes);
    return length;
}

// The length of a scan file as its first bytes describe it: header length + rayCount x (first ray
// header block + first data block), read from the bytes the way the open reads them with the
// device type given. Fed with the start of a decompressed stream, it knows the length once the
// first ray's two length words have been seen; files whose rays differ in length fail the size
// checks anyway.
class ImpliedFileLength {
public:
    explicit ImpliedFileLength(bool smallUnit) : smallUnit_(smallUnit) {}

    /// Takes the next bytes of the stream (only the first ones are kept).
    void Observe(const std::uint8_t* bytes, std::size_t count) {
        if (!length_) {
            head_.insert(head_.end(), bytes, bytes + std::min(count, kLongestHead - head_.size()));
            length_ = FromHead();
        }
    }
    /// The implied length, once known.
    std::optional<std::uint64_t> Bytes() const { return length_; }

private:
    // Header block, first ray header block and the data block's length word, each at most 65535.
    static constexpr std::size_t kLongestHead = 2 * 65535 + 2;

    std::optional<std::uint16_t> WordAt(std::size_t offset) const {
        if (offset + 2 > head_.size()) {
            return std::nullopt;
        }
        return LoadU16(head_.data() + offset);
    }
    std::optional<std::uint64_t> FromHead() const {
        const auto headerLength = WordAt(0);
        const auto version = WordAt(2);
        if (!headerLength || !version || head_.size() < *headerLength) {
            return std::nullopt;
        }
        const auto rayHeaderLength = WordAt(*headerLength);
        const auto dataLength =
            rayHeaderLength ? WordAt(std::size_t{*headerLength} + *rayHeaderLength) : std::nullopt;
        if (!dataLength) {
            return std::nullopt;
        }
        // The header is read into a buffer pre-filled with 0xFF: a field beyond a shorter header
        // block reads 0xFFFF.
        const std::size_t rayCountOffset = *version <= 2 && smallUnit_ ? 40 : 42;
        const std::uint64_t rayCount = rayCountOffset + 2 <= *headerLength ? *WordAt(rayCountOffset) : 0xFFFF;
        return *headerLength + rayCount * (std::uint64_t{*rayHeaderLength} + *dataLength);
    }

    bool smallUnit_;
    std::vector<std::uint8_t> head_;
    std::optional<std::uint64_t> length_;
};

// Frees the gzip stream on every path out of DecompressToTemp. The file is opened as a regular
// file only (never waiting for a FIFO's writer), then handed to zlib.
struct GzipStream {
    bool notRegular = false; // something other than a regular file was found at the path (set first)
    gzFile handle = nullptr;
    explicit GzipStream(const std::string& path) : handle(OpenRegularGzip(path, &notRegular)) {}
    ~GzipStream() {
        if (handle != nullptr) {
            gzclose(handle);
        }
    }
    GzipStream(const GzipStream&) = delete;
    GzipStream& operator=(const GzipStream&) = delete;
};

} // namespace

TSCNFileModule::TSCNFileModule() = default;

TSCNFileModule::~TSCNFileModule() {
    CloseScanFile();
    ClearCsvLines();
}

// --- open -------------------------------------------------------------------------------------

int TSCNFileModule::OpenScanFile(const std::string& path, bool smallUnit, ScanInfo& info) {
    if (!IsRegularFile(path)) {
        info.errorCode = kScanFileSelectionError;
        return -1;
    }
    try {
        return OpenSteps(path, smallUnit, info);
    } catch (...) {
        info.errorCode = kScanFileExceptionError;
        return -1;
    }
}

int TSCNFileModule::OpenSteps(const std::string& path, bool smallUnit, ScanInfo& info) {
    CloseScanFile();
    ++openSerial_;
    smallUnit_ = smallUnit;

    std::string openPath = path;
    if (IsGzipPath(path)) {
        // x.scn.gz is read through x.scn.gz.$$$ beside it.
        std::string tempPath = path;
        tempPath += kTempSuffix;
        if (!DecompressToTemp(path, tempPath)) {
            // Replaced by a FIFO or the like since the check: no file to select.
            info.errorCode = notRegularFile_ ? kScanFileSelectionError : kScanFileHandleError;
            return -1;
        }
        ownedTempPath_ = tempPath;
        openPath = std::move(tempPath);
    }
    if (!file_.Open(openPath)) {
        const bool notRegular = file_.OpenFoundNoRegularFile();
        CloseScanFile(); // removes a copy that could not be opened
        info.errorCode = notRegular ? kScanFileSelectionError : kScanFileHandleError;
        return -1;
    }
    openFileName_ = openPath;

    formatVersion_ = ReadFormatVersion();
    const bool layout54 = formatVersion_ <= 2 && smallUnit;
    if (!(layout54 ? ReadHeader54() : ReadHeader80())) {
        info.errorCode = kScanHeaderReadError;
        return -1;
    }
    if (layout54) {
        ParseHeader54(info);
    } else {
        ParseHeader80(info);
    }
    if (!DateTimeInRange(info.scanTime)) {
        info.errorCode = kScanDateTimeError;
        return -1;
    }
    if (const int sizeCode = CheckBodySizes(info); sizeCode != 0) {
        info.errorCode = sizeCode;
        return -1;
    }
    info.valid = 1;
    info.name = ScanName(path);
    firstRayPosition_ = file_.Position();
    rayCount_ = info.rayCount;
    gateCount_ = info.gateCount;
    csv_.SetSweepPath(path);
    return info.rayCount;
}

int TSCNFileModule::ReadFormatVersion() {
    std::uint8_t word[2];
    file_.Seek(2);
    const bool complete = file_.Read(word, sizeof word) == sizeof word;
    file_.Seek(0);
    return complete ? LoadU16(word) : -1;
}

bool TSCNFileModule::ReadHeader80() {
    // Fields beyond a shorter header read as 0xFFFF / -1.
    std::memset(header80_, 0xFF, sizeof header80_);
    return ReadBlock(file_, header80_, kHeader80Bytes) >= 0;
}

bool TSCNFileModule::ReadHeader54() {
    // Pre-filled like the 80-byte buffer so that a short header never shows an earlier file's fields.
    std::memset(header54_, 0xFF, sizeof header54_);
    return ReadBlock(file_, header54_, kHeader54Bytes) >= 0;
}

void TSCNFileModule::ParseHeader80(ScanInfo& info) {
    const std::uint8_t* h = header80_;
    LoadLeadingFields(info, h, true);
    info.hundredthValue2 = LoadI16(h + 40) * 0.01;
    info.rayCount = LoadU16(h + 42);
    info.gateCount = LoadU16(h + 44);
    info.gateSpacingM = LoadU16(h + 46) * 0.01;
    info.powerValue1 = LoadPowerValue(h + 48, h + 52);
    info.powerValue2 = LoadPowerValue(h + 54, h + 58);
    info.azimuthOffsetDeg = AzimuthOffsetDeg(LoadU16(h + 60));
    if (formatVersion_ >= 3) {
        LoadDateTime(info.scanTime, h + 62);
        info.productMask = LoadU16(h + 74);
    } else {
        LoadDateTime(info.scanTime, h + 4);
        info.productMask = kMask80Old;
    }
    info.extraWord1 = LoadI16(h + 76);
    info.extraWord2 = LoadI16(h + 78);
    info.formatType = static_cast<std::uint16_t>(formatVersion_);
    productMask_ = info.productMask;
}

void TSCNFileModule::ParseHeader54(ScanInfo& info) {
    const std::uint8_t* h = header54_;
    LoadLeadingFields(info, h, false);
    LoadDateTime(info.scanTime, h + 4);
    info.rayCount = LoadU16(h + 40);
    info.gateCount = LoadU16(h + 42);
    info.gateSpacingM = LoadU16(h + 44) * 0.01;
    info.powerValue1 = LoadPowerValue(h + 46, h + 50);
    info.azimuthOffsetDeg = AzimuthOffsetDeg(LoadU16(h + 52));
    // Fields this layout does not carry: zero rather than whatever the previous file left.
    info.hundredthValue2 = 0.0;
    info.powerValue2 = 0.0;
    info.extraWord1 = 0;
    info.extraWord2 = 0;
    info.productMask = kMask54;
    info.formatType = static_cast<std::uint16_t>(formatVersion_ + 100);
    productMask_ = info.productMask;
}

int TSCNFileModule::CheckBodySizes(const ScanInfo& info) {
    // Neither size can be tested against a count of 0.
    if (info.rayCount <= 0 || info.gateCount <= 0) {
        return kScanFileExceptionError;
    }
    const std::int64_t savedPosition = file_.Position();
    const std::int64_t fileLength = file_.Length();
    std::uint16_t headerLength = 0;
    std::uint16_t rayHeaderLength = 0;
    std::uint16_t dataLength = 0;
    file_.Seek(0);
    bool haveDataLength = file_.PeekU16(headerLength);
    if (haveDataLength) {
        file_.Seek(headerLength);
        haveDataLength = file_.PeekU16(rayHeaderLength) && rayHeaderLength >= 2;
    }
    if (haveDataLength) {
        file_.Skip(rayHeaderLength);
        haveDataLength = file_.PeekU16(dataLength) && dataLength >= 2;
    }
    file_.Seek(savedPosition);

    int code = kScanNoError;
    const std::int64_t bodyLength = fileLength - headerLength;
    if (copyCut_ || fileLength < 0 || bodyLength < 0 || bodyLength % info.rayCount != 0) {
        code = kScanSweepNumError;
    }
    // A missing first ray fails here too: there is no data block to measure.
    if (!haveDataLength || (dataLength - 2) % info.gateCount != 0) {
        code = kScanDataNumError;
    }
    return code;
}

bool TSCNFileModule::DecompressToTemp(const std::string& gzipPath, const std::string& tempPath) {
    copyCut_ = false;
    GzipStream gzip(gzipPath);
    notRegularFile_ = gzip.notRegular;
    if (gzip.handle == nullptr) {
        return false;
    }
    const std::string folder = std::filesystem::path(tempPath).parent_path().string();
    if (sweptFolders_.insert(folder).second) {
        RemoveLeftoverTemporaries(folder);
    }
    // The copy is written under a name of its own and then renamed onto tempPath in one step, so
    // tempPath only ever names a complete copy: another run decompressing the same file at the
    // same moment never reads a half-written copy, and a copy left by a crash is replaced.
    const std::string base =
        tempPath.substr(0, tempPath.size() - std::min(tempPath.size(), kTempSuffix.size()));
    OutputFile copy;
    std::string writingPath;
    bool created = false;
    for (int attempt = 0; attempt < kCreateAttempts && !created; ++attempt) {
        writingPath = TemporaryPathFor(base);
        created = copy.Create(writingPath, true);
        if (!created && errno != EEXIST) {
            return false;
        }
    }
    if (!created) {
        return false;
    }
    // Held as long as the copy is this module's: a later run sweeping the folder leaves it alone.
    UniqueFd lock(::open(writingPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (lock.Valid()) {
        ::flock(lock.Get(), LOCK_SH);
    }
    // The header tells how long the file is; a stream that goes on much longer (a gzip bomb)
    // is cut there, and the size check then fails it.
    ImpliedFileLength implied(smallUnit_);
    std::uint64_t copied = 0;
    bool written = true;
    std::uint8_t chunk[kGzipChunkBytes];
    while (written) {
        const int got = gzread(gzip.handle, chunk, sizeof chunk);
        if (got <= 0) {
            break;
        }
        auto take = static_cast<std::uint64_t>(got);
        if (const auto length = implied.Bytes(); length && copied + take > *length + kCopySlackBytes) {
            take = *length + kCopySlackBytes - std::min(copied, *length + kCopySlackBytes);
            copyCut_ = true;
        }
        written = copy.Write(chunk, static_cast<std::size_t>(take));
        implied.Observe(chunk, static_cast<std::size_t>(take));
        copied += take;
        if (copyCut_) {
            break;
        }
    }
    // A copy cut short by a full disk would be read as a damaged scan file.
    written = copy.Close() && written;
    struct stat made {};
    if (!written || ::stat(writingPath.c_str(), &made) != 0 ||
        ::rename(writingPath.c_str(), tempPath.c_str()) != 0) {
        ::unlink(writingPath.c_str());
        return false;
    }
    ownedTempDevice_ = made.st_dev;
    ownedTempInode_ = made.st_ino;
    ownedTempLock_ = std::move(lock);
    return true;
}

void TSCNFileModule::CloseScanFile() {
    file_.Close();
    if (!ownedTempPath_.empty()) {
        // Another run of the same file may have renamed its own copy onto the name since; that
        // copy is left to its owner.
        struct stat named {};
        if (::stat(ownedTempPath_.c_str(), &named) == 0 && named.st_dev == ownedTempDevice_ &&
            named.st_ino == ownedTempInode_) {
            ::unlink(ownedTempPath_.c_str());
        }
        ownedTempPath_.clear();
    }
    ownedTempLock_.Reset();
    copyCut_ = false;
    openFileName_.clear();
    firstRayPosition_ = 0;
    rayCount_ = 0;
    gateCount_ = 0;
    productMask_ = 0;
    formatVersion_ = -1;
    indexedRays_.clear();
}

int TSCNFileModule::RewindToFirstRay() {
    if (!file_.IsOpen()) {
        return -1;
    }
    file_.DropBuffer(); // every frame reads what is in the file now
    file_.Seek(firstRayPosition_);
    return 0;
}

// --- rays -------------------------------------------------------------------------------------

bool TSCNFileModule::ReadRayHeader(double& elevationDeg, double& azimuthDeg) {
    std::memset(rayHeader_, 0xFF, sizeof rayHeader_);
    // A block shorter than its own length word would leave the position inside itself.
    if (ReadBlock(file_, rayHeader_, kRayHeaderBytes) < 2) {
        return false;
    }
    azimuthDeg = LoadU16(rayHeader_ + 2) * 0.01;
    elevationDeg = LoadI16(rayHeader_ + 4) * 0.01;
    return true;
}

bool TSCNFileModule::ReadArray(std::uint16_t* destination, int copyBytes, int arrayBytes) {
    const auto wanted = static_cast<std::size_t>(copyBytes);
    if (file_.Read(destination, wanted) != wanted) {
        return false;
    }
    if constexpr (std::endian::native == std::endian::big) {
        for (int i = 0; i < copyBytes / 2; ++i) {
            destination[i] = static_cast<std::uint16_t>((destination[i] >> 8) | (destination[i] << 8));
        }
    }
    file_.Skip(arrayBytes - copyBytes);
    return true;
}

bool TSCNFileModule::ReadRayLayout(double& elevationDeg, double& azimuthDeg, int& arrayCount) {
    if (!ReadRayHeader(elevationDeg, azimuthDeg)) {
        return false;
    }
    std::uint16_t dataLength = 0;
    if (!file_.PeekU16(dataLength) || dataLength < 2) {
        return false;
    }
    const int arrayBytes = gateCount_ * 2;
    const int payloadBytes = dataLength - 2;
    if (payloadBytes % arrayBytes != 0) {
        return false;
    }
    arrayCount = payloadBytes / arrayBytes;
    return true;
}

int TSCNFileModule::EnterDataBlock(double& elevationDeg, double& azimuthDeg) {
    int arrayCount = 0;
    if (!file_.IsOpen() || gateCount_ <= 0 || !ReadRayLayout(elevationDeg, azimuthDeg, arrayCount)) {
        return -1;
    }
    file_.Skip(2); // the data block's length word
    return arrayCount;
}

int TSCNFileModule::ReadRay(int productIndex, int qualityIndex, bool csv, int bytesWanted,
                            std::uint16_t* quality, std::uint16_t* values, double& elevationDeg,
                            double& azimuthDeg) {
    const int arrayCount = EnterDataBlock(elevationDeg, azimuthDeg);
    if (arrayCount < 0) {
        return -1;
    }
    const int arrayBytes = gateCount_ * 2;
    // Whole values only: an odd byte count would leave half a value in the caller's buffer.
    const int copyBytes = std::clamp(bytesWanted, 0, arrayBytes) & ~1;
    const int delivered = bytesWanted < arrayBytes ? copyBytes / 2 : gateCount_;

    int result = -1;
    for (int k = 0; k < arrayCount; ++k) {
        if (k == productIndex) {
            if (!ReadArray(values, copyBytes, arrayBytes)) {
                return -1;
            }
            const int bit = MaskBitOfArray(productMask_, k);
            if (csv && bit >= 0 && bit < kProductCount) {
                AddValueCsvLine(static_cast<ProductKind>(bit), values, delivered, azimuthDeg, elevationDeg);
            }
            result = delivered;
        } else if (k == qualityIndex) {
            if (!ReadArray(quality, copyBytes, arrayBytes)) {
                return -1;
            }
            if (csv) {
                AddQualityCsvLine(quality, delivered, azimuthDeg, elevationDeg);
            }
            result = delivered;
        } else {
            file_.Skip(arrayBytes);
        }
    }
    return result;
}

int TSCNFileModule::ReadRayArrays(std::span<std::uint16_t* const> arrays, double& elevationDeg,
                                  double& azimuthDeg) {
    const int arrayCount = EnterDataBlock(elevationDeg, azimuthDeg);
    if (arrayCount < 0) {
        return -1;
    }
    const int arrayBytes = gateCount_ * 2;
    for (int k = 0; k < arrayCount; ++k) {
        std::uint16_t* destination =
            static_cast<std::size_t>(k) < arrays.size() ? arrays[static_cast<std::size_t>(k)] : nullptr;
        if (destination == nullptr) {
            file_.Skip(arrayBytes);
        } else if (!ReadArray(destination, arrayBytes, arrayBytes)) {
            return -1;
        }
    }
    return arrayCount;
}

bool TSCNFileModule::IndexRays(std::vector<SweepRay>& rays) {
    rays.clear();
    indexedRays_.clear();
    if (!file_.IsOpen() || gateCount_ <= 0) {
        return false;
    }
    const std::int64_t resume = file_.Position();
    const std::int64_t arrayBytes = std::int64_t{gateCount_} * 2;
    file_.Seek(firstRayPosition_);
    bool readable = true;
    for (int k = 0; k < rayCount_ && readable; ++k) {
        SweepRay ray;
        readable = ReadRayLayout(ray.elevationDeg, ray.azimuthDeg, ray.arrayCount);
        if (readable) {
            const std::int64_t arraysPosition = file_.Position() + 2;
            indexedRays_.push_back({arraysPosition, ray.arrayCount});
            rays.push_back(ray);
            file_.Seek(arraysPosition + ray.arrayCount * arrayBytes);
        }
    }
    file_.Seek(resume);
    if (!readable) {
        rays.clear();
        indexedRays_.clear();
    }
    return readable;
}

bool TSCNFileModule::ReadGateWord(int ray, int arrayIndex, int gate, std::uint16_t& word) {
    if (!file_.IsOpen() || ray < 0 || ray >= static_cast<int>(indexedRays_.size()) || gate < 0 ||
        gate >= gateCount_ || arrayIndex < 0) {
        return false;
    }
    const IndexedRay& indexed = indexedRays_[static_cast<std::size_t>(ray)];
    word = 0;
    if (arrayIndex >= indexed.arrayCount) {
        return true; // an array the ray's data block does not hold reads as zeros, as in a frame
    }
    const std::int64_t resume = file_.Position();
    std::uint8_t bytes[2];
    file_.Seek(indexed.arraysPosition + (std::int64_t{arrayIndex} * gateCount_ + gate) * 2);
    const bool read = file_.Read(bytes, sizeof bytes) == sizeof bytes;
    file_.Seek(resume);
    word = read ? LoadU16(bytes) : 0;
    return read;
}

void TSCNFileModule::QuantiseLevels(const std::uint16_t* codes, std::uint8_t* levels, int boundaryCount,
                                    const std::uint16_t* boundaryCodes, const CodeRange& range,
                                    int count) const {
    ::QuantiseLevels(codes, levels, boundaryCount, boundaryCodes, range, count);
}

// --- CSV export -------------------------------------------------------------------------------

void TSCNFileModule::ClearCsvLines() {
    csv_.Clear();
}

void TSCNFileModule::AddValueCsvLine(ProductKind kind, const std::uint16_t* codes, int count,
                                     double azimuthDeg, double elevationDeg) {
    csv_.AddValueLine(kind, codes, count, azimuthDeg, elevationDeg);
}

void TSCNFileModule::AddQualityCsvLine(const std::uint16_t* words, int count, double azimuthDeg,
                                       double elevationDeg) {
    csv_.AddQualityLine(words, count, azimuthDeg, elevationDeg);
}

std::string TSCNFileModule::ValueCsvPath(ProductKind kind) const {
    return csv_.ValuePath(kind);
}

std::string TSCNFileModule::QualityCsvPath() const {
    return csv_.QualityPath();
}

void TSCNFileModule::SaveCsvFiles(ProductKind kind) const {
    csv_.Save(kind);
}
