#include "tools/convert/Loopconvert.h"

#include "platform/Animatedloop.h"
#include "tools/convert/Convertsession.h"
#include "tools/convert/Loopassembly.h"
#include "tools/convert/Loopframes.h"

#include <QFile>
#include <cstdio>
#include <sys/stat.h>

namespace {

std::string SizeText(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return "?";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f MB", static_cast<double>(info.st_size) / 1e6);
    return text;
}

} // namespace

std::optional<QString> ScanFileAt(const QStringList& files, const std::string& loopPath) {
    struct stat loop {};
    const bool loopExists = ::stat(loopPath.c_str(), &loop) == 0;
    for (const QString& file : files) {
        const std::string bytes = QFile::encodeName(file).toStdString();
        struct stat input {};
        if (bytes == loopPath || (loopExists && ::stat(bytes.c_str(), &input) == 0 &&
                                  input.st_dev == loop.st_dev && input.st_ino == loop.st_ino)) {
            return file;
        }
    }
    return std::nullopt;
}

TLoopRun ConvertToLoop(const TLoopRequest& request, TPoolObserver& report) {
    TLoopRun run;
    const auto say = [&](const std::string& text) {
        if (!request.quiet) {
            std::fprintf(stderr, "nimbrook-convert: %s\n", text.c_str());
        }
    };
    const TFrameFolder folder;
    if (folder.Path().empty()) {
        say("no folder for the frames could be made under $TMPDIR");
        return run;
    }
    const std::unique_ptr<TAnimatedLoop> loop = MakeAnimatedLoop(*LoopFormatOfPath(request.loopPath));
    TLoopAssembly assembly(static_cast<std::size_t>(request.files->size()), folder.Path(), *loop,
                           request.frameMs, request.lastFrameMs, report);
    const TWorkerFactory startViewer = [&] {
        return std::make_unique<TConvertSession>(*request.files, kBesideEachFile, request.smallDevice,
                                                 request.settingsFile, request.sweep, folder.Path());
    };
    run.pool =
        RunWorkerPool(static_cast<std::size_t>(request.files->size()), request.jobs, startViewer, assembly);
    if (run.pool.stopSignal != 0) {
        return run; // stopped: the frames go with their folder, no loop is written
    }
    std::string error;
    if (!assembly.Complete(error) || !SaveAnimatedLoop(*loop, request.loopPath, error)) {
        say(error);
        return run;
    }
    run.written = true;
    say("wrote " + request.loopPath + ": " + std::to_string(loop->FrameCount()) + " frames, " +
        SizeText(request.loopPath));
    return run;
}
