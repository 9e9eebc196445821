#pragma once

#include "files/Dscnfilemodule.h"
#include "files/formats/Sweepdata.h"
#include "files/formats/Sweeplabels.h"
#include "tools/convert/Convertoptions.h"
#include "tools/convert/Convertoutputs.h"
#include "tools/convert/Gisoutputs.h"
#include "tools/convert/Workerpool.h"

#include <QStringList>
#include <string>
#include <vector>

// A worker process converting scan files to CfRadial, ODIM_H5, GeoTIFF or KMZ without the viewer
// (the KMZ's picture drawn by the viewer's display modules, no window): each file is
// read whole through the scan-file reader, written under a temporary name beside its output and
// renamed onto it, and logged in the operation log exactly as a JPEG conversion logs it (the
// reader's error code when it cannot be read, code 9 with the exception log's line when the
// output cannot be written).
class TOpenFormatWorker final : public TConversionWorker {
public:
    /// outputs[i]: where files[i] goes (OutputPathFor); `station` names the radar (empty: its
    /// position); `sweep`: the sweep taken of an ODIM_H5 or CfRadial volume (kLowestSweep: the
    /// lowest elevation); `gis`: what the GeoTIFF and KMZ outputs take from the settings.
    TOpenFormatWorker(const QStringList& files, const std::vector<std::string>& outputs, TOutputFormat format,
                      bool smallDevice, std::string station, int sweep, TGisSettings gis = {});

    TBatchOutcome Convert(std::size_t index) override;

private:
    /// Loads the sweep of the file at `inputPath`, a scan file or an open-format file (told by its
    /// content); 0, or the error code.
    int Load(const std::string& inputPath);
    /// Writes the loaded sweep to `outputPath`; an empty text, or what failed.
    std::string WriteOutput(const std::string& inputPath, const std::string& outputPath);
    /// The format's writer onto the temporary file `path`.
    std::string WriteFormat(const std::string& inputPath, const std::string& path);

    const QStringList& files_;
    const std::vector<std::string>& outputs_;
    TOutputFormat format_;
    bool smallDevice_;
    std::string station_;
    int sweepIndex_;
    TSCNFileModule reader_;
    SweepData sweep_;
    TGisOutputs gis_;
};

/// The workers of an open-format run (TOpenFormatWorkers): the GIS settings are read once, here,
/// before the workers start.
TWorkerFactory OpenFormatWorkers(const QStringList& files, const std::vector<std::string>& outputs,
                                 const TConvertOptions& options, const std::string& viewerPath);
