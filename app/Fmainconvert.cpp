// TFormMain: the archive converter's run, one file after another through the batch sequence, with
// the window put back before each file into the state a new batch process shows it in.
#include "app/Appmessages.h"
#include "app/Fmain.h"
#include "app/Settingsaccess.h"
#include "app/Statuspanels.h"
#include "files/Dscnfilemodule.h"
#include "platform/Dwinmodule.h"

#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMenu>

TBatchOutcome TFormMain::ConvertFile(const QString& inputPath, bool smallDevice, const QString& outputPath) {
    return RunConvertedFile(inputPath, smallDevice, outputPath, false).outcome;
}

TFormMain::TConvertedFrame TFormMain::ConvertFrame(const QString& inputPath, bool smallDevice) {
    return RunConvertedFile(inputPath, smallDevice, {}, true);
}

TFormMain::TConvertedFrame TFormMain::RunConvertedFile(const QString& inputPath, bool smallDevice,
                                                       const QString& outputPath, bool frame) {
    RestoreShownState();
    convertedFile_.emplace();
    convertedFile_->outputPath = outputPath;
    convertedFile_->wantsFrame = frame;
    startOptions_.batchArguments = QStringList{inputPath};
    if (smallDevice) {
        startOptions_.batchArguments.append(QStringLiteral("1"));
    }
    try {
        // Renders the file as the window's show does in a batch run; the refresh that follows there
        // renders the same file once more to the same picture, so it is left out here.
        StartFromCommandLine(); // posts the repaint and UM_BATCH_DONE, whose handler ends the file
    } catch (const std::exception& error) {
        LogException(error.what());
    } catch (...) {
        LogException(std::string());
    }
    // The posted messages of the sequence, until one ends the file (an exception in a handler ends
    // it through LogException).
    while (!convertedFile_->ended) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    TConvertedFrame result = std::move(convertedFile_->result);
    convertedFile_.reset();
    // What a sequence cut short by an exception left queued must not reach the next file.
    TWinModule::DrainMessages(this, UM_BATCH_DONE, UM_REPAINT);
    // Removes a ".gz" file's decompressed copy now rather than with the next file.
    SCNFileModule->CloseScanFile();
    return result;
}

void TFormMain::EndConvertedFile(TBatchOutcome outcome) {
    convertedFile_->result.outcome = outcome;
    convertedFile_->ended = true;
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
