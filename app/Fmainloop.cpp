// TFormMain: the play list saved as an animated loop of the main window's pictures (WebP or GIF),
// each file shown and captured as playback shows it, then the window put back as it was.
#include "app/Fmain.h"
#include "app/Fplaylist.h"
#include "app/Settingsaccess.h"
#include "platform/Animatedloop.h"
#include "platform/Bitmap.h"
#include "platform/Localpath.h"
#include "platform/Localtime.h"
#include "settings/Fmainstring.h"
#include "settings/Settingvalues.h"

#include <QAction>
#include <QCoreApplication>
#include <QProgressDialog>
#include <algorithm>
#include <stdexcept>

namespace {

const char* const kLoopFilter = "WebPアニメーション(*.webp)|*.webp|GIFアニメーション(*.gif)|*.gif";
const char* const kLoopProgressText = "アニメーション保存中...";
const char* const kLoopCancelText = "キャンセル";

} // namespace

/// What saving a loop changes and puts back: the file shown, playback, the settings (a file
/// without the chosen product switches it to R).
struct TFormMain::TShownPlayback {
    TPlaybackEngine::TState playback;
    SettingsRecord settings;
};

void TFormMain::MainMenuSnapShotLoopClick() {
    if (FileList().isEmpty()) {
        return;
    }
    const ScanDateTime now = LocalTime();
    TFileDialogRequest request;
    request.kind = TFileDialogKind::Save;
    request.filter = QString::fromUtf8(kLoopFilter);
    request.initialFolder = SaveDialog1.initialFolder;
    request.fileName = QString::asprintf("%04d%02d%02d_%02d%02d%02d.webp", now.year, now.month, now.day,
                                         now.hour, now.minute, now.second);
    const TFileDialogAnswer answer = DialogService().RunFileDialog(this, request);
    if (!answer.confirmed || answer.files.isEmpty()) {
        return;
    }
    QCoreApplication::processEvents(); // the dialog leaves the screen before the first capture
    QString path = answer.files.front();
    if (!LoopFormatOfPath(LocalPathBytes(path))) {
        path += QStringLiteral(".webp");
    }
    SaveLoop(path);
}

bool TFormMain::SaveLoop(const QString& path) {
    const std::string bytes = LocalPathBytes(path);
    const std::optional<TLoopFormat> format = LoopFormatOfPath(bytes);
    if (!format || FileList().isEmpty()) {
        return false;
    }
    const std::unique_ptr<TAnimatedLoop> loop = MakeAnimatedLoop(*format);
    const TShownPlayback shown = HoldPlayback();
    const QStringList files = FileList();
    int displayMs = 0;
    {
        TSettingsAccess settings(*IniFileModule);
        displayMs = DispTimeFromSetting(settings->dispTime);
    }

    QProgressDialog progress(QString::fromUtf8(kLoopProgressText), QString::fromUtf8(kLoopCancelText), 0,
                             static_cast<int>(files.size()), this);
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
            if (progress.wasCanceled() || FileList() != files) {
                cancelled = true;
                break;
            }
            playback_.SetPosition(index);
            TimerFilePlayTimer();
            if (scanInfo_.errorCode != kScanNoError) {
                lastError = scanInfo_.errorCode; // left out of the loop
                continue;
            }
            OnRepaint(0, 0);
            TBitmap picture;
            snapshots_.Capture(0, picture);
            const QImage& image = picture.Image();
            if (!loop->AddFrame({image.constBits(), image.width(), image.height(), image.bytesPerLine()},
                                displayMs)) {
                failure = loop->Error();
            }
        }
    } catch (...) {
        RestorePlayback(shown);
        throw;
    }
    progress.setValue(static_cast<int>(files.size()));
    RestorePlayback(shown);

    if (cancelled) {
        return false;
    }
    if (failure.empty() && loop->FrameCount() == 0) {
        DialogService().ErrorBox(this, QString::fromStdString(ErrorText(lastError)));
        return false;
    }
    loop->SetLastFrameDuration(std::min(3 * displayMs, kMaxFrameMs));
    if (!failure.empty() || !SaveAnimatedLoop(*loop, bytes, failure)) {
        throw std::runtime_error("Cannot write the loop " + bytes + ": " + failure);
    }
    if (lastError != kScanNoError) {
        DialogService().ErrorBox(this, QString::fromStdString(ErrorText(lastError)));
    }
    return true;
}

TFormMain::TShownPlayback TFormMain::HoldPlayback() {
    TShownPlayback shown;
    {
        TSettingsAccess settings(*IniFileModule);
        shown.settings = *settings;
    }
    shown.playback = playback_.Hold();
    quietSteps_ = true;
    return shown;
}

void TFormMain::RestorePlayback(const TShownPlayback& shown) {
    {
        TSettingsAccess settings(*IniFileModule);
        *settings = shown.settings;
    }
    ApplyMenuSettings();
    playback_.Restore(shown.playback); // the file shown before, again; its failure was reported then
    quietSteps_ = false;
}
