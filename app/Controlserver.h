#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QTimer;
class TControlConnections;
class TFormMain;

// The local socket through which other programs reach the running viewer, in place of posting
// window messages to it. Each connection sends lines of UTF-8 text, one command per line, and
// gets one reply line per command: "OK", or "ERROR " and the reason.
//
//   close                      closes the viewer, as UM_CLOSE does (settings are saved)
//   angles AZ EL               UM_SET_ANGLES: azimuth (0..4294967295) and elevation (signed) in
//                              whole degrees, shown at the next status bar update
//   repaint [WIDTH HEIGHT]     UM_REPAINT: composes and paints the picture (at a new size)
//   drop PATH<TAB>PATH...      plays the paths as if they were dropped on the window
//   status                     "OK following=0|1 index=I count=N time=YYYY/MM/DD hh:mm:ss path=PATH":
//                              the playback position (from 1, 0 with an empty list), the scan time
//                              and the path of the file shown (both empty with none), path last
//   follow PATH                follows the folder PATH (the rest of the line), as the menu does
//   unfollow                   stops following
//
// Words are separated by blanks; a line holding a tab is split at tabs instead, so that paths
// may contain blanks. Only the interactive copy listens; the socket is the user's alone. At most
// 16 connections are served at once, a connection idle for 30 s is closed, and a line longer than
// 64 KB is answered with ERROR and its connection closed (TControlConnections). A drop that comes
// while a dialog box is open is carried out when the box has closed.
class TControlServer : public QObject {
public:
    explicit TControlServer(TFormMain& window, QObject* parent = nullptr);
    ~TControlServer() override;
    TControlServer(const TControlServer&) = delete;
    TControlServer& operator=(const TControlServer&) = delete;

    /// Path of the socket of the application `name`: in the user's runtime folder, or else in the
    /// temporary folder with the user id in its name.
    static QString SocketPath(const QString& name);

    /// Starts listening at `path`, replacing a socket left by an earlier run (the caller holds the
    /// single-instance lock, so no live copy owns it). False when the socket cannot be created.
    bool Listen(const QString& path);
    /// The connections served now.
    int ConnectionCount() const;

    /// Carries out one command line and returns the reply (without line break).
    QString Execute(const QString& line);

private:
    /// Plays the drops that came, one at a time, once no dialog box is open.
    void DeliverDrops();

    TFormMain& window_;
    TControlConnections* connections_;
    QTimer* dropTimer_;
    QList<QStringList> pendingDrops_;
};
