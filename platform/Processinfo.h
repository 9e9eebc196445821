#pragma once

#include <QString>
#include <QStringList>

// The program's own path and command line, in one place so that tests can give the application
// any executable folder and any arguments.

/// Full path of the executable (where its settings file lives).
QString ExecutableFilePath();

/// The command line split into arguments, argument 0 being the program: what the application object
/// left of it after taking its own options (-platform, -style, -reverse …), each argument decoded
/// with PathFromLocalBytes so that file names keep their bytes. Empty until RecordCommandLine.
QStringList CommandLineArguments();

/// Records the command line from argc and argv as the application object left them; the process
/// entry calls it once the application object exists.
void RecordCommandLine(int argc, const char* const* argv);

/// Replaces the executable path and the command line while it lives (tests); the previous
/// values come back when it is destroyed.
class ScopedProcessInfo {
public:
    ScopedProcessInfo(const QString& executableFilePath, const QStringList& arguments);
    ~ScopedProcessInfo();
    ScopedProcessInfo(const ScopedProcessInfo&) = delete;
    ScopedProcessInfo& operator=(const ScopedProcessInfo&) = delete;

private:
    bool hadOverride_;
    QString savedPath_;
    QStringList savedArguments_;
};
