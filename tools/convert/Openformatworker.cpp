#include "tools/convert/Openformatworker.h"

#include "app/Batchexceptions.h"
#include "base/Temporaryfiles.h"
#include "files/Outputfile.h"
#include "files/Regularfile.h"
#include "files/formats/Scansweep.h"
#include "files/formats/Sweepfactory.h"
#include "files/formats/Sweepimport.h"
#include "files/formats/cfradial/Cfradialwriter.h"
#include "files/formats/odim/Odimwriter.h"
#include "nimbrook/Version.h"
#include "platform/Localpath.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// The sweep --sweep names (digits only, as the parser checks), kLowestSweep when not given; an
/// index past any volume's sweeps stays one.
int SweepIndexOf(const std::string& text) {
    if (text.empty()) {
        return kLowestSweep;
    }
    long long index = 0;
    for (const char digit : text) {
        index = std::min<long long>(index * 10 + (digit - '0'), std::numeric_limits<int>::max());
    }
    return static_cast<int>(index);
}

constexpr int kTemporaryAttempts = 100;
constexpr int kKeptAllocationBytes = 64 << 20;

/// A file written under a temporary name beside its final one; removed unless it was renamed
/// onto that name.
class TTemporaryOutput {
public:
    explicit TTemporaryOutput(const std::string& finalPath) {
        struct stat existing {};
        for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
            path_ = TemporaryPathFor(finalPath);
            if (::lstat(path_.c_str(), &existing) != 0) {
                break; // the writer creates it; a leftover of that name is never overwritten
            }
        }
    }
    ~TTemporaryOutput() {
        if (!committed_) {
            ::unlink(path_.c_str());
        }
    }
    TTemporaryOutput(const TTemporaryOutput&) = delete;
    TTemporaryOutput& operator=(const TTemporaryOutput&) = delete;

    const std::string& Path() const { return path_; }
    bool CommitAs(const std::string& finalPath) {
        committed_ = ::rename(path_.c_str(), finalPath.c_str()) == 0;
        return committed_;
    }

private:
    std::string path_;
    bool committed_ = false;
};

} // namespace

TOpenFormatWorker::TOpenFormatWorker(const QStringList& files, const std::vector<std::string>& outputs,
                                     TOutputFormat format, bool smallDevice, std::string station, int sweep,
                                     TGisSettings gis)
    : files_(files), outputs_(outputs), format_(format), smallDevice_(smallDevice),
      station_(std::move(station)), sweepIndex_(sweep), gis_(std::move(gis)) {
    // A sweep and the libraries' chunk buffers take tens of megabytes a file. Kept by the
    // allocator rather than handed back to the system after each file, they are not faulted in
    // (and zeroed by the kernel) again for the next: that halves the time a file takes.
    ::mallopt(M_MMAP_THRESHOLD, kKeptAllocationBytes);
    ::mallopt(M_TRIM_THRESHOLD, 4 * kKeptAllocationBytes);
    ::mallopt(M_TOP_PAD, kKeptAllocationBytes);
}

int TOpenFormatWorker::Load(const std::string& inputPath) {
    // As a batch run: a path that is no regular file is a file that does not exist.
    if (!IsRegularFile(inputPath)) {
        return kScanFileSelectionError;
    }
    if (!IsOpenFormatFile(inputPath)) {
        return LoadScanSweep(reader_, inputPath, smallDevice_, sweep_);
    }
    VolumeRead read = ReadOpenFormatFile(inputPath, sweepIndex_);
    if (read.errorCode != kScanNoError) {
        std::fprintf(stderr, "nimbrook-convert: %s: %s\n", inputPath.c_str(), read.message.c_str());
        return read.errorCode;
    }
    sweep_ = std::move(read.sweeps.at(static_cast<std::size_t>(read.chosen)));
    return kScanNoError;
}

TBatchOutcome TOpenFormatWorker::Convert(std::size_t index) {
    const QString input = files_.at(static_cast<qsizetype>(index)).trimmed();
    const std::string inputPath = LocalPathBytes(input);
    const std::string& outputPath = outputs_.at(index);
    const int code = Load(inputPath);
    // The coordinating process writes the file's line in the operation log.
    if (code != kScanNoError) {
        return {false, code};
    }
    const std::string refusal =
        format_ == TOutputFormat::GeoTiff ? TGisOutputs::GeoTiffRefusal(sweep_, inputPath) : std::string();
    if (!refusal.empty()) {
        // A file the format does not take: said on stderr, nothing written, no exception logged.
        std::fprintf(stderr, "nimbrook-convert: %s\n", refusal.c_str());
        return {false, kScanExceptionError};
    }
    const std::string failure = WriteOutput(inputPath, outputPath);
    if (!failure.empty()) {
        LogExceptionMessage(failure);
        return {false, kScanExceptionError};
    }
    return {true, kScanNoError};
}

std::string TOpenFormatWorker::WriteFormat(const std::string& inputPath, const std::string& path) {
    switch (format_) {
    case TOutputFormat::GeoTiff:
        return gis_.WriteGeoTiff(std::move(sweep_), inputPath, path);
    case TOutputFormat::Kmz:
        return gis_.WriteKmz(std::move(sweep_), inputPath, path);
    default:
        break;
    }
    SweepOutputLabels labels;
    labels.station = station_;
    labels.sourceName = std::filesystem::path(inputPath).filename().string();
    labels.software = "nimbrook-convert " + std::string(kNimbrookVersion);
    return format_ == TOutputFormat::Odim ? WriteOdim(sweep_, path, labels)
                                          : WriteCfRadial(sweep_, path, labels);
}

std::string TOpenFormatWorker::WriteOutput(const std::string& inputPath, const std::string& outputPath) {
    if (OutputReplacesInput(inputPath, outputPath)) {
        return "The output would replace the scan file it is made from: " + inputPath;
    }
    const std::filesystem::path folder = std::filesystem::path(outputPath).parent_path();
    std::error_code ignored;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ignored);
    }
    RemoveLeftoverTemporaries(folder.empty() ? "." : folder.string());
    TTemporaryOutput temporary(outputPath);
    const std::string failure = WriteFormat(inputPath, temporary.Path());
    if (!failure.empty()) {
        return "Cannot write " + outputPath + ": " + failure;
    }
    // The rename replaces an older output in one step, so readers see the old or the new one.
    if (!temporary.CommitAs(outputPath)) {
        return "Cannot move the output to " + outputPath;
    }
    return {};
}

TWorkerFactory OpenFormatWorkers(const QStringList& files, const std::vector<std::string>& outputs,
                                 const TConvertOptions& options, const std::string& viewerPath) {
    const TGisSettings gis = ReadGisSettings(options.settingsFile, viewerPath, options.cellM);
    return [&files, &outputs, &options, gis]() -> std::unique_ptr<TConversionWorker> {
        return std::make_unique<TOpenFormatWorker>(files, outputs, options.format, options.smallDevice,
                                                   options.station, SweepIndexOf(options.sweep), gis);
    };
}
