// Figures of the main window: one frame of a demo PPI sweep (the frame pipeline with re-render plus
// the composition of the picture), and fast forward through the demo sequence at the real
// 10 ms re-arm of the playback timer.
#include "app/Applicationmodules.h"
#include "app/Fmain.h"
#include "platform/Processinfo.h"
#include "tools/synth/Demoset.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// The application, its modules and the demo sequence, made once for every benchmark.
struct Viewer {
    Viewer() {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        QApplication::setAttribute(Qt::AA_Use96Dpi);
        application = std::make_unique<QApplication>(argc, argv);
        synth::WritePpiSequence(folder.path().toStdString());
        const QString exe = folder.filePath(QStringLiteral("nimbrook"));
        const QString ppi = folder.filePath(QStringLiteral("ppi"));
        process = std::make_unique<ScopedProcessInfo>(exe, QStringList{exe, QStringLiteral("--play"), ppi});
        // Started like "nimbrook --play FOLDER": the sequence loaded and playing.
        modules = std::make_unique<TApplicationModules>(ParseStartOptions(CommandLineArguments()));
        FormMain->show();
        QCoreApplication::sendPostedEvents();
        fileCount = static_cast<int>(FormMain->FileList().size());
    }
    ~Viewer() {
        modules.reset();
        process.reset();
    }

    int argc = 1;
    char name[16] = "nimbrook_bench";
    char* argv[2] = {name, nullptr};
    QTemporaryDir folder;
    std::unique_ptr<QApplication> application;
    std::unique_ptr<ScopedProcessInfo> process;
    std::unique_ptr<TApplicationModules> modules;
    int fileCount = 0;
};

Viewer& TheViewer() {
    static Viewer viewer;
    return viewer;
}

void BM_DemoPpiFrame(benchmark::State& state) {
    TheViewer();
    FormMain->MainMenuPlayStop->trigger(); // file 0 shown, stopped
    for (auto _ : state) {
        FormMain->RefreshDisplay(true);
        QCoreApplication::sendPostedEvents(); // the repaint: one composition
    }
    state.counters["errorCode"] = FormMain->CurrentScan().errorCode;
    state.counters["rays"] = FormMain->CurrentScan().rayCount;
}
BENCHMARK(BM_DemoPpiFrame)->Unit(benchmark::kMillisecond);

// The two halves of a frame: the sweep read and painted, and the picture composed.
void BM_DemoPpiRenderSweep(benchmark::State& state) {
    TheViewer();
    FormMain->MainMenuPlayStop->trigger();
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormMain->RenderSweep(FormMain->CheckedProduct(), &FormMain->CurrentScan(),
                                                       FormMain->DisplayRange()));
    }
}
BENCHMARK(BM_DemoPpiRenderSweep)->Unit(benchmark::kMillisecond);

void BM_DemoPpiCompose(benchmark::State& state) {
    TheViewer();
    FormMain->MainMenuPlayStop->trigger();
    for (auto _ : state) {
        FormMain->OnRepaint(0, 0);
    }
}
BENCHMARK(BM_DemoPpiCompose)->Unit(benchmark::kMillisecond);

void BM_FastForwardDemoList(benchmark::State& state) {
    Viewer& viewer = TheViewer();
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
BENCHMARK(BM_FastForwardDemoList)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
