#include "files/Csvlines.h"

#include "files/Csvformat.h"
#include "files/Outputfile.h"
#include "files/Pathnames.h"

#include <array>
#include <cerrno>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace {

constexpr std::string_view kCsvExtension = ".csv";
constexpr std::array<std::string_view, kProductCount> kCsvProductSuffixes = {"_R",   "_Zh",  "_V",   "_Zdr",
                                                                             "_Kdp", "_φdp", "_ρhv", "_W"};
constexpr std::string_view kCsvQualitySuffix = "_Qlty";

// Base name "x.csv" with its ".csv" replaced by suffix + ".csv".
std::string CsvPath(const std::string& baseName, std::string_view suffix) {
    if (baseName.empty()) {
        return {};
    }
    std::string path(WithoutExtension(baseName));
    path += suffix;
    path += kCsvExtension;
    return path;
}

void WriteTextFile(const std::string& path, const std::string& text) {
    OutputFile file(0);
    if (!file.Create(path, false)) {
        throw std::system_error(errno, std::generic_category(), "cannot create " + path);
    }
    const bool written = file.Write(text.data(), text.size());
    const int writeError = errno;
    if (!file.Close() || !written) {
        throw std::system_error(written ? errno : writeError, std::generic_category(),
                                "cannot write " + path);
    }
}

} // namespace

void TCsvLines::SetSweepPath(const std::string& path) {
    baseName_ = std::string(WithoutExtension(WithoutGz(path)));
    baseName_ += kCsvExtension;
}

void TCsvLines::Clear() {
    // clear() keeps the capacity, so later frames append without allocating.
    valueLines_.clear();
    qualityLines_.clear();
}

void TCsvLines::AddValueLine(ProductKind kind, const std::uint16_t* codes, int count, double azimuthDeg,
                             double elevationDeg) {
    AppendCsvRayPrefix(valueLines_, azimuthDeg, elevationDeg);
    for (int i = 0; i < count; ++i) {
        AppendCsvValueCell(valueLines_, kind, codes[i]);
    }
    valueLines_ += "\r\n";
}

void TCsvLines::AddQualityLine(const std::uint16_t* words, int count, double azimuthDeg,
                               double elevationDeg) {
    AppendCsvRayPrefix(qualityLines_, azimuthDeg, elevationDeg);
    for (int i = 0; i < count; ++i) {
        AppendCsvQualityCell(qualityLines_, words[i]);
    }
    qualityLines_ += "\r\n";
}

std::string TCsvLines::ValuePath(ProductKind kind) const {
    return CsvPath(baseName_, kCsvProductSuffixes.at(static_cast<std::size_t>(ProductIndex(kind))));
}

std::string TCsvLines::QualityPath() const {
    return CsvPath(baseName_, kCsvQualitySuffix);
}

void TCsvLines::Save(ProductKind kind) const {
    if (baseName_.empty()) {
        throw std::logic_error("CSV export without an opened scan file");
    }
    WriteTextFile(ValuePath(kind), valueLines_);
    WriteTextFile(QualityPath(), qualityLines_);
}
