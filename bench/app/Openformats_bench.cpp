// Figures of the main window on real open-format files (tests/data/open), with and without a map
// of the site (argument 1 and 0): opening an ODIM_H5 SCAN and drawing its frame (playback step,
// frame pipeline and composition), choosing another sweep of the 14-sweep KNMI volume as the
// sweep setting does, and fast forward through a sequence of 12-sweep volumes at the real 10 ms
// re-arm of the playback timer.
#include "app/Applicationmodules.h"
#include "app/Fmain.h"
#include "app/Settingsaccess.h"
#include "files/Dscnfilemodule.h"
#include "files/formats/Sweepopener.h"
#include "platform/Processinfo.h"
#include "settings/Dinifilemodule.h"
#include "tools/demomap/Demomap.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

namespace {

const QString kOpenData = QStringLiteral(NIMBROOK_TEST_DATA_DIR "/open/");

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

/// The files of one benchmark: copies of real files under names that sort in play order.
struct FileSet {
    const char* name;
    std::vector<QString> sources;
    int copies; // of the whole list
};

// The modules started like "nimbrook --play FOLDER", with settings that show Zh and, with `map`,
// the demo map of the site.
struct Viewer {
    Viewer(const FileSet& set, bool map) {
        Application();
        const QString play = folder.filePath(QStringLiteral("play"));
        QDir().mkpath(play);
        int n = 0;
        for (int copy = 0; copy < set.copies; ++copy) {
            for (const QString& source : set.sources) {
                QFile::copy(kOpenData + source,
                            QDir(play).filePath(QString::asprintf("%03d_", n++) + source));
            }
        }
        QByteArray ini = "[Disp]\nSelection=1\n";
        if (map) {
            TSCNFileModule scanFiles;
            TSweepOpener opener(scanFiles);
            ScanInfo info;
            opener.Open((kOpenData + set.sources.front()).toStdString(), false, info);
            if (const auto picture = demomap::WriteDemoMap(folder.filePath("map").toStdString(),
                                                           info.latitude, info.longitude)) {
                ini += "Map=" + QByteArray::fromStdString(*picture) + "\n";
            }
        }
        QFile settings(folder.filePath(QStringLiteral("nimbrook.ini")));
        if (settings.open(QIODevice::WriteOnly)) {
            settings.write(ini);
        }
        const QString exe = folder.filePath(QStringLiteral("nimbrook"));
        process = std::make_unique<ScopedProcessInfo>(exe, QStringList{exe, QStringLiteral("--play"), play});
        modules = std::make_unique<TApplicationModules>(ParseStartOptions(CommandLineArguments()));
        FormMain->show();
        QCoreApplication::sendPostedEvents();
        fileCount = static_cast<int>(FormMain->FileList().size());
    }
    ~Viewer() {
        modules.reset();
        process.reset();
    }

    QTemporaryDir folder;
    std::unique_ptr<ScopedProcessInfo> process;
    std::unique_ptr<TApplicationModules> modules;
    int fileCount = 0;
};

/// One viewer at a time: the modules are global.
Viewer& TheViewer(const FileSet& set, const benchmark::State& state) {
    static std::unique_ptr<Viewer> viewer;
    static std::string shown;
    const std::string key = std::string(set.name) + std::to_string(state.range(0));
    if (!viewer || shown != key) {
        viewer.reset();
        viewer = std::make_unique<Viewer>(set, state.range(0) != 0);
        shown = key;
    }
    return *viewer;
}

const FileSet kScans{"scans", {"T_PAZA63_C_LFPW_20230420065041.h5", "T_PAZB63_C_LFPW_20230420065125.h5"}, 1};
const FileSet kKnmiVolume{"knmi", {"knmi_polar_volume.h5"}, 1};
const FileSet kVolumeLoop{"behel",
                          {"20200207130000.rad.behel.pvol.dbzh.scanz.hdf",
                           "20200207130500.rad.behel.pvol.dbzh.scanz.hdf",
                           "20200207131000.rad.behel.pvol.dbzh.scanz.hdf"},
                          4};

// A playback step to the other SCAN file (open, read, frame) and its repaint.
void BM_OdimScanOpenAndFrame(benchmark::State& state) {
    TheViewer(kScans, state);
    int next = 0;
    for (auto _ : state) {
        next = 1 - next;
        FormMain->JumpToFile(next);
        QCoreApplication::sendPostedEvents();
    }
    state.counters["errorCode"] = FormMain->CurrentScan().errorCode;
}
BENCHMARK(BM_OdimScanOpenAndFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Another sweep of the volume chosen (the setting changed and the file shown again), round all 14.
void BM_ChooseSweepOfVolume(benchmark::State& state) {
    TheViewer(kKnmiVolume, state);
    int sweep = 0;
    for (auto _ : state) {
        sweep = (sweep + 1) % 14;
        {
            TSettingsAccess settings(*IniFileModule);
            settings->sweep = std::to_string(sweep);
        }
        FormMain->JumpToFile(0);
        QCoreApplication::sendPostedEvents();
    }
    state.counters["errorCode"] = FormMain->CurrentScan().errorCode;
    state.counters["sweep"] = FormMain->SweepFiles().SweepShown();
}
BENCHMARK(BM_ChooseSweepOfVolume)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FastForwardVolumes(benchmark::State& state) {
    Viewer& viewer = TheViewer(kVolumeLoop, state);
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
    state.counters["errorCode"] = FormMain->CurrentScan().errorCode;
}
BENCHMARK(BM_FastForwardVolumes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
