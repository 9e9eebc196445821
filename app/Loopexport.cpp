#include "app/Loopexport.h"

#include "app/Playbackengine.h"
#include "app/Settingsaccess.h"
#include "app/Windowsnapshots.h"
#include "files/Scaninfo.h"
#include "platform/Animatedloop.h"
#include "platform/Bitmap.h"
#include "platform/Dialogservice.h"
#include "platform/Localpath.h"
#include "settings/Fmainstring.h"
#include "settings/Settingvalues.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

const char* const kLoopProgressText = "アニメーション保存中...";
const char* const kLoopCancelText = "キャンセル";

} // namespace

TLoopExport::TLoopExport(QWidget& window, TLoopHost& host, TPlaybackEngine& playback,
                         const TWindowSnapshots& snapshots)
    : window_(window), host_(host), playback_(playback), snapshots_(snapshots) {}

bool TLoopExport::Save(const QString& path) {
    const std::string bytes = LocalPathBytes(path);
    const std::optional<TLoopFormat> format = LoopFormatOfPath(bytes);
    if (!format || playback_.Files().isEmpty()) {
        return false;
    }
    const std::unique_ptr<TAnimatedLoop> loop = MakeAnimatedLoop(*format);
    SettingsRecord shownSettings;
    int displayMs = 0;
    {
        TSettingsAccess settings(*IniFileModule);
        shownSettings = *settings;
        displayMs = DispTimeFromSetting(settings->dispTime);
    }
    const TPlaybackEngine::TState shownPlayback = playback_.Hold();
    host_.SetQuietSteps(true);
    const auto restore = [&] {
        {
            TSettingsAccess settings(*IniFileModule);
            *settings = shownSettings;
        }
        host_.ApplyMenuSettings();
        playback_.Restore(shownPlayback); // the file shown before, again; its failure was reported then
        host_.SetQuietSteps(false);
    };
    const QStringList files = playback_.Files();

    QProgressDialog progress(QString::fromUtf8(kLoopProgressText), QString::fromUtf8(kLoopCancelText), 0,
                             static_cast<int>(files.size()), &window_);
    progress.setObjectName(QStringLiteral("LoopProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    int lastError = kScanNoError;
    bool cancelled = false;
    std::string failure;
    try {
        for (int index = 0; index < files.size() && failure.empty(); ++index) {
            progress.setValue(index);
            QCoreApplication::processEvents();
            // A list replaced meanwhile (a drop through the control socket) ends the loop as a cancel.
            if (progress.wasCanceled() || playback_.Files() != files) {
                cancelled = true;
                break;
            }
            if (const int errorCode = host_.ShowForLoop(index); errorCode != kScanNoError) {
                lastError = errorCode; // left out of the loop
                continue;
            }
            TBitmap picture;
            snapshots_.Capture(0, picture);
            const QImage& image = picture.Image();
            if (!loop->AddFrame({image.constBits(), image.width(), image.height(), image.bytesPerLine()},
                                displayMs)) {
                failure = loop->Error();
            }
        }
    } catch (...) {
        restore();
        throw;
    }
    progress.setValue(static_cast<int>(files.size()));
    restore();

    if (cancelled) {
        return false;
    }
    if (failure.empty() && loop->FrameCount() == 0) {
        DialogService().ErrorBox(&window_, QString::fromStdString(ErrorText(lastError)));
        return false;
    }
    loop->SetLastFrameDuration(std::min(3 * displayMs, kMaxFrameMs));
    if (!failure.empty() || !SaveAnimatedLoop(*loop, bytes, failure)) {
        throw std::runtime_error("Cannot write the loop " + bytes + ": " + failure);
    }
    if (lastError != kScanNoError) {
        DialogService().ErrorBox(&window_, QString::fromStdString(ErrorText(lastError)));
    }
    return true;
}
