// Figures of the main window on the demo PPI sequence (12 sweeps of 360 x 1000 gates), each with
// and without the demo map in the settings (argument 1 and 0): one frame of the open file (the
// frame pipeline with re-render plus the composition of the picture), the next file of the same
// site as playback shows it, the first frame after a display-radius change, and fast forward
// through the sequence at the real 10 ms re-arm of the playback timer.
#include "app/Applicationmodules.h"
#include "app/Fmain.h"
#include "display/Dimageechodrawmodule.h"
#include "files/Dscnfilemodule.h"
#include "platform/Processinfo.h"
#include "tools/demomap/Demomap.h"
#include "tools/synth/Demoset.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "nimbrook_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        QApplication::setAttribute(Qt::AA_Use96Dpi);
        return new QApplication(argc, argv);
    }();
    return *application;
}

/// Settings beside the executable that show the demo map of the demo site.
void WriteMapSettings(const QString& folder, const std::string& ppiFile) {
    TSCNFileModule reader;
    ScanInfo info;
    reader.OpenScanFile(ppiFile, false, info);
    const auto map =
        demomap::WriteDemoMap(QDir(folder).filePath("map").toStdString(), info.latitude, info.longitude);
    QFile ini(QDir(folder).filePath("nimbrook.ini"));
    if (map && ini.open(QIODevice::WriteOnly)) {
        ini.write("[Disp]\nMap=" + QByteArray::fromStdString(*map) + "\n");
    }
}

// The modules and the demo sequence, started like "nimbrook --play FOLDER".
struct Viewer {
    explicit Viewer(bool map) : withMap(map) {
        Application();
        const auto files = synth::WritePpiSequence(folder.path().toStdString());
        if (withMap) {
            WriteMapSettings(folder.path(), QDir(folder.path())
                                                .filePath(QString::fromStdString(files.front().relativePath))
                                                .toStdString());
        }
        const QString exe = folder.filePath(QStringLiteral("nimbrook"));
        const QString ppi = folder.filePath(QStringLiteral("ppi"));
        process = std::make_unique<ScopedProcessInfo>(exe, QStringList{exe, QStringLiteral("--play"), ppi});
        modules = std::make_unique<TApplicationModules>(ParseStartOptions(CommandLineArguments()));
        FormMain->show();
        QCoreApplication::sendPostedEvents();
        fileCount = static_cast<int>(FormMain->FileList().size());
    }
    ~Viewer() {
        modules.reset();
        process.reset();
    }

    bool withMap;
    QTemporaryDir folder;
    std::unique_ptr<ScopedProcessInfo> process;
    std::unique_ptr<TApplicationModules> modules;
    int fileCount = 0;
};

/// One viewer at a time: the modules are global.
Viewer& TheViewer(const benchmark::State& state) {
    static std::unique_ptr<Viewer> viewer;
    const bool withMap = state.range(0) != 0;
    if (!viewer || viewer->withMap != withMap) {
        viewer.reset();
        viewer = std::make_unique<Viewer>(withMap);
    }
    return *viewer;
}

void BM_DemoPpiFrame(benchmark::State& state) {
    TheViewer(state);
    FormMain->MainMenuPlayStop->trigger(); // file 0 shown, stopped
    for (auto _ : state) {
        FormMain->RefreshDisplay(true);
        QCoreApplication::sendPostedEvents(); // the repaint: one composition
    }
    state.counters["errorCode"] = FormMain->CurrentScan().errorCode;
}
BENCHMARK(BM_DemoPpiFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A playback step to the next file of the same site, and its repaint.
void BM_NextFileSameSite(benchmark::State& state) {
    Viewer& viewer = TheViewer(state);
    FormMain->MainMenuPlayStop->trigger();
    const int builds = ImageEchoDrawModule->BackgroundBuilds();
    int next = 0;
    for (auto _ : state) {
        next = (next + 1) % viewer.fileCount;
        FormMain->JumpToFile(next);
        QCoreApplication::sendPostedEvents();
    }
    state.counters["errorCode"] = FormMain->CurrentScan().errorCode;
    state.counters["backgrounds_built"] = ImageEchoDrawModule->BackgroundBuilds() - builds;
}
BENCHMARK(BM_NextFileSameSite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The display radius changed (as the Scale box changes it): the map is placed again and the file
// drawn and composed anew. Alternates between 50 and 60 km.
void BM_FirstFrameAfterRadiusChange(benchmark::State& state) {
    TheViewer(state);
    FormMain->MainMenuPlayStop->trigger();
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        FormMain->SetDisplayRange(flip ? 60000.0 : 50000.0);
        ImageEchoDrawModule->SetDisplayRadius(FormMain->DisplayRange());
        FormMain->RefreshDisplay(true);
        QCoreApplication::sendPostedEvents();
    }
    FormMain->SetDisplayRange(50000.0);
    ImageEchoDrawModule->SetDisplayRadius(50000.0);
}
BENCHMARK(BM_FirstFrameAfterRadiusChange)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FastForwardDemoList(benchmark::State& state) {
    Viewer& viewer = TheViewer(state);
    double files = 0.0;
    double seconds = 0.0;
    for (auto _ : state) {
        FormMain->MainMenuPlayStop->trigger();
        QElapsedTimer clock;
        clock.start();
        FormMain->MainMenuPlayFF->trigger(); // one step at once, then every 10 ms
        while (FormMain->TimerFilePlay.Enabled()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        seconds += clock.nsecsElapsed() * 1e-9;
        files += viewer.fileCount - 1; // the files after file 0
    }
    state.counters["files_per_s"] = files / seconds;
}
BENCHMARK(BM_FastForwardDemoList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
