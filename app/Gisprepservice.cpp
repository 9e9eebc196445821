#include "app/Gisprepservice.h"

#include "files/Cachefolder.h"

#include <QProcess>
#include <cstdio>

namespace {

QString BoxArgument(const GeoBox& box) {
    return QString::asprintf("%.17g,%.17g,%.17g,%.17g", box.north, box.west, box.south, box.east);
}

QString SizeArgument(int width, int height) {
    return QString::asprintf("%dx%d", width, height);
}

/// The program's one line on stderr, without its ending.
QString LastLine(QProcess& process) {
    const QString text = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return text.section(QLatin1Char('\n'), -1);
}

} // namespace

TGisPrepService::TGisPrepService(QString program, QObject* parent)
    : QObject(parent), program_(std::move(program)) {}

TGisPrepService::~TGisPrepService() {
    for (auto& [entry, process] : runs_) {
        process->disconnect();
        process->kill();
        process->waitForFinished(1000);
        delete process;
    }
}

std::string TGisPrepService::EntryPath(const char* topic, const std::string& source,
                                       const std::string& placement) {
    const std::optional<std::string> key = CacheKeyFor(source, placement);
    if (!key) {
        return {};
    }
    std::string folder = UserCacheFolder(topic);
    if (folder.empty()) {
        if (!fallback_) {
            fallback_ = std::make_unique<QTemporaryDir>();
        }
        if (!fallback_->isValid()) {
            return {};
        }
        folder = fallback_->path().toStdString();
    }
    return folder + "/" + *key;
}

void TGisPrepService::Run(const std::string& entry, const QStringList& arguments, Answer answer) {
    if (runs_.count(entry) != 0) {
        return;
    }
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardOutputFile(QProcess::nullDevice());
    const auto finish = [this, entry, process, answer](int code) {
        const QString line = code == NotRun ? QStringLiteral("cannot run ") + program_ : LastLine(*process);
        runs_.erase(entry);
        process->deleteLater();
        answer(code, line);
    };
    runs_[entry] = process;
    if (waits_) {
        process->start(program_, arguments);
        const bool ran = process->waitForStarted(-1) && process->waitForFinished(-1) &&
                         process->exitStatus() == QProcess::NormalExit;
        finish(ran ? process->exitCode() : NotRun);
        return;
    }
    connect(process, &QProcess::finished, this, [finish](int exitCode, QProcess::ExitStatus status) {
        finish(status == QProcess::NormalExit ? exitCode : NotRun);
    });
    connect(process, &QProcess::errorOccurred, this, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            finish(NotRun);
        }
    });
    process->start(program_, arguments);
}

TGisPrepService::Answer TGisPrepService::PreparationAnswer(const std::string& entry,
                                                           const std::string& path) {
    return [this, entry, path](int code, const QString& line) {
        if (code != Done) {
            failed_.insert(entry); // not tried again for this view
            if (onFailure) {
                onFailure(path, code, line);
            }
        } else if (!waits_ && onReady) {
            onReady();
        }
    };
}

void TGisPrepService::ReportMissing(const std::string& path) {
    if (missing_.insert(path).second && onFailure) {
        onFailure(path, Unreadable, QString::fromStdString(path) + QStringLiteral(": no such file"));
    }
}

void TGisPrepService::Check(bool raster, const std::string& path, Answer answer) {
    const std::string run = "check:" + std::to_string(++checks_);
    Run(run,
        {QStringLiteral("check"), raster ? QStringLiteral("raster") : QStringLiteral("vector"),
         QString::fromStdString(path)},
        std::move(answer));
}

std::optional<PreparedPicture> TGisPrepService::Basemap(const std::string& path, const GeoBox* box, int width,
                                                        int height) {
    const std::string entry = EntryPath("basemaps", path,
                                        box ? PlacementText("basemap", *box, width, height)
                                            : PlacementText("basemap-own-extent", {}, width, height));
    if (entry.empty()) {
        ReportMissing(path);
        return std::nullopt;
    }
    const auto read = [&entry]() -> std::optional<PreparedPicture> {
        std::optional<std::string> bytes = ReadCacheEntry(entry, kLargestPictureEntryBytes);
        return bytes ? DecodePicture(std::move(*bytes)) : std::nullopt;
    };
    if (std::optional<PreparedPicture> cached = read()) {
        return cached;
    }
    if (failed_.count(entry) != 0) {
        return std::nullopt;
    }
    QStringList arguments{QStringLiteral("basemap"), QString::fromStdString(path), QStringLiteral("--size"),
                          SizeArgument(width, height)};
    if (box != nullptr) {
        arguments << QStringLiteral("--box") << BoxArgument(*box);
    }
    arguments << QStringLiteral("--out") << QString::fromStdString(entry);
    Run(entry, arguments, PreparationAnswer(entry, path));
    return waits_ ? read() : std::nullopt;
}

std::optional<PreparedShapes> TGisPrepService::VectorLayer(const std::string& path, const GeoBox& box,
                                                           int width, int height) {
    const std::string entry = EntryPath("layers", path, PlacementText("layer", box, width, height));
    if (entry.empty()) {
        ReportMissing(path);
        return std::nullopt;
    }
    const auto read = [&entry]() -> std::optional<PreparedShapes> {
        const std::optional<std::string> bytes = ReadCacheEntry(entry, kLargestShapesEntryBytes);
        return bytes ? DecodeShapes(*bytes) : std::nullopt;
    };
    if (std::optional<PreparedShapes> cached = read()) {
        return cached;
    }
    if (failed_.count(entry) != 0) {
        return std::nullopt;
    }
    Run(entry,
        {QStringLiteral("vector"), QString::fromStdString(path), QStringLiteral("--size"),
         SizeArgument(width, height), QStringLiteral("--box"), BoxArgument(box), QStringLiteral("--out"),
         QString::fromStdString(entry)},
        PreparationAnswer(entry, path));
    return waits_ ? read() : std::nullopt;
}
