// nimbrook-demo-map SCANFILE OUTDIR [--small]
//
// Writes the demo map picture (named by the map naming rule) and its caption file into OUTDIR,
// for the radar site that the scan file's header gives, read through the viewer's reader so the
// map and the demo data always agree.

#include "base/Commandlinehelp.h"
#include "files/Dscnfilemodule.h"
#include "platform/Unattendedplatform.h"
#include "settings/Fmainstring.h"
#include "tools/demomap/Demomap.h"

#include <QGuiApplication>
#include <cstdio>
#include <string_view>

namespace {

constexpr std::string_view kUsage =
    "usage: nimbrook-demo-map SCANFILE OUTDIR [--small]\n"
    "Writes the demo map picture and its caption for the radar site of SCANFILE.\n";

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = AnswerHelpOrVersion(argc, argv, "nimbrook-demo-map", kUsage)) {
        return *answered;
    }
    const bool small = argc == 4 && std::string_view(argv[3]) == "--small";
    if (argc != 3 && !small) {
        return UsageError(kUsage);
    }
    TSCNFileModule reader;
    ScanInfo info;
    if (reader.OpenScanFile(argv[1], small, info) < 0) {
        std::fprintf(stderr, "nimbrook-demo-map: %s: %s\n", argv[1], ErrorText(info.errorCode).c_str());
        return 1;
    }
    reader.CloseScanFile();

    // Text needs a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    LeaveOutToolkitNotes();
    QGuiApplication app(argc, argv);
    const auto path = demomap::WriteDemoMap(argv[2], info.latitude, info.longitude);
    if (!path) {
        std::fprintf(stderr, "nimbrook-demo-map: cannot write the map into %s\n", argv[2]);
        return 1;
    }
    std::printf("%s\n", path->c_str());
    return 0;
}
