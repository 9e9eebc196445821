#pragma once

#include "settings/Uinidata.h"

#include <functional>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QObject;

/// A radio family of the menus: the parent menu and its children, one of which is checked. The
/// value of each child is its tag (ActionTag).
struct TRadioFamily {
    QMenu* parent = nullptr;
    QActionGroup* group = nullptr;
    std::vector<QAction*> items;
};

/// The value a menu item carries (its "Tag" property); 0 when it has none.
int ActionTag(const QAction* action);

/// One text of the live settings record, read or stored under its lock.
std::string ReadSetting(std::string SettingsRecord::*setting);
void StoreSetting(std::string SettingsRecord::*setting, const std::string& text);

// The radio families of the option menus "設定" and "表示" and the settings they stand for. Each
// family that stores a setting checks, when its menu opens, the child of the stored value (the
// first child when no child has it); a child chosen stores its tag in the live settings record at
// once and asks the window for what the picture needs: nothing (read by the next frame), a new
// frame, or the opacity of a transparency and then a new frame. The device type and the
// vertical-section span have handlers of their own on the main window.
class TOptionMenus {
public:
    TRadioFamily UnitFamily;         // MainMenuSettingUnit: 大型, 小型
    TRadioFamily CsvOutFamily;       // MainMenuSettingCsvOut: OFF 0, ON 1
    TRadioFamily SelectFamily;       // MainMenuDispSelect: R 0 … W 7
    TRadioFamily AlphaFamily;        // MainMenuDispAlpha: 0% 0 … 100% 100
    TRadioFamily SrhiFamily;         // SRHI1: 90deg, 180deg
    TRadioFamily InvalidFamily;      // MainMenuInvalid: OFF 0, ON 1
    TRadioFamily ShieldFamily;       // MainMenuShield: OFF 0, 1, 2
    TRadioFamily DispersionFamily;   // MainMenuDispersion: OFF 0, 1, 2
    TRadioFamily ClutterFamily;      // MainMenuClutter: OFF 0, 1, 2
    TRadioFamily ClutterLevelFamily; // MainMenuClutterLevel: ALL 0, "0" 1 … "7" 8
    TRadioFamily PulseBlindFamily;   // MainMenuPulseBlind: OFF 0, 1, 2
    TRadioFamily SectorBlankFamily;  // MainMenuSectorBlank: OFF 0, 1, 2

    /// Called after a choice that changes the picture was stored.
    std::function<void()> OnReRender;
    /// Called with the transparency chosen (percent), before OnReRender.
    std::function<void(int alphaPercent)> OnTransparency;

    /// Every family in menu order, once the menus are built.
    std::vector<const TRadioFamily*> Families() const;
    /// Connects the families that store a setting, with `context` owning the connections. Call
    /// once, after the menus are built.
    void Connect(QObject& context);
};
