#include "app/Settingslocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

QString SettingsPathOf(const QString& executableFilePath) {
    const QFileInfo exe(executableFilePath);
    const QString suffix = exe.suffix();
    const QString stem =
        suffix.isEmpty() ? exe.absoluteFilePath() : exe.absoluteFilePath().chopped(suffix.size() + 1);
    return stem + QStringLiteral(".ini");
}

bool FolderTakesNewFiles(const QString& folder) {
    if (!QFileInfo(folder).isDir()) {
        return false;
    }
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".nimbrook-write-test-XXXXXX")));
    return probe.open(); // removed again when probe goes
}

TSettingsLocation ResolveSettingsLocation(const QString& executableFilePath, const QString& fallbackFolder) {
    const QString besideExe = SettingsPathOf(executableFilePath);
    if (FolderTakesNewFiles(QFileInfo(besideExe).absolutePath())) {
        return {besideExe, besideExe, false};
    }
    const QString userFile = QDir(fallbackFolder).filePath(QFileInfo(besideExe).fileName());
    QDir().mkpath(fallbackFolder);
    const bool userFileExists = QFileInfo::exists(userFile);
    return {userFileExists ? userFile : besideExe, userFile, true};
}

QString ExceptionLogPath(const QString& executableFilePath, const QString& fallbackFolder) {
    const QString programFolder = QFileInfo(executableFilePath).absolutePath();
    const QString logFolder = QDir(programFolder).filePath(QStringLiteral("log"));
    const bool besideProgram =
        QFileInfo(logFolder).isDir() ? FolderTakesNewFiles(logFolder) : FolderTakesNewFiles(programFolder);
    return QDir(besideProgram ? programFolder : fallbackFolder).filePath(QStringLiteral("log/Exception.log"));
}

QString UserConfigFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}
