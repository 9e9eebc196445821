// TFormMain: the archive converter's run, one file after another through the batch sequence, with
// the window put back before each file into the state a new batch process shows it in.
#include "app/Appmessages.h"
#include "app/Fmain.h"
#include "app/Settingsaccess.h"
#include "app/Statuspanels.h"
#include "files/Dscnfilemodule.h"
#include "platform/Dwinmodule.h"

#include <QAction>
#include <QEventLoop>
#include <QMenu>

TFormMain::TBatchOutcome TFormMain::ConvertFile(const QString& inputPath, bool smallDevice,
                                                const QString& outputPath, TBitmap* frame) {
    RestoreShownState();
    convertOutputPath_ = outputPath;
    startOptions_.batchArguments = QStringList{inputPath};
    if (smallDevice) {
        startOptions_.batchArguments.append(QStringLiteral("1"));
    }

    QEventLoop loop;
    TConvertedFile file;
    file.loop = &loop;
    file.frame = frame;
    convertedFile_ = &file;
    try {
        // Renders the file as the window's show does in a batch run; the refresh that follows there
        // renders the same file once more to the same picture, so it is left out here.
        StartFromCommandLine(); // posts the repaint and UM_BATCH_DONE, whose handler ends the file
    } catch (const std::exception& error) {
        LogException(error.what());
    } catch (...) {
        LogException(std::string());
    }
    if (!file.ended) {
        loop.exec(); // an exception in a handler ends the file through LogException
    }
    convertedFile_ = nullptr;
    convertOutputPath_.clear();
    // What a sequence cut short by an exception left queued must not reach the next file.
    TWinModule::DrainMessages(this, UM_BATCH_DONE, UM_REPAINT);
    // Removes a ".gz" file's decompressed copy now rather than with the next file.
    SCNFileModule->CloseScanFile();
    return file.outcome;
}

void TFormMain::EndConvertedFile(TBatchOutcome outcome) {
    convertedFile_->outcome = outcome;
    convertedFile_->ended = true;
    convertedFile_->loop->quit();
}

void TFormMain::RestoreShownState() {
    // The previous file may have switched the product to R and stored that in the settings.
    {
        TSettingsAccess settings(*IniFileModule);
        *settings = loadedSettings_;
    }
    ApplyMenuSettings();
    for (QAction* item : productItems_) {
        item->setEnabled(true);
    }
    MainMenuDispersion->menuAction()->setEnabled(true);
    scanInfo_ = ScanInfo{};
    shownFrame_ = {};
    legendProduct_ = -1;
    legendFirstIndex_ = -1;
    for (int panel = 0; panel < TStatusBar::kPanelCount; ++panel) {
        StatusBar1->SetPanelText(panel, QString());
    }
    resize(shownSize_);
}
