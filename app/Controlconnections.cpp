#include "app/Controlconnections.h"

#include <QFile>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int kBacklog = 16;

/// Errors of accept() that say a resource ran out rather than that the connection went wrong.
bool OutOfResources(int error) {
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

} // namespace

TControlConnections::TControlConnections(LineHandler handler, Limits limits, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), limits_(limits), retry_(new QTimer(this)) {
    retry_->setSingleShot(true);
    connect(retry_, &QTimer::timeout, this, [this] {
        if (notifier_ != nullptr && connections_ < limits_.maxConnections) {
            notifier_->setEnabled(true);
        }
    });
}

TControlConnections::~TControlConnections() {
    Close();
    // Before the members go: a connection's end counts it off.
    for (QLocalSocket* socket : findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly)) {
        disconnect(socket, nullptr, this, nullptr);
        delete socket;
    }
}

bool TControlConnections::Listen(const QString& path) {
    Close();
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (name.isEmpty() || static_cast<std::size_t>(name.size()) >= sizeof address.sun_path) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    struct stat existing {};
    if (::lstat(name.constData(), &existing) == 0 && S_ISSOCK(existing.st_mode)) {
        ::unlink(name.constData());
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    // Made with no access for others from the start (the umask is the process's, and this runs
    // on the one thread before any other file is made), then set to the user alone.
    const mode_t savedMask = ::umask(0177);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(savedMask);
    struct stat made {};
    if (!bound || ::chmod(name.constData(), 0600) != 0 || ::listen(fd, kBacklog) != 0 ||
        ::lstat(name.constData(), &made) != 0) {
        if (bound) {
            ::unlink(name.constData());
        }
        ::close(fd);
        return false;
    }
    listenFd_ = fd;
    path_ = path;
    device_ = made.st_dev;
    inode_ = made.st_ino;
    notifier_ = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { AcceptPending(); });
    return true;
}

void TControlConnections::Close() {
    if (listenFd_ < 0) {
        return;
    }
    delete notifier_;
    notifier_ = nullptr;
    retry_->stop();
    ::close(listenFd_);
    listenFd_ = -1;
    // Only our own socket is removed, not one that has taken its place since.
    const QByteArray name = QFile::encodeName(path_);
    struct stat now {};
    if (::lstat(name.constData(), &now) == 0 && now.st_dev == device_ && now.st_ino == inode_) {
        ::unlink(name.constData());
    }
}

void TControlConnections::AcceptPending() {
    while (connections_ < limits_.maxConnections) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            Adopt(fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO) {
            continue;
        }
        if (OutOfResources(errno)) {
            // The connection stays in the backlog; trying again at once would spin.
            notifier_->setEnabled(false);
            retry_->start(limits_.acceptRetry);
        }
        return; // EAGAIN: none left
    }
    // At the bound: the rest wait in the backlog until a connection closes.
    notifier_->setEnabled(false);
}

void TControlConnections::Adopt(int fd) {
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(fd, QLocalSocket::ConnectedState, QIODevice::ReadWrite)) {
        ::close(fd);
        delete socket;
        return;
    }
    ++connections_;
    // Qt reads no further than one line over the limit, so a line without end costs no memory.
    socket->setReadBufferSize(limits_.maxLineBytes + 2);
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    idle->start(limits_.idleTimeout);
    connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, idle] { ReadLines(socket, idle); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QObject::destroyed, this, [this] {
        --connections_;
        if (notifier_ != nullptr && !retry_->isActive()) {
            notifier_->setEnabled(true);
        }
    });
    ReadLines(socket, idle);
}

void TControlConnections::ReadLines(QLocalSocket* socket, QTimer* idle) {
    idle->start(limits_.idleTimeout);
    bool tooLong = false;
    while (!tooLong && socket->canReadLine()) {
        const QByteArray raw = socket->readLine(limits_.maxLineBytes + 2);
        tooLong = !raw.endsWith('\n') || raw.size() - 1 > limits_.maxLineBytes;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (!tooLong && !line.isEmpty()) {
            socket->write((handler_(line) + QLatin1Char('\n')).toUtf8());
        }
    }
    if (tooLong || socket->bytesAvailable() > limits_.maxLineBytes) {
        socket->write(QStringLiteral("ERROR line longer than %1 bytes\n").arg(limits_.maxLineBytes).toUtf8());
        socket->disconnectFromServer(); // once the replies are written
        return;
    }
    socket->flush();
}
