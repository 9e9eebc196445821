#include "app/Optionmenus.h"

#include "app/Settingsaccess.h"
#include "settings/Settingvalues.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QObject>

namespace {

/// What a radio family's child does after its tag was stored.
enum class TFamilyAction {
    None,     // read by the next frame
    ReRender, // re-render the open file
    Opacity,  // both colour tables take the opacity of the transparency, then re-render
};

/// A radio family of the option menus, the setting it stores and what a choice does.
struct TOptionFamily {
    TRadioFamily TOptionMenus::*family;
    std::string SettingsRecord::*setting;
    TFamilyAction action;
};

constexpr TOptionFamily kOptionFamilies[] = {
    {&TOptionMenus::CsvOutFamily, &SettingsRecord::csvOut, TFamilyAction::None},
    {&TOptionMenus::SelectFamily, &SettingsRecord::selection, TFamilyAction::ReRender},
    {&TOptionMenus::AlphaFamily, &SettingsRecord::alpha, TFamilyAction::Opacity},
    {&TOptionMenus::InvalidFamily, &SettingsRecord::onff, TFamilyAction::ReRender},
    {&TOptionMenus::ShieldFamily, &SettingsRecord::shield, TFamilyAction::ReRender},
    {&TOptionMenus::DispersionFamily, &SettingsRecord::dispersion, TFamilyAction::ReRender},
    {&TOptionMenus::ClutterFamily, &SettingsRecord::clutter, TFamilyAction::ReRender},
    {&TOptionMenus::ClutterLevelFamily, &SettingsRecord::clutterLvl, TFamilyAction::ReRender},
    {&TOptionMenus::PulseBlindFamily, &SettingsRecord::pulseBlind, TFamilyAction::ReRender},
    {&TOptionMenus::SectorBlankFamily, &SettingsRecord::sectorBlank, TFamilyAction::ReRender},
};

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

} // namespace

std::string ReadSetting(std::string SettingsRecord::*setting) {
    TSettingsAccess settings(*IniFileModule);
    return (*settings).*setting;
}

void StoreSetting(std::string SettingsRecord::*setting, const std::string& text) {
    TSettingsAccess settings(*IniFileModule);
    (*settings).*setting = text;
}

std::vector<const TRadioFamily*> TOptionMenus::Families() const {
    return {&UnitFamily,    &CsvOutFamily,       &SelectFamily,     &AlphaFamily,
            &SrhiFamily,    &InvalidFamily,      &ShieldFamily,     &DispersionFamily,
            &ClutterFamily, &ClutterLevelFamily, &PulseBlindFamily, &SectorBlankFamily};
}

void TOptionMenus::Connect(QObject& context) {
    for (const TOptionFamily& option : kOptionFamilies) {
        const TRadioFamily& family = this->*option.family;
        QObject::connect(family.parent, &QMenu::aboutToShow, &context,
                         [&family, setting = option.setting] { SyncRadioFamily(family, setting); });
        for (QAction* item : family.items) {
            QObject::connect(item, &QAction::triggered, &context, [this, item, option] {
                item->setChecked(true);
                const int tag = ActionTag(item);
                StoreSetting(option.setting, std::to_string(tag));
                if (option.action == TFamilyAction::Opacity && OnTransparency) {
                    OnTransparency(tag);
                }
                if (option.action != TFamilyAction::None && OnReRender) {
                    OnReRender();
                }
            });
        }
    }
}
