// TFormMain: the option menus "設定" and "表示". Every choice goes into the live settings record at
// once; choices that change the picture re-render the open file, which reads the settings again.
#include "app/Fmain.h"
#include "app/Fmainstring.h"
#include "app/Settingsaccess.h"
#include "display/Dechodrawmodule.h"
#include "display/Dimageechodrawmodule.h"
#include "display/Fsrhiwindow.h"
#include "platform/Keyboardstate.h"
#include "platform/Localpath.h"
#include "render/Dopenechodrawmodule.h"
#include "settings/Settingvalues.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <string>

namespace {

/// What a radio family's child does after its tag was stored.
enum class TFamilyAction {
    None,     // read by the next frame
    ReRender, // re-render the open file
    Opacity,  // both colour tables take the opacity of the transparency, then re-render
};

/// A radio family of the option menus, the setting it stores and what a choice does.
struct TOptionFamily {
    TRadioFamily TFormMain::*family;
    std::string SettingsRecord::*setting;
    TFamilyAction action;
};

constexpr TOptionFamily kOptionFamilies[] = {
    {&TFormMain::CsvOutFamily, &SettingsRecord::csvOut, TFamilyAction::None},
    {&TFormMain::SelectFamily, &SettingsRecord::selection, TFamilyAction::ReRender},
    {&TFormMain::AlphaFamily, &SettingsRecord::alpha, TFamilyAction::Opacity},
    {&TFormMain::InvalidFamily, &SettingsRecord::onff, TFamilyAction::ReRender},
    {&TFormMain::ShieldFamily, &SettingsRecord::shield, TFamilyAction::ReRender},
    {&TFormMain::DispersionFamily, &SettingsRecord::dispersion, TFamilyAction::ReRender},
    {&TFormMain::ClutterFamily, &SettingsRecord::clutter, TFamilyAction::ReRender},
    {&TFormMain::ClutterLevelFamily, &SettingsRecord::clutterLvl, TFamilyAction::ReRender},
    {&TFormMain::PulseBlindFamily, &SettingsRecord::pulseBlind, TFamilyAction::ReRender},
    {&TFormMain::SectorBlankFamily, &SettingsRecord::sectorBlank, TFamilyAction::ReRender},
};

std::string ReadSetting(std::string SettingsRecord::*setting) {
    TSettingsAccess settings(*IniFileModule);
    return (*settings).*setting;
}

void StoreSetting(std::string SettingsRecord::*setting, const std::string& text) {
    TSettingsAccess settings(*IniFileModule);
    (*settings).*setting = text;
}

/// The parent of `family` opens: the first child is checked, then the first one whose tag is the
/// stored value, so that a value no child carries leaves the first child checked.
void SyncRadioFamily(const TRadioFamily& family, std::string SettingsRecord::*setting) {
    const int value = IntegerOption(ReadSetting(setting));
    family.items.front()->setChecked(true);
    for (QAction* item : family.items) {
        if (ActionTag(item) == value) {
            item->setChecked(true);
            break;
        }
    }
}

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
    for (QAction* item : UnitFamily.items) {
        connect(item, &QAction::triggered, this, [this, item] { MainMenuSettingUnitDClick(*item); });
    }
    connect(MainMenuSettingRange, &QAction::triggered, this, [this] { MainMenuSettingRangeClick(); });
    connect(MainMenuSettingAzOffset, &QAction::triggered, this, [this] { MainMenuSettingAzOffsetClick(); });
    connect(MenuItemPlayDispTime, &QAction::triggered, this, [this] { MenuItemPlayDispTimeClick(); });
    connect(MainMenuDispMap, &QAction::triggered, this, [this] { MainMenuDispMapClick(); });
    connect(MainMenuDispSrhi90, &QAction::triggered, this, [this] { MainMenuDispSrhi90Click(); });
    connect(MainMenuDispSrhi180, &QAction::triggered, this, [this] { MainMenuDispSrhi180Click(); });
    connect(MainMenuDispClear, &QAction::triggered, this, [this] { MainMenuDispClearClick(); });

    for (const TOptionFamily& option : kOptionFamilies) {
        const TRadioFamily& family = this->*option.family;
        connect(family.parent, &QMenu::aboutToShow, this,
                [&family, setting = option.setting] { SyncRadioFamily(family, setting); });
        for (QAction* item : family.items) {
            connect(item, &QAction::triggered, this, [this, item, option] {
                item->setChecked(true);
                const int tag = ActionTag(item);
                StoreSetting(option.setting, std::to_string(tag));
                if (option.action == TFamilyAction::Opacity) {
                    SetEchoTransparency(tag);
                }
                if (option.action != TFamilyAction::None) {
                    RefreshDisplay(true);
                }
            });
        }
    }
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
    const std::string value = &item == UnitFamily.items.front() ? "0" : "1";
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
