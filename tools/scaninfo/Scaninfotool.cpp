#include "tools/scaninfo/Scaninfotool.h"

#include "files/Calcfunc.h"
#include "files/Csvformat.h"
#include "files/Dscnfilemodule.h"
#include "files/Gatecodec.h"
#include "files/formats/Sweepopener.h"
#include "nimbrook/Version.h"
#include "settings/Fmainstring.h"
#include "tools/scaninfo/Scaninfoprobe.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>

namespace {

constexpr const char* kUsage =
    "usage: nimbrook-scaninfo [--small] [--json] [--sweep N] [--product P] [--rays N] [--csv P]\n"
    "                         [--probe AZ_DEG RANGE_KM | --probe-elevation EL_DEG RANGE_KM] FILE\n"
    "Opens a scan file exactly as the viewer does and prints every field of its description.\n"
    "ODIM_H5 and CfRadial files are read too; their sweeps are listed.\n"
    "  --sweep N    of a file of several sweeps, sweep N (0-based, in the file's order);\n"
    "               default the lowest elevation\n"
    "  --small      read versions 1 and 2 as the small device does (54-byte header)\n"
    "  --json       print one JSON object instead of text\n"
    "  --product P  also print each ray's azimuth, elevation and decoded values of product P:\n"
    "               R, Zh, V, Zdr, Kdp, φdp (phidp), ρhv (rhohv), W, or its number 0-7\n"
    "  --rays N     with --product, only the first N rays\n"
    "  --csv P      read every ray as a viewer frame with CSV output on and write the two CSV\n"
    "               files of product P beside the file (x_P.csv and x_Qlty.csv)\n"
    "  --probe AZ_DEG RANGE_KM\n"
    "               the gate of product P (--product; else the file's first) nearest to that\n"
    "               azimuth (the file's azimuth offset applied) and slant range, as the viewer's\n"
    "               cursor readout shows it; the rays are then not listed\n"
    "  --probe-elevation EL_DEG RANGE_KM\n"
    "               the same by elevation, for range-height scans\n"
    "Exit status: 0, the error code of the file (1-8; 7 = a ray could not be read), 9 when the\n"
    "CSV files cannot be written, 64 for wrong arguments, 65 when the product is not in the file.\n";

struct Options {
    std::optional<ProbeRequest> probe;
    bool smallUnit = false;
    bool json = false;
    std::optional<ProductKind> product;
    std::optional<ProductKind> csvProduct;
    long rayLimit = -1;
    int sweep = kLowestSweep;
    std::string file;
};

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::optional<ProductKind> ParseProduct(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '7') {
        return ProductFromTag(text[0] - '0');
    }
    const std::string lower = Lower(text);
    for (int p = 0; p < kProductCount; ++p) {
        if (lower == Lower(std::string(kProductCaptions[static_cast<std::size_t>(p)]))) {
            return static_cast<ProductKind>(p);
        }
    }
    if (lower == "phidp") {
        return ProductKind::Phidp;
    }
    if (lower == "rhohv") {
        return ProductKind::Rhohv;
    }
    return std::nullopt;
}

// Parses the arguments; an error message when they are wrong.
std::optional<std::string> ParseOptions(const std::vector<std::string>& args, Options& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return args[++i];
        };
        if (arg == "--small") {
            options.smallUnit = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--product" || arg == "--csv") {
            const auto name = value();
            const auto product = name ? ParseProduct(*name) : std::nullopt;
            if (!product) {
                return arg + " needs a product: R, Zh, V, Zdr, Kdp, φdp, ρhv, W or 0-7";
            }
            (arg == "--product" ? options.product : options.csvProduct) = product;
        } else if (arg == "--probe" || arg == "--probe-elevation") {
            const auto angle = value();
            const auto range = value();
            options.probe =
                angle && range ? ParseProbe(arg == "--probe-elevation", *angle, *range) : std::nullopt;
            if (!options.probe) {
                return arg + " needs an angle in degrees and a range of 0 km or more";
            }
        } else if (arg == "--sweep") {
            const auto index = value();
            int n = -1;
            if (!index ||
                std::from_chars(index->data(), index->data() + index->size(), n).ec != std::errc{} || n < 0) {
                return "--sweep needs an index of 0 or more";
            }
            options.sweep = n;
        } else if (arg == "--rays") {
            const auto count = value();
            long n = -1;
            if (!count ||
                std::from_chars(count->data(), count->data() + count->size(), n).ec != std::errc{} || n < 0) {
                return "--rays needs a count of 0 or more";
            }
            options.rayLimit = n;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            return "unknown option " + arg;
        } else if (options.file.empty()) {
            options.file = arg;
        } else {
            return "only one file, please";
        }
    }
    if (options.file.empty()) {
        return "no file given";
    }
    return std::nullopt;
}

