#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <sys/types.h>

class QSocketNotifier;
class QTimer;
class TControlConnection;

// The listening side of the control socket: a Unix socket only its user can reach, whose
// connections each send lines of text and get one reply line per line. It holds up against
// misbehaving clients: the number of connections is bounded (further ones wait in the backlog
// until one closes), an idle connection is closed, a line longer than the limit is answered with
// "ERROR" and its connection closed, and running out of descriptors only pauses accepting for a
// moment. The socket stays listening, and its file in place, for as long as the object lives.
// Connections are plain descriptors watched by the event loop, so the viewer needs no network
// library (which would cost it a dozen shared libraries at every start).
class TControlConnections : public QObject {
public:
    struct Limits {
        int maxConnections = 16;
        qint64 maxLineBytes = 64 * 1024; // the line break not counted
        std::chrono::milliseconds idleTimeout{30000};
        std::chrono::milliseconds acceptRetry{250}; // pause after an accept failed for want of resources
    };
    /// Carries out one line (without its line break, blanks at its ends removed) and returns the
    /// reply (without line break).
    using LineHandler = std::function<QString(const QString& line)>;

    TControlConnections(LineHandler handler, Limits limits, QObject* parent = nullptr);
    ~TControlConnections() override;
    TControlConnections(const TControlConnections&) = delete;
    TControlConnections& operator=(const TControlConnections&) = delete;

    /// Listens at `path`, replacing a socket left there by an earlier run (the caller holds the
    /// single-instance lock, so no live copy owns it); anything else at the path is left alone.
    /// False when the socket cannot be made.
    bool Listen(const QString& path);
    bool Listening() const { return listenFd_ >= 0; }
    int ConnectionCount() const { return connections_; }

private:
    void AcceptPending();
    void Adopt(int fd);
    void Close();

    LineHandler handler_;
    Limits limits_;
    int listenFd_ = -1;
    QString path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* retry_ = nullptr;
    int connections_ = 0;
};
