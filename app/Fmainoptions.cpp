// TFormMain: the option menus "設定" and "表示". Every choice goes into the live settings record at
// once; choices that change the picture re-render the open file, which reads the settings again.
#include "app/Fmain.h"
#include "app/Gisinputs.h"
#include "app/Settingsaccess.h"
#include "display/Dechodrawmodule.h"
#include "display/Dimageechodrawmodule.h"
#include "display/Fsrhiwindow.h"
#include "platform/Keyboardstate.h"
#include "platform/Localpath.h"
#include "render/Dopenechodrawmodule.h"
#include "settings/Fmainstring.h"
#include "settings/Settingvalues.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <string>

namespace {

/// The answer of an input box that proposes the stored text; the stored text when it was cancelled.
QString AskInputBox(TFormMain& form, std::string_view caption, std::string_view prompt,
                    const std::string& storedText) {
    return DialogService().InputBox(&form,
                                    QString::fromUtf8(caption.data(), static_cast<int>(caption.size())),
                                    QString::fromUtf8(prompt.data(), static_cast<int>(prompt.size())),
                                    QString::fromStdString(storedText));
}

} // namespace

void TFormMain::ConnectOptionMenus() {
    connect(MainMenuSetting, &QMenu::aboutToShow, this, [this] { MainMenuSettingClick(); });
    for (QAction* item : options_.UnitFamily.items) {
        connect(item, &QAction::triggered, this, [this, item] { MainMenuSettingUnitDClick(*item); });
    }
    connect(MainMenuSettingRange, &QAction::triggered, this, [this] { MainMenuSettingRangeClick(); });
    connect(MainMenuSettingAzOffset, &QAction::triggered, this, [this] { MainMenuSettingAzOffsetClick(); });
    connect(MenuItemPlayDispTime, &QAction::triggered, this, [this] { MenuItemPlayDispTimeClick(); });
    connect(MainMenuDispMap, &QAction::triggered, this, [this] { MainMenuDispMapClick(); });
    connect(MainMenuDispSrhi90, &QAction::triggered, this, [this] { MainMenuDispSrhi90Click(); });
    connect(MainMenuDispSrhi180, &QAction::triggered, this, [this] { MainMenuDispSrhi180Click(); });
    connect(MainMenuDispClear, &QAction::triggered, this, [this] { MainMenuDispClearClick(); });
    options_.OnReRender = [this] { RefreshDisplay(true); };
    options_.OnTransparency = [this](int alphaPercent) { SetEchoTransparency(alphaPercent); };
    options_.Connect(*this);
}

void TFormMain::SetEchoTransparency(int alphaPercent) {
    const std::uint8_t opacity = EchoOpacity(alphaPercent);
    ImageEchoDrawModule->SetTableAlpha(0, opacity);
    ImageEchoDrawModule->SetTableAlpha(1, opacity);
}

void TFormMain::MainMenuSettingClick() {
    const bool shown = CtrlAndAltDown();
    MainMenuSettingUnit->menuAction()->setVisible(shown);
    MainMenuSettingCsvOut->menuAction()->setVisible(shown);
}

void TFormMain::MainMenuSettingUnitDClick(QAction& item) {
    item.setChecked(true);
    const std::string value = &item == options_.UnitFamily.items.front() ? "0" : "1";
    TSettingsAccess settings(*IniFileModule);
    if (settings->unitD != value) {
        settings->unitD = value;
    }
}

void TFormMain::MainMenuSettingRangeClick() {
    const std::string stored = ReadSetting(&SettingsRecord::scale);
    const ScaleEntry entry = ScaleFromInput(
        AskInputBox(*this, mainstring::InputBoxScaleCaption, mainstring::InputBoxScaleText, stored)
            .toStdString());
    displayRange_ = entry.displayRangeM;
    if (entry.text != stored) {
        StoreSetting(&SettingsRecord::scale, entry.text);
        ImageEchoDrawModule->SetDisplayRadius(displayRange_);
        RefreshDisplay(true);
    }
}

void TFormMain::MainMenuSettingAzOffsetClick() {
    const std::string stored = ReadSetting(&SettingsRecord::azOffset);
    const std::string text = AzOffsetFromInput(AskInputBox(*this, mainstring::InputBoxAngleOffsetCaption,
                                                           mainstring::InputBoxAngleOffsetText, stored)
                                                   .toStdString(),
                                               stored);
    if (text != stored) {
        StoreSetting(&SettingsRecord::azOffset, text);
        RefreshDisplay(true);
    }
}

void TFormMain::MenuItemPlayDispTimeClick() {
    const std::string stored = ReadSetting(&SettingsRecord::dispTime);
    const std::string text = DispTimeFromInput(
        AskInputBox(*this, mainstring::InputBoxDispTimeCaption, mainstring::InputBoxDispTimeText, stored)
            .toStdString());
    // The playback step reads it when it re-arms the timer.
    if (text != stored) {
        StoreSetting(&SettingsRecord::dispTime, text);
    }
}

void TFormMain::MainMenuDispMapClick() {
    const TFileDialogAnswer answer = DialogService().RunFileDialog(this, OpenPictureDialog1);
    if (!answer.confirmed || answer.files.isEmpty()) {
        RefreshDisplay(true);
        return;
    }
    const std::string path = LocalPathBytes(answer.files.front());
    if (TImageEchoDrawModule::IsGeoRasterFile(path)) {
        gisInputs_->ChooseBasemap(path); // placed by its own coordinates, not by its name
        return;
    }
    const std::string name = EchoDrawModule->MapName(path);
    bool warning = false;
    const bool invalid = EchoDrawModule->CheckMapFileName(name, warning);
    if (invalid || warning) {
        DialogService().ErrorBox(this, QString::fromStdString(MapFileNameErrorText(name)));
    }
    if (invalid) {
        return;
    }
    // A picture that cannot be decoded leaves the map shown as it was, and the setting with it.
    if (ImageEchoDrawModule->LoadMapPicture(path)) {
        StoreSetting(&SettingsRecord::map, path);
    }
    RefreshDisplay(true);
}

void TFormMain::MainMenuDispSrhi90Click() {
    SetSrhiDisplay(0);
}

void TFormMain::MainMenuDispSrhi180Click() {
    SetSrhiDisplay(1);
}

void TFormMain::SetSrhiDisplay(int mode) {
    StoreSetting(&SettingsRecord::dispSrhi, std::to_string(mode));
    (mode == 0 ? MainMenuDispSrhi90 : MainMenuDispSrhi180)->setChecked(true);
    FormSrhiWindow->SetSrhiMode(mode);
    // Shown again, the window takes the size of its mode.
    FormSrhiWindow->close();
    FormSrhiWindow->show();
}

void TFormMain::MainMenuDispClearClick() {
    ImageEchoDrawModule->ResetEchoImage();
    OpenEchoDrawModule->ClearEcho();
    shownFrame_ = {};
    RefreshDisplay(false);
    FormSrhiWindow->PresentSrhi();
}
