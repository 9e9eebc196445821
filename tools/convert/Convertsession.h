#pragma once

#include "tools/convert/Workerpool.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

/// The outputs of a session whose pictures go beside each file (or into a loop's frames).
inline const std::vector<std::string> kBesideEachFile;

class TApplicationModules;
class TNimbrookApplication;

// The viewer in a worker process of the converter: its application object and its twelve
// modules, made once with the main window shown (fonts, colour tables, the prepared map), then
// every file converted by the main window's batch sequence (TFormMain::ConvertFile).
class TConvertSession final : public TConversionWorker {
public:
    /// Starts the viewer converting: the settings from `settingsFile` (empty: the viewer's own
    /// file). outputs[i] is where the picture of files[i] goes; none given: beside each file.
    /// `sweep` chooses the sweep of volumes as batch mode's --sweep does. With a `frameFolder`, each
    /// picture goes there as a loop's frame (FramePath) instead of into a JPEG. Throws what the
    /// modules throw when they cannot be made.
    TConvertSession(const QStringList& files, const std::vector<std::string>& outputs, bool smallDevice,
                    const QString& settingsFile, const QString& sweep = {}, std::string frameFolder = {});
    ~TConvertSession() override;
    TConvertSession(const TConvertSession&) = delete;
    TConvertSession& operator=(const TConvertSession&) = delete;

    /// Converts files[index] as `nimbrook FILE` (`nimbrook FILE 1` with the small device) does.
    TBatchOutcome Convert(std::size_t index) override;

private:
    const QStringList& files_;
    const std::vector<std::string>& outputs_;
    bool smallDevice_;
    std::string frameFolder_;
    // The application's command line: the program alone, so no argument is taken for Qt's own.
    QByteArray program_;
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    std::unique_ptr<TNimbrookApplication> application_;
    std::unique_ptr<TApplicationModules> modules_;
};
