#include "app/Controlserver.h"

#include "app/Appmessages.h"
#include "app/Controlconnections.h"
#include "app/Fmain.h"
#include "platform/Dwinmodule.h"

#include <QApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>
#include <cstdint>

namespace {

/// How often a drop waiting for a dialog box to close looks again.
constexpr int kModalPollMs = 100;

QStringList SplitCommand(const QString& line) {
    if (line.contains(QLatin1Char('\t'))) {
        return line.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
    }
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return line.split(blanks, Qt::SkipEmptyParts);
}

} // namespace

TControlServer::TControlServer(TFormMain& window, QObject* parent)
    : QObject(parent), window_(window),
      connections_(new TControlConnections([this](const QString& line) { return Execute(line); },
                                           TControlConnections::Limits{}, this)),
      dropTimer_(new QTimer(this)) {
    dropTimer_->setSingleShot(true);
    connect(dropTimer_, &QTimer::timeout, this, [this] { DeliverDrops(); });
}

TControlServer::~TControlServer() = default;

QString TControlServer::SocketPath(const QString& name) {
    const QString lockPath = TWinModule::InstanceLockPath(name);
    return QFileInfo(lockPath).absolutePath() + QLatin1Char('/') + QFileInfo(lockPath).completeBaseName() +
           QStringLiteral(".socket");
}

bool TControlServer::Listen(const QString& path) {
    return connections_->Listen(path);
}

int TControlServer::ConnectionCount() const {
    return connections_->ConnectionCount();
}

void TControlServer::DeliverDrops() {
    if (pendingDrops_.isEmpty()) {
        return;
    }
    // Inside a box's own loop the playback step is held, so a file dropped now would never show.
    if (QApplication::activeModalWidget() != nullptr) {
        dropTimer_->start(kModalPollMs);
        return;
    }
    const QStringList paths = pendingDrops_.takeFirst();
    window_.DropFiles(paths);
    if (!pendingDrops_.isEmpty() && !dropTimer_->isActive()) {
        QMetaObject::invokeMethod(
            this, [this] { DeliverDrops(); }, Qt::QueuedConnection);
    }
}

QString TControlServer::Execute(const QString& line) {
    const QStringList words = SplitCommand(line);
    const QString command = words.value(0);
    const QStringList arguments = words.mid(1);
    if (command == QLatin1String("close") && arguments.isEmpty()) {
        PostAppMessage(&window_, UM_CLOSE, 0, 0);
        return QStringLiteral("OK");
    }
    if (command == QLatin1String("angles")) {
        bool azimuthOk = false;
        bool elevationOk = false;
        const std::uint32_t azimuthDeg = arguments.value(0).toUInt(&azimuthOk, 10);
        const std::int32_t elevationDeg = arguments.value(1).toInt(&elevationOk, 10);
        if (arguments.size() != 2 || !azimuthOk || !elevationOk) {
            return QStringLiteral("ERROR angles needs an azimuth and an elevation in whole degrees");
        }
        PostAppMessage(&window_, UM_SET_ANGLES, azimuthDeg, elevationDeg);
        return QStringLiteral("OK");
    }
    if (command == QLatin1String("repaint")) {
        bool widthOk = true;
        bool heightOk = true;
        const int width = arguments.isEmpty() ? 0 : arguments.value(0).toInt(&widthOk, 10);
        const int height = arguments.isEmpty() ? 0 : arguments.value(1).toInt(&heightOk, 10);
        if ((arguments.size() != 0 && arguments.size() != 2) || !widthOk || !heightOk || width < 0 ||
            height < 0) {
            return QStringLiteral("ERROR repaint takes no size or a width and a height in pixels");
        }
        PostAppMessage(&window_, UM_REPAINT, static_cast<std::uintptr_t>(width), height);
        return QStringLiteral("OK");
    }
    if (command == QLatin1String("drop")) {
        if (arguments.isEmpty()) {
            return QStringLiteral("ERROR drop needs at least one path");
        }
        // After the reply: a failing file shows an error box, which must not hold the caller up.
        pendingDrops_.append(arguments);
        if (!dropTimer_->isActive()) {
            QMetaObject::invokeMethod(
                this, [this] { DeliverDrops(); }, Qt::QueuedConnection);
        }
        return QStringLiteral("OK");
    }
    if (command == QLatin1String("status") && arguments.isEmpty()) {
        return QStringLiteral("OK ") + window_.PlaybackStatus();
    }
    if (command == QLatin1String("follow")) {
        // The rest of the line is the folder, blanks and all.
        const QString folder = line.trimmed().mid(command.size()).trimmed();
        if (folder.isEmpty()) {
            return QStringLiteral("ERROR follow needs the path of a folder");
        }
        QTimer::singleShot(0, &window_, [this, folder] { window_.StartFollowing(folder); });
        return QStringLiteral("OK");
    }
    if (command == QLatin1String("unfollow") && arguments.isEmpty()) {
        window_.StopFollowing();
        return QStringLiteral("OK");
    }
    return QStringLiteral("ERROR unknown command: ") + command;
}
