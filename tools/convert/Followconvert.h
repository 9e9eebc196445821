#pragma once

#include "tools/convert/Convertoptions.h"

#include <QString>
#include <string>

// nimbrook-convert --follow DIR: first the scan files of DIR whose picture is missing or older than
// the file (catch-up after downtime) in worker processes, then, in this process, each scan file
// as soon as it is complete, until SIGINT or SIGTERM (the file being converted is finished first).
// On a terminal one line shows the number converted and the time of the last file; otherwise only
// failures get a line on stderr.

/// Whether the picture of `scanFile` is missing or older than the file.
bool PictureIsStale(const QString& scanFile);

/// Runs the follow mode of `options` (the caller holds the stop signals blocked) and returns the
/// stop signal that ended it, or 0 when the catch-up could start no worker.
int FollowAndConvert(const TConvertOptions& options, const QString& settingsFile, int jobs);