// Ten significant digits: every header field in full, without binary noise such as 1.2000000000000002.
std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

std::string DateTimeText(const ScanDateTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%4d/%d/%d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

std::string MaskText(std::uint16_t mask) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", mask);
    std::string text = hex;
    std::string names;
    for (int bit = 0; bit <= kQualityMaskBit; ++bit) {
        if ((mask >> bit) & 1u) {
            names += names.empty() ? "" : " ";
            names += bit < kProductCount ? std::string(kProductCaptions[static_cast<std::size_t>(bit)])
                                         : "quality";
        }
    }
    return names.empty() ? text : text + " (" + names + ")";
}

nlohmann::ordered_json DateTimeJson(const ScanDateTime& t) {
    return {{"year", t.year}, {"month", t.month},   {"day", t.day},
            {"hour", t.hour}, {"minute", t.minute}, {"second", t.second}};
}

nlohmann::ordered_json InfoJson(const ScanInfo& info) {
    return {{"valid", info.valid},
            {"errorCode", info.errorCode},
            {"errorText", ErrorText(info.errorCode)},
            {"name", info.name},
            {"scanTime", DateTimeJson(info.scanTime)},
            {"headerTime", DateTimeJson(info.headerTime)},
            {"latitude", info.latitude},
            {"longitude", info.longitude},
            {"combinedValue", info.combinedValue},
            {"tenthValues", {info.tenthValues[0], info.tenthValues[1], info.tenthValues[2]}},
            {"hundredthValue1", info.hundredthValue1},
            {"hundredthValue2", info.hundredthValue2},
            {"rayCount", info.rayCount},
            {"gateCount", info.gateCount},
            {"gateSpacingM", info.gateSpacingM},
            {"powerValue1", info.powerValue1},
            {"powerValue2", info.powerValue2},
            {"azimuthDeg", info.azimuthDeg},
            {"elevationDeg", info.elevationDeg},
            {"azimuthOffsetDeg", info.azimuthOffsetDeg},
            {"productMask", info.productMask},
            {"extraWord1", info.extraWord1},
            {"extraWord2", info.extraWord2},
            {"formatType", info.formatType}};
}

void PrintInfoText(const std::string& file, const ScanInfo& info, std::ostream& out) {
    const auto line = [&out](const char* key, const std::string& value) {
        out << key << ':' << std::string(18 - std::char_traits<char>::length(key), ' ') << value << '\n';
    };
    line("file", file);
    line("errorCode",
         std::to_string(info.errorCode) + (info.errorCode != kScanNoError ? "  " + ErrorText(info.errorCode) : ""));
    line("valid", std::to_string(info.valid));
    line("name", info.name);
    line("scanTime", DateTimeText(info.scanTime));
    line("headerTime", DateTimeText(info.headerTime));
    line("latitude", Number(info.latitude));
    line("longitude", Number(info.longitude));
    line("combinedValue", Number(info.combinedValue));
    line("tenthValues",
         Number(info.tenthValues[0]) + " " + Number(info.tenthValues[1]) + " " + Number(info.tenthValues[2]));
    line("hundredthValue1", Number(info.hundredthValue1));
    line("hundredthValue2", Number(info.hundredthValue2));
    line("rayCount", std::to_string(info.rayCount));
    line("gateCount", std::to_string(info.gateCount));
    line("gateSpacingM", Number(info.gateSpacingM));
    line("powerValue1", Number(info.powerValue1));
    line("powerValue2", Number(info.powerValue2));
    line("azimuthDeg", Number(info.azimuthDeg));
    line("elevationDeg", Number(info.elevationDeg));
    line("azimuthOffsetDeg", Number(info.azimuthOffsetDeg));
    line("productMask", MaskText(info.productMask));
    line("extraWord1", std::to_string(info.extraWord1));
    line("extraWord2", std::to_string(info.extraWord2));
    line("formatType", std::to_string(info.formatType));
}

