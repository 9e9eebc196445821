#pragma once

#include "tools/convert/Workerpool.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

// nimbrook-convert --loop: the files' batch pictures made by the worker pool, handed back through
// a private frame folder and encoded by the coordinator in play order into one animated WebP or
// GIF, written under a temporary name and renamed. A run stopped by a signal writes nothing.

struct TLoopRequest {
    const QStringList* files = nullptr;
    bool smallDevice = false;
    QString settingsFile;
    int jobs = 1;
    std::string loopPath;
    int frameMs = 0;     // 0: the display time of the settings
    int lastFrameMs = 0; // 0: three times the frame's display time
    bool quiet = false;
    QString sweep; // of volumes, as batch mode's --sweep; empty: the settings' choice
};

struct TLoopRun {
    TPoolRun pool;
    bool written = false; // the loop is at loopPath
};

/// The file of `files` that a loop written to `loopPath` would replace (the same path or another
/// name of the same file), or nothing.
std::optional<QString> ScanFileAt(const QStringList& files, const std::string& loopPath);

/// Runs the request; `report` sees every file's result as in a JPEG run. What went wrong with the
/// loop itself is said on stderr (unless quiet).
TLoopRun ConvertToLoop(const TLoopRequest& request, TPoolObserver& report);
