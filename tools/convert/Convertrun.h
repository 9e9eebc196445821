#pragma once

#include "tools/convert/Convertoptions.h"
#include "tools/convert/Workerpool.h"

#include <QStringList>
#include <string>
#include <vector>

/// The program beside nimbrook-convert that also writes CfRadial, ODIM_H5, GeoTIFF and KMZ.
inline constexpr char kFormatsProgram[] = "nimbrook-convert-formats";

/// Makes the workers of a run with --to cfradial, odim, geotiff or kmz, in the coordinating process
/// before any worker starts: outputs[i] is where files[i] goes; `viewerPath` names the viewer whose
/// settings the run takes.
using TOpenFormatWorkers = TWorkerFactory (*)(const QStringList& files,
                                              const std::vector<std::string>& outputs,
                                              const TConvertOptions& options, const std::string& viewerPath);

/// The whole converter run of the command line; returns the exit status. Without `openFormats`
/// (nimbrook-convert itself, which links none of the open formats' libraries and so starts fast)
/// an open-format run is handed whole to kFormatsProgram beside this program.
int RunConverter(int argc, char** argv, TOpenFormatWorkers openFormats);
