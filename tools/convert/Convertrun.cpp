#include "tools/convert/Convertrun.h"

#include "app/Batchlogs.h"
#include "base/Commandlinehelp.h"
#include "base/Ownfolder.h"
#include "platform/Hugepageheap.h"
#include "platform/Localpath.h"
#include "platform/Processinfo.h"
#include "platform/Unattendedplatform.h"
#include "tools/convert/Convertoptions.h"
#include "tools/convert/Convertreport.h"
#include "tools/convert/Convertsession.h"
#include "tools/convert/Followconvert.h"
#include "tools/convert/Loopconvert.h"
#include "tools/convert/Sameoutputguard.h"
#include "tools/convert/Scanfilelist.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sched.h>
#include <string>
#include <unistd.h>
#include <variant>
#include <vector>

namespace {

/// Wrong arguments: what is wrong and where to read more, on standard error; exit status 2.
int WrongArguments(const std::string& message) {
    std::fprintf(stderr, "nimbrook-convert: %s (see nimbrook-convert --help)\n", message.c_str());
    return 2;
}

/// Hands the whole run to the converter with the open-format writers; returns only when that
/// program cannot be started.
int RunFormatsProgram(char** argv) {
    const std::string program = ProgramBesideThis(kFormatsProgram);
    ::execv(program.c_str(), argv);
    std::fprintf(stderr, "nimbrook-convert: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
    return 1;
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

/// Where each file's output goes, and the files refused because an earlier one writes the same
/// output. Today's JPEG run (no --out) keeps its pictures beside the files, as `nimbrook FILE`
/// does, and leaves both lists empty.
struct TConvertPlan {
    std::vector<std::string> outputs;
    std::vector<bool> refused;
};
TConvertPlan PlanOutputs(const TScanFileList& list, const TConvertOptions& options) {
    TConvertPlan plan;
    if (options.format == TOutputFormat::Jpeg && options.outFolder.empty()) {
        return plan;
    }
    std::vector<std::string> inputs;
    for (qsizetype i = 0; i < list.files.size(); ++i) {
        inputs.push_back(LocalPathBytes(list.files[i].trimmed()));
        plan.outputs.push_back(OutputPathFor(inputs.back(), list.foundUnder[static_cast<std::size_t>(i)],
                                             options.outFolder, options.format));
    }
    plan.refused = LaterOfSameOutput(inputs, plan.outputs);
    return plan;
}

} // namespace

int RunConverter(int argc, char** argv, TOpenFormatWorkers openFormats) {
    if (const auto answered = AnswerHelpOrVersion(argc, argv, "nimbrook-convert", kConvertUsage)) {
        return *answered;
    }
    UseHugePageHeap(); // the workers forked later inherit it
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

    if (options.format != TOutputFormat::Jpeg && openFormats == nullptr) {
        return RunFormatsProgram(argv);
    }

    const QString viewer = QFile::decodeName(QByteArray::fromStdString(ProgramBesideThis("nimbrook")));
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
        for (const std::string& reason : list.reasons) {
            std::fprintf(stderr, "nimbrook-convert: %s\n", reason.c_str());
        }
    }

    if (const std::optional<QString> input =
            options.loopPath.empty() ? std::nullopt : ScanFileAt(list.files, options.loopPath)) {
        return WrongArguments("the loop would replace the scan file " +
                              QFile::encodeName(*input).toStdString());
    }

    ChooseOffscreenWithoutDisplay();
    LeaveOutToolkitNotes();
    HoldStopSignals();
    const std::string logPath =
        std::filesystem::absolute(OperationLogPath(QFile::encodeName(viewer).toStdString()))
            .lexically_normal();
    TConvertReport report(list.files, logPath, options.quiet, list.unreadableFolders);
    TLoopRun loop;
    if (!options.loopPath.empty()) {
        const TLoopRequest request{&list.files,
                                   options.smallDevice,
                                   settingsFile,
                                   jobs,
                                   options.loopPath,
                                   options.frameMs,
                                   options.lastFrameMs,
                                   options.quiet,
                                   QString::fromStdString(options.sweep)};
        loop = ConvertToLoop(request, report);
    } else {
        const TConvertPlan plan = PlanOutputs(list, options);
        const TWorkerFactory formatWorker =
            options.format == TOutputFormat::Jpeg
                ? TWorkerFactory()
                : openFormats(list.files, plan.outputs, options, QFile::encodeName(viewer).toStdString());
        const TWorkerFactory startWorker = [&]() -> std::unique_ptr<TConversionWorker> {
            std::unique_ptr<TConversionWorker> worker =
                formatWorker
                    ? formatWorker()
                    : std::make_unique<TConvertSession>(list.files, plan.outputs, options.smallDevice,
                                                        settingsFile, QString::fromStdString(options.sweep));
            if (plan.refused.empty()) {
                return worker;
            }
            return std::make_unique<TSameOutputGuard>(std::move(worker), list.files, plan.outputs,
                                                      plan.refused);
        };
        loop.pool = RunWorkerPool(static_cast<std::size_t>(list.files.size()), jobs, startWorker, report);
    }
    report.Summarise(loop.pool);
    if (loop.pool.stopSignal != 0) {
        EndBySignal(loop.pool.stopSignal);
    }
    return report.AllConverted() && (options.loopPath.empty() || loop.written) ? 0 : 1;
}
