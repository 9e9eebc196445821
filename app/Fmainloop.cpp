// TFormMain: "アニメーション保存..." (the play list saved as an animated loop by TLoopExport) and
// how the window shows a file for the loop's capture.
#include "app/Fmain.h"
#include "platform/Animatedloop.h"
#include "platform/Localpath.h"
#include "platform/Localtime.h"

#include <QCoreApplication>

namespace {

const char* const kLoopFilter = "WebPアニメーション(*.webp)|*.webp|GIFアニメーション(*.gif)|*.gif";

} // namespace

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

int TFormMain::ShowForLoop(int index) {
    playback_.SetPosition(index);
    TimerFilePlayTimer();
    if (scanInfo_.errorCode == kScanNoError) {
        OnRepaint(0, 0);
    }
    return scanInfo_.errorCode;
}

void TFormMain::SetQuietSteps(bool quiet) {
    quietSteps_ = quiet;
}
