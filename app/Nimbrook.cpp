// The viewer's process entry: one interactive copy per user, the twelve modules, the event loop.
// Batch runs (a scan file on the command line) are not held back by the interactive copy: a
// script may convert many files at once, each run in a process of its own.
#include "app/Applicationmodules.h"
#include "app/Batchexceptions.h"
#include "app/Controlserver.h"
#include "app/Fmain.h"
#include "app/Nimbrookapplication.h"
#include "app/Startoptions.h"
#include "base/Commandlinehelp.h"
#include "platform/Dwinmodule.h"
#include "platform/Hugepageheap.h"
#include "platform/Processinfo.h"
#include "platform/Unattendedplatform.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

/// Whether the command line as given may start a batch run. What decides is the command line the
/// application object leaves (it takes its own options, such as -reverse or -style fusion, away),
/// but a batch run's platform must be chosen before that object exists.
bool MayBeBatchCommandLine(int argc, char** argv) {
    return argc >= 2 && std::strcmp(argv[1], kPlayOption) != 0;
}

/// Whether the command line asks for a platform itself (-platform NAME).
bool NamesAPlatform(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            return true;
        }
    }
    return false;
}

constexpr std::string_view kUsage =
    "usage: nimbrook                  the viewer\n"
    "       nimbrook --play PATH...   the viewer with the scan files given (files or folders) loaded and\n"
    "                                 playing\n"
    "       nimbrook --follow DIR [--keep N]\n"
    "                                 the viewer following the folder DIR: its newest N scan files "
    "(default:\n"
    "                                 the Keep setting, 12; 0 all) loaded, each new one added when complete\n"
    "       nimbrook FILE [DEVICE]    batch mode: FILE converted into a JPEG beside it (x.scn and x.scn.gz\n"
    "                                 give x.jpg) and one line in nimbrook.log in the current folder;\n"
    "                                 DEVICE 0 or absent is the large device, any other number the small;\n"
    "                                 FILE may be an ODIM_H5 or CfRadial file too, --sweep N after it\n"
    "                                 choosing sweep N (0-based) of a volume, default the lowest\n"
    "       nimbrook --help | --version\n"
    "Qt's own options (-platform NAME, -style NAME, -reverse ...) may come first.\n";

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = AnswerHelpOrVersion(argc, argv, "nimbrook", kUsage)) {
        return *answered;
    }
    UseHugePageHeap();
    LeaveOutToolkitNotes();
    bool offscreenChosen = false;
    const bool platformNamed = NamesAPlatform(argc, argv);
    if (MayBeBatchCommandLine(argc, argv)) {
        offscreenChosen = ChooseOffscreenWithoutDisplay();
    }
    TNimbrookApplication application(argc, argv);
    // From here on one command line decides everything: the one the application object left.
    RecordCommandLine(argc, argv);
    const TStartOptions options = ParseStartOptions(CommandLineArguments());
    const bool batch = !options.batchArguments.isEmpty();
    if (!batch && offscreenChosen && !platformNamed &&
        QGuiApplication::platformName() == QLatin1String("offscreen")) {
        // Only options of the toolkit were given: an interactive start, for which the offscreen
        // platform chosen for a batch run would show nothing to anybody.
        std::fprintf(stderr, "nimbrook: no display to show the viewer on\n");
        return 1;
    }
    TInstanceLock instance;
    if (!batch) {
        // A second interactive copy ends at once and silently while the first one runs.
        instance = TWinModule::SingleInstance(TNimbrookApplication::applicationName());
        if (!instance.Owned() && !instance.Refusal().isEmpty()) {
            // No place that only this user controls: another user could take the lock or the
            // socket and receive this copy's commands.
            std::fprintf(stderr, "nimbrook: %s\n", instance.Refusal().toLocal8Bit().constData());
            return 1;
        }
        if (!instance.Owned()) {
            return 0;
        }
    }
    // An exception outside the event loop, after the main window and its handler are gone: a batch
    // run logs it and ends; an interactive run shows it.
    const auto handle = [&](const std::string& message) {
        if (batch) {
            LogBatchException(options.batchArguments.front().trimmed(), message);
        }
        application.HandleException(message);
    };
    // The main window decides when the application ends, not the last window closed.
    TNimbrookApplication::setQuitOnLastWindowClosed(false);
    try {
        const TApplicationModules modules(options);
        std::unique_ptr<TControlServer> control;
        if (!batch) {
            control = std::make_unique<TControlServer>(*FormMain);
            const QString socketPath = TControlServer::SocketPath(TNimbrookApplication::applicationName());
            if (!control->Listen(socketPath)) {
                std::fprintf(stderr, "nimbrook: other programs cannot reach this copy: no socket at %s\n",
                             socketPath.toLocal8Bit().constData());
            }
        }
        FormMain->show();
        // A close that came while the window was being shown (answered in the loop of a box it
        // showed at start-up) has ended the application already.
        if (FormMain->isVisible()) {
            TNimbrookApplication::exec();
        }
    } catch (const std::exception& error) {
        handle(error.what());
    } catch (...) {
        handle(std::string());
    }
    TWinModule::ReleaseInstance(instance);
    return 0;
}
