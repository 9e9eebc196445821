// nimbrook-convert [--jobs N] [--small] [--settings INI] [--recursive] [--quiet] PATH...
// nimbrook-convert [--jobs N] [--small] [--settings INI] [--quiet] --follow DIR
//
// Converts scan files to JPEG pictures exactly as `nimbrook FILE` does (the same picture beside
// the file, the same line in nimbrook.log in the working directory), but in one run: each worker
// process starts the viewer's modules once and converts file after file. It acts as the viewer
// installed beside it: its settings file, its logs.
#include "app/Batchlogs.h"
#include "app/Commandlinehelp.h"
#include "platform/Processinfo.h"
#include "platform/Unattendedplatform.h"
#include "tools/convert/Convertoptions.h"
#include "tools/convert/Convertreport.h"
#include "tools/convert/Convertsession.h"
#include "tools/convert/Followconvert.h"
#include "tools/convert/Scanfilelist.h"

#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sched.h>
#include <string>
#include <unistd.h>
#include <variant>
#include <vector>

namespace {

/// Wrong arguments: what is wrong, then the usage, both on standard error; exit status 2.
int WrongArguments(const std::string& message) {
    std::fprintf(stderr, "nimbrook-convert: %s\n", message.c_str());
    return UsageError(kConvertUsage);
}

/// The viewer this program acts as: "nimbrook" in the program's own folder.
QString ViewerExecutablePath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return QFile::decodeName(QByteArray::fromStdString((self.parent_path() / "nimbrook").string()));
}

int ProcessorCount() {
    cpu_set_t cpus;
    if (::sched_getaffinity(0, sizeof cpus, &cpus) == 0) {
        return CPU_COUNT(&cpus);
    }
    return static_cast<int>(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
}

/// Keeps SIGINT and SIGTERM from ending the program before its summary; they are read by the
/// worker pool.
void HoldStopSignals() {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &stop, nullptr);
}

/// Ends the program as `signal` would have ended it, so that a calling script sees the stop.
[[noreturn]] void EndBySignal(int signal) {
    std::fflush(nullptr);
    std::signal(signal, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, signal);
    ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    std::raise(signal);
    std::_Exit(128 + signal);
}

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = AnswerHelpOrVersion(argc, argv, "nimbrook-convert", kConvertUsage)) {
        return *answered;
    }
    const TConvertCommand command = ParseConvertOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (std::holds_alternative<TShowUsage>(command)) {
        std::fputs(kConvertUsage, stdout);
        return 0;
    }
    if (const auto* error = std::get_if<TUsageError>(&command)) {
        return WrongArguments(error->message);
    }
    const auto& options = std::get<TConvertOptions>(command);
    const QString settingsFile = QFile::decodeName(QByteArray::fromStdString(options.settingsFile));
    if (!settingsFile.isEmpty() && !QFileInfo(settingsFile).isFile()) {
        return WrongArguments("no settings file at " + options.settingsFile);
    }

    const QString viewer = ViewerExecutablePath();
    const ScopedProcessInfo asViewer(viewer, {viewer});
    const int jobs = options.jobs > 0 ? options.jobs : ProcessorCount();
    if (!options.followFolder.empty()) {
        ChooseOffscreenWithoutDisplay();
        LeaveOutToolkitNotes();
        HoldStopSignals();
        EndBySignal(FollowAndConvert(options, settingsFile, jobs));
    }
    const TScanFileList list = CollectScanFiles(options.paths, options.recursive);
    if (!options.quiet) {
        for (const std::string& note : list.notes) {
            std::fprintf(stderr, "nimbrook-convert: %s\n", note.c_str());
        }
    }

    ChooseOffscreenWithoutDisplay();
    LeaveOutToolkitNotes();
    HoldStopSignals();
    const std::string logPath =
        std::filesystem::absolute(OperationLogPath(QFile::encodeName(viewer).toStdString()))
            .lexically_normal();
    TConvertReport report(list.files, logPath, options.quiet);
    const TWorkerFactory startViewer = [&] {
        return std::make_unique<TConvertSession>(list.files, options.smallDevice, settingsFile);
    };
    const TPoolRun run =
        RunWorkerPool(static_cast<std::size_t>(list.files.size()), jobs, startViewer, report);
    report.Summarise(run);
    if (run.stopSignal != 0) {
        EndBySignal(run.stopSignal);
    }
    return report.AllConverted() ? 0 : 1;
}
