#pragma once

#include "app/Batchoutcome.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>

class QObject;
class TWindowSnapshots;
struct ScanInfo;
struct TStartOptions;

/// A converted file's picture as a loop's frame, instead of a JPEG.
struct TConvertedFrame {
    TBatchOutcome outcome;
    QImage picture; // the captured window, when converted
};

/// What the batch sequence needs of the window it runs in.
class TBatchHost {
public:
    /// The open file's ScanInfo; its errorCode says how the file shown fared.
    virtual ScanInfo& BatchScan() = 0;
    /// The device type argument: the large (true) or the small device item checked.
    virtual void ChooseDevice(bool large) = 0;
    /// The play list becomes `path` alone (none when empty), and a file given is shown as a
    /// playback step shows it; the step posts the repaint that composes the picture.
    virtual void ShowOnly(const QString& path) = 0;
    /// The operation log line of `path` (see TFormMain::WriteOperationLog).
    virtual void WriteOperationLog(const QString& path, bool success) = 0;
    /// Back to the state right after the window was first shown, for the converter's next file.
    virtual void RestoreShownState() = 0;

protected:
    ~TBatchHost() = default;
};

// The batch sequence of unattended runs: `nimbrook FILE [DEVICE]` renders the file, and once the
// repaint it posted has composed the picture (UM_BATCH_DONE), saves the JPEG beside the file,
// logs the line and closes the window (UM_CLOSE). Exceptions of such runs are logged and end the
// run. The archive converter runs the same sequence once per file in one window.
class TBatchSequence {
public:
    /// `window` receives the posted messages; `options` are the window's start options.
    TBatchSequence(QObject& window, TBatchHost& host, const TWindowSnapshots& snapshots,
                   const TStartOptions& options);
    ~TBatchSequence();
    TBatchSequence(const TBatchSequence&) = delete;
    TBatchSequence& operator=(const TBatchSequence&) = delete;

    /// Makes LogException the application's exception handler in unattended runs; the destructor
    /// removes it again, so the handler never outlives the window.
    void InstallExceptionHandler();
    /// Whether the last Start began a batch run.
    bool Active() const { return active_; }
    /// Starts a batch run of `arguments` (the scan file, optionally the device type: 0 large,
    /// anything else small): renders the file (or logs it missing) and posts UM_BATCH_DONE.
    /// Returns false, with nothing done, when there are none (an interactive start). Throws
    /// std::invalid_argument when the device type is no integer.
    bool Start(const QStringList& arguments);
    /// UM_BATCH_DONE: saves the picture when the file was shown without error (or hands it to the
    /// converter as a loop's frame), logs the result and posts UM_CLOSE, or ends the converter's
    /// file. Throws std::runtime_error when the picture cannot be written.
    void Finish(std::uintptr_t existed);
    /// The exception handler: the failure with code 9 in the operation log, the message in the
    /// exception log. A batch run then ends with exit code -1; the converter ends only its file.
    void LogException(const std::string& message);

    /// Converts one file as `nimbrook inputPath` (with the device argument 1 when `smallDevice`)
    /// would in a process of its own: the window goes back to the state it was shown in, then the
    /// sequence runs with the events it posts handled until it ends. Only for a window made with
    /// the `converting` start option and shown once. The picture goes to `outputPath`, or beside
    /// the input (BatchOutputPath) when that is empty.
    TBatchOutcome ConvertFile(const QString& inputPath, bool smallDevice, const QString& outputPath);
    /// As ConvertFile, the picture returned instead of written.
    TConvertedFrame ConvertFrame(const QString& inputPath, bool smallDevice);

private:
    TConvertedFrame RunConvertedFile(const QString& inputPath, bool smallDevice, const QString& outputPath,
                                     bool frame);
    void EndConvertedFile(TBatchOutcome outcome);

    QObject& window_;
    TBatchHost& host_;
    const TWindowSnapshots& snapshots_;
    const TStartOptions& options_;
    bool active_ = false;
    QString inputPath_;
    QString outputPath_;

    // The file the converter is converting, while it runs.
    struct TConvertedFile {
        QString outputPath;      // empty: beside the input
        bool wantsFrame = false; // the picture returned instead of a JPEG
        bool ended = false;
        TConvertedFrame result;
    };
    std::optional<TConvertedFile> convertedFile_;
};
