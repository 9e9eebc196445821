#pragma once

#include <QString>

// Where the settings file lives: beside the executable, named like it with the extension ".ini"
// (nimbrook gives nimbrook.ini). An installed program's folder is usually not writable; then the
// settings go to the user's configuration folder instead, so that they are not lost at close.

struct TSettingsLocation {
    QString loadPath; // the file the settings are read from at start-up
    QString savePath; // the file they are written to at close
    bool fellBack = false;
};

/// The executable's path with its extension replaced by ".ini" (appended when it has none).
QString SettingsPathOf(const QString& executableFilePath);

/// The settings file of the executable at `executableFilePath`. When its folder does not take a
/// new file, the file of that name in `fallbackFolder` is saved instead, and loaded when it exists
/// (otherwise the one beside the executable is loaded, so shipped settings still apply).
TSettingsLocation ResolveSettingsLocation(const QString& executableFilePath, const QString& fallbackFolder);

/// The exception log, "log/Exception.log" beside the executable, or in `fallbackFolder` when the
/// executable's folder takes no new files (an installed program).
QString ExceptionLogPath(const QString& executableFilePath, const QString& fallbackFolder);

/// True when a new file can be created in `folder` (it is tried, then removed).
bool FolderTakesNewFiles(const QString& folder);

/// The user's configuration folder of the application.
QString UserConfigFolder();
