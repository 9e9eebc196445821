#include "tools/convert/Followconvert.h"

#include "app/Batchexceptions.h"
#include "app/Batchlogs.h"
#include "app/Folderfollower.h"
#include "app/Outputnames.h"
#include "app/Startoptions.h"
#include "platform/Localpath.h"
#include "platform/Processinfo.h"
#include "settings/Fmainstring.h"
#include "tools/convert/Convertreport.h"
#include "tools/convert/Convertsession.h"
#include "tools/convert/Scanfilelist.h"
#include "tools/convert/Stopsignals.h"
#include "tools/convert/Workerpool.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

// What the follow mode says on stderr: on a terminal one line updated after each file, otherwise a
// line for each failure only; nothing at all when quiet.
class TFollowReport final : public TPoolObserver {
public:
    explicit TFollowReport(bool quiet) : quiet_(quiet), terminal_(::isatty(STDERR_FILENO) == 1) {}

    /// The files the indices of Finished and Lost count in.
    void Use(const QStringList& files) { files_ = files; }

    void Finished(std::size_t index, TBatchOutcome result) override {
        LogConvertedFile(OperationLogPath(ExecutableFilePath().toStdString()),
                         files_.value(static_cast<qsizetype>(index)), result.converted, result.errorCode);
        Count(index, result.converted, ErrorText(result.errorCode));
    }
    void Lost(std::size_t index, int waitStatus) override {
        const std::string message = LostMessage(waitStatus);
        LogFailedByException(files_.value(static_cast<qsizetype>(index)).trimmed(), message);
        Count(index, false, message);
    }
    void End() const {
        if (!quiet_ && terminal_ && converted_ + failed_ > 0) {
            std::fputc('\n', stderr);
        }
    }

private:
    void Count(std::size_t index, bool converted, const std::string& why) {
        const QString path = files_.value(static_cast<qsizetype>(index));
        converted ? ++converted_ : ++failed_;
        lastTime_ = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
        if (quiet_) {
            return;
        }
        if (terminal_) {
            std::fprintf(stderr, "\r%zu converted, %zu failed, last at %s: %s\033[K", converted_, failed_,
                         lastTime_.c_str(), QFileInfo(path).fileName().toLocal8Bit().constData());
        } else if (!converted) {
            std::fprintf(stderr, "nimbrook-convert: %s not converted: %s\n", LocalPathBytes(path).c_str(),
                         why.c_str());
        }
        std::fflush(stderr);
    }

    bool quiet_;
    bool terminal_;
    QStringList files_;
    std::size_t converted_ = 0;
    std::size_t failed_ = 0;
    std::string lastTime_;
};

QStringList StaleScanFiles(const QStringList& files) {
    QStringList stale;
    for (const QString& file : files) {
        if (PictureIsStale(file)) {
            stale.append(file);
        }
    }
    return stale;
}

// The follow phase: one viewer in this process converts each file the follower reports complete.
// Files reported while one is being converted (the conversion runs events) wait their turn.
class TFollowRun {
public:
    TFollowRun(const TConvertOptions& options, const QString& settingsFile, TFollowReport& report)
        : session_(current_, kBesideEachFile, options.smallDevice, settingsFile), report_(report),
          follower_(PathFromLocalBytes(options.followFolder), IsScanFileName, TFolderFollower::TOptions{}),
          notifier_(signals_.Fd(), QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_, [this] {
            stopSignal_ = signals_.Take();
            if (!converting_) {
                QCoreApplication::quit();
            }
        });
    }

    int Run() {
        // Only files whose picture is missing or older: the follower also reports files that were
        // complete before it started, and those the catch-up has converted already.
        Convert(StaleScanFiles(
            follower_.Start([this](const QStringList& paths) { Convert(StaleScanFiles(paths)); })));
        if (stopSignal_ == 0) {
            QCoreApplication::exec();
        }
        return stopSignal_;
    }

private:
    void Convert(const QStringList& paths) {
        waiting_ += paths;
        if (converting_) {
            return;
        }
        converting_ = true;
        while (!waiting_.isEmpty() && stopSignal_ == 0) {
            current_ = {waiting_.takeFirst()};
            report_.Use(current_);
            report_.Finished(0, session_.Convert(0));
        }
        converting_ = false;
        if (stopSignal_ != 0) {
            QCoreApplication::quit();
        }
    }

    TStopSignals signals_;
    QStringList current_;
    TConvertSession session_;
    TFollowReport& report_;
    TFolderFollower follower_;
    QSocketNotifier notifier_;
    QStringList waiting_;
    bool converting_ = false;
    int stopSignal_ = 0;
};

} // namespace

bool PictureIsStale(const QString& scanFile) {
    const QFileInfo picture(BatchOutputPath(scanFile));
    return !picture.exists() || picture.lastModified() < QFileInfo(scanFile).lastModified();
}

int FollowAndConvert(const TConvertOptions& options, const QString& settingsFile, int jobs) {
    TFollowReport report(options.quiet);
    std::error_code error;
    if (std::filesystem::is_directory(options.followFolder, error)) {
        const QStringList stale = StaleScanFiles(CollectScanFiles({options.followFolder}, false).files);
        report.Use(stale);
        const TWorkerFactory startViewer = [&] {
            return std::make_unique<TConvertSession>(stale, kBesideEachFile, options.smallDevice,
                                                     settingsFile);
        };
        const TPoolRun run = RunWorkerPool(static_cast<std::size_t>(stale.size()), jobs, startViewer, report);
        if (run.stopSignal != 0) {
            report.End();
            return run.stopSignal;
        }
    }
    const int stopSignal = TFollowRun(options, settingsFile, report).Run();
    report.End();
    return stopSignal;
}