const char* SweepModeName(SweepMode mode) {
    return mode == SweepMode::RangeHeight ? "rhi" : "ppi";
}

nlohmann::ordered_json SweepsJson(const std::vector<SweepChoice>& sweeps) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const SweepChoice& sweep : sweeps) {
        list.push_back({{"index", sweep.index},
                        {"mode", SweepModeName(sweep.mode)},
                        {"fixedAngleDeg", sweep.fixedAngleDeg},
                        {"rayCount", sweep.rayCount},
                        {"gateCount", sweep.gateCount}});
    }
    return list;
}

using RayVisitor =
    std::function<void(double azimuthDeg, double elevationDeg, const std::uint16_t* codes, int count)>;

// Reads rays as a frame of the viewer does: the product's array index and the quality index from
// the mask, gateCount x 2 bytes per array, entries beyond the count delivered zeroed, the first
// ray's angles into the description. Returns 0, 7 for a ray that cannot be read, or
// kScanInfoNoSuchProductStatus. The reader is rewound only after a complete pass.
int ReadRays(TSweepSource& reader, ScanInfo& info, ProductKind product, bool csv, long rayLimit,
             const RayVisitor& visit) {
    const int productIndex = ArrayIndexInMask(info.productMask, ProductIndex(product));
    if (productIndex < 0) {
        return kScanInfoNoSuchProductStatus;
    }
    const int qualityIndex = ArrayIndexInMask(info.productMask, kQualityMaskBit);
    const auto gates = static_cast<std::size_t>(info.gateCount);
    std::vector<std::uint16_t> values(gates, 0);
    std::vector<std::uint16_t> quality(gates, 0);
    const double offsetDeg = FileAzimuthOffsetDeg(info);
    const long rays = rayLimit < 0 ? info.rayCount : std::min<long>(rayLimit, info.rayCount);
    for (long ray = 0; ray < rays; ++ray) {
        double elevationDeg = 0.0;
        double azimuthDeg = 0.0;
        const int count = reader.ReadRay(productIndex, qualityIndex, csv, info.gateCount * 2, quality.data(),
                                         values.data(), elevationDeg, azimuthDeg);
        if (count < 0) {
            info.errorCode = kScanDataReadError;
            return kScanDataReadError;
        }
        std::fill(values.begin() + count, values.end(), 0);
        std::fill(quality.begin() + count, quality.end(), 0);
        if (ray == 0) {
            info.azimuthDeg = NormaliseAngle(azimuthDeg + offsetDeg);
            info.elevationDeg = elevationDeg;
        }
        visit(azimuthDeg, elevationDeg, values.data(), count);
    }
    reader.RewindToFirstRay();
    return 0;
}

} // namespace

int RunScanInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        out << "nimbrook-scaninfo " << kNimbrookVersion << "\n";
        return 0;
    }
    if (const auto problem = ParseOptions(args, options)) {
        err << "nimbrook-scaninfo: " << *problem << "\n" << kUsage;
        return kScanInfoUsageStatus;
    }

    TSCNFileModule scanReader;
    TSweepOpener opener(scanReader);
    ScanInfo info;
    info.errorCode = 0;
    const int opened = opener.Open(options.file, options.smallUnit, info, options.sweep);
    int status = opened < 0 ? info.errorCode : 0;
    if (!opener.ErrorMessage().empty()) {
        err << "nimbrook-scaninfo: " << options.file << ": " << opener.ErrorMessage() << "\n";
    }
    TSweepSource& reader = opener.Source();

    nlohmann::ordered_json rays = nlohmann::ordered_json::array();
    std::string rayText;
    const auto missingProduct = [&](ProductKind product) {
        err << "nimbrook-scaninfo: " << kProductCaptions[static_cast<std::size_t>(ProductIndex(product))]
            << " is not in this file (product mask " << MaskText(info.productMask) << ")\n";
    };
    std::optional<GateReading> probed;
    const std::optional<ProductKind> probeProduct = ProbeProduct(options.product, info);
    if (status == 0 && options.probe) {
        status = probeProduct ? ProbeGate(reader, info, *options.probe, *probeProduct, probed)
                              : kScanInfoNoSuchProductStatus;
        if (status == kScanInfoNoSuchProductStatus) {
            missingProduct(probeProduct.value_or(ProductKind::R));
        }
    }
    if (status == 0 && options.product && !options.probe) {
        const ProductKind product = *options.product;
        status = ReadRays(reader, info, product, false, options.rayLimit,
                          [&](double az, double el, const std::uint16_t* codes, int count) {
                              if (options.json) {
                                  nlohmann::ordered_json ray = {{"azimuthDeg", az}, {"elevationDeg", el}};
                                  auto& values = ray["values"] = nlohmann::ordered_json::array();
                                  auto& raw = ray["codes"] = nlohmann::ordered_json::array();
                                  for (int g = 0; g < count; ++g) {
                                      values.push_back(DecodeGateValue(product, codes[g]));
                                      raw.push_back(codes[g]);
                                  }
                                  rays.push_back(std::move(ray));
                              } else {
                                  AppendCsvRayPrefix(rayText, az, el);
                                  for (int g = 0; g < count; ++g) {
                                      AppendCsvValueCell(rayText, product, codes[g]);
                                  }
                                  rayText += '\n';
                              }
                          });
        if (status == kScanInfoNoSuchProductStatus) {
            missingProduct(product);
        }
    }
    std::vector<std::string> csvFiles;
    if (status == 0 && options.csvProduct) {
        const ProductKind product = *options.csvProduct;
        reader.ClearCsvLines();
        status = ReadRays(reader, info, product, true, -1, [](double, double, const std::uint16_t*, int) {});
        if (status == kScanInfoNoSuchProductStatus) {
            missingProduct(product);
        } else if (status == 0) {
            try {
                reader.SaveCsvFiles(product);
                csvFiles = {reader.ValueCsvPath(product), reader.QualityCsvPath()};
            } catch (const std::exception& error) {
                err << "nimbrook-scaninfo: " << ErrorText(kScanInfoExceptionStatus) << ": " << error.what()
                    << "\n";
                status = kScanInfoExceptionStatus;
            }
        }
    }

    if (options.json) {
        nlohmann::ordered_json document = InfoJson(info);
        if (!opener.Sweeps().empty()) {
            document["sweeps"] = SweepsJson(opener.Sweeps());
            document["sweep"] =
                opener.SweepShown() >= 0 ? nlohmann::ordered_json(opener.SweepShown()) : nullptr;
        }
        if (options.product && !options.probe) {
            document["product"] =
                std::string(kProductCaptions[static_cast<std::size_t>(ProductIndex(*options.product))]);
            document["rays"] = std::move(rays);
        }
        if (!csvFiles.empty()) {
            document["csvFiles"] = csvFiles;
        }
        if (options.probe && status == 0) {
            document["probe"] = probed ? ProbeJson(*probed) : nullptr;
        }
        // A file name need not be UTF-8: such bytes become U+FFFD in the text, never an abort.
        out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    } else {
        PrintInfoText(options.file, info, out);
        for (const SweepChoice& sweep : opener.Sweeps()) {
            std::string label =
                "sweep " + std::to_string(sweep.index) + (sweep.index == opener.SweepShown() ? "*:" : ":");
            label.resize(std::max<std::size_t>(label.size() + 1, 19), ' ');
            out << label << SweepModeName(sweep.mode) << " " << sweep.fixedAngleDeg << " deg, "
                << sweep.rayCount << " rays x " << sweep.gateCount << " gates\n";
        }
        for (const std::string& path : csvFiles) {
            out << "csv:              " << path << "\n";
        }
        if (options.probe && status == 0) {
            out << "probe:            " << ProbeText(probed) << "\n";
        }
        out << rayText;
    }
    return status;
}
