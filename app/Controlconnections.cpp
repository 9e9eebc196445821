#include "app/Controlconnections.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
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

/// One accepted connection: reads lines, answers each through the handler, and closes when the
/// client does, when it stays idle too long, or after answering a line that is too long. What it
/// buffers stays below one line over the limit.
class TControlConnection : public QObject {
public:
    TControlConnection(int fd, const TControlConnections::LineHandler& handler,
                       const TControlConnections::Limits& limits, QObject* parent)
        : QObject(parent), fd_(fd), handler_(handler), limits_(limits),
          reading_(new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this)),
          writing_(new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Write, this)),
          idle_(new QTimer(this)) {
        writing_->setEnabled(false);
        idle_->setSingleShot(true);
        idle_->start(limits_.idleTimeout);
        connect(idle_, &QTimer::timeout, this, [this] { deleteLater(); });
        connect(reading_, &QSocketNotifier::activated, this, [this] { ReadLines(); });
        connect(writing_, &QSocketNotifier::activated, this, [this] { WritePending(); });
        ReadLines();
    }
    ~TControlConnection() override { ::close(fd_); }
    TControlConnection(const TControlConnection&) = delete;
    TControlConnection& operator=(const TControlConnection&) = delete;

private:
    void ReadLines() {
        idle_->start(limits_.idleTimeout);
        const auto room = static_cast<std::size_t>(limits_.maxLineBytes) + 2;
        bool ended = false;
        while (!closing_ && static_cast<std::size_t>(in_.size()) < room) {
            char chunk[4096];
            const ssize_t got = ::read(fd_, chunk, std::min(sizeof chunk, room - static_cast<std::size_t>(in_.size())));
            if (got > 0) {
                in_.append(chunk, static_cast<qsizetype>(got));
                AnswerLines();
                continue;
            }
            if (got < 0 && errno == EINTR) {
                continue;
            }
            ended = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            break;
        }
        if (!closing_ && in_.size() > limits_.maxLineBytes) {
            Queue(QStringLiteral("ERROR line longer than %1 bytes").arg(limits_.maxLineBytes));
            closing_ = true;
        }
        if (ended || closing_) {
            closing_ = true;
            reading_->setEnabled(false);
        }
        WritePending();
    }

    void AnswerLines() {
        qsizetype end = 0;
        while (!closing_ && (end = in_.indexOf('\n')) >= 0) {
            const QByteArray raw = in_.left(end);
            in_.remove(0, end + 1);
            if (raw.size() > limits_.maxLineBytes) {
                in_ = raw; // answered as too long below
                return;
            }
            const QString line = QString::fromUtf8(raw).trimmed();
            if (!line.isEmpty()) {
                Queue(handler_(line));
            }
        }
    }

    void Queue(const QString& reply) { out_ += (reply + QLatin1Char('\n')).toUtf8(); }

    /// Writes what is queued without blocking; the rest when the socket has room again. A
    /// closing connection goes once everything is written (or the client is gone).
    void WritePending() {
        while (!out_.isEmpty()) {
            const ssize_t wrote = ::send(fd_, out_.constData(), static_cast<std::size_t>(out_.size()), MSG_NOSIGNAL);
            if (wrote > 0) {
                out_.remove(0, wrote);
            } else if (wrote < 0 && errno == EINTR) {
                continue;
            } else if (wrote < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                writing_->setEnabled(true);
                return;
            } else {
                deleteLater();
                return;
            }
        }
        writing_->setEnabled(false);
        if (closing_) {
            deleteLater();
        }
    }

    int fd_;
    const TControlConnections::LineHandler& handler_;
    const TControlConnections::Limits& limits_;
    QSocketNotifier* reading_;
    QSocketNotifier* writing_;
    QTimer* idle_;
    QByteArray in_;
    QByteArray out_;
    bool closing_ = false;
};

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
    for (QObject* child : children()) {
        if (auto* connection = dynamic_cast<TControlConnection*>(child)) {
            disconnect(connection, nullptr, this, nullptr);
            delete connection;
        }
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
    auto* connection = new TControlConnection(fd, handler_, limits_, this);
    ++connections_;
    connect(connection, &QObject::destroyed, this, [this] {
        --connections_;
        if (notifier_ != nullptr && !retry_->isActive()) {
            notifier_->setEnabled(true);
        }
    });
}
