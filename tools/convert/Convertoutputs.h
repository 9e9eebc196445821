#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where each converted file goes: the output format, the name rule and the folder mirroring of
// --out. Paths are the file system's bytes.

enum class TOutputFormat { Jpeg, CfRadial, Odim, GeoTiff, Kmz };

/// The format of a --to value ("jpeg", "cfradial", "odim", "geotiff", "kmz"); nothing for another
/// text.
std::optional<TOutputFormat> OutputFormatNamed(std::string_view name);

/// The output of the scan file `inputPath` in `format`: its name with an extension of exactly ".gz"
/// removed and then its extension replaced by ".jpg", ".nc", ".h5", ".tif" or ".kmz". Beside the input when
/// `outFolder` is empty; otherwise under `outFolder`, in the input's folder below `foundUnder`
/// (the folder given on the command line that the input was found in; empty for a file given
/// itself, which goes to `outFolder` directly).
std::string OutputPathFor(const std::string& inputPath, const std::string& foundUnder,
                          const std::string& outFolder, TOutputFormat format);

/// For each input, whether another input earlier in name order writes the same output, so this
/// one must not: outputs[i] belongs to inputs[i].
std::vector<bool> LaterOfSameOutput(const std::vector<std::string>& inputs,
                                    const std::vector<std::string>& outputs);
