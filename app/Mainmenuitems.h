#pragma once

class QAction;
class QMenu;
class QMenuBar;
class TOptionMenus;

// The items of the main window's menu bar under the names its handlers are known by, made with
// their captions, object names, tags and radio families by CreateMainMenu; the menu bar owns them.
struct TMainMenuItems {
    /// Fills `bar` (named "MainMenu1") with every menu, item and separator, and the radio
    /// families of `options` with their items, the first of each checked.
    void CreateMainMenu(QMenuBar& bar, TOptionMenus& options);

    // "ファイル"
    QMenu* MainMenuFile = nullptr;
    QAction* MainMenuFileOpen = nullptr;
    QMenu* MainMenuFilePrint = nullptr;
    QAction* MainMenuFilePrintMain = nullptr; // tag 0
    QAction* MainMenuFilePrintSrhi = nullptr; // tag 1
    QAction* MainMenuFileClose = nullptr;
    // "設定"
    QMenu* MainMenuSetting = nullptr;
    QMenu* MainMenuSettingUnit = nullptr;
    QAction* MainMenuSettingUnitD = nullptr;
    QAction* MainMenuSettingUnitS = nullptr;
    QAction* MainMenuSettingRange = nullptr;
    QAction* MainMenuSettingAzOffset = nullptr;
    QMenu* MainMenuSettingCsvOut = nullptr;
    QAction* MainMenuSettingCsvOutOFF = nullptr;
    QAction* MainMenuSettingCsvOutON = nullptr;
    // "表示"
    QMenu* MainMenuDisp = nullptr;
    QMenu* MainMenuDispSelect = nullptr;
    QAction* MainMenuDispSelectRain = nullptr;
    QAction* MainMenuDispSelectZhh = nullptr;
    QAction* MainMenuDispSelectV = nullptr;
    QAction* MainMenuDispSelectZdr = nullptr;
    QAction* MainMenuDispSelectKdp = nullptr;
    QAction* MainMenuDispSelectFdp = nullptr;
    QAction* MainMenuDispSelectRhv = nullptr;
    QAction* MainMenuDispSelectW = nullptr;
    QMenu* MainMenuDispAlpha = nullptr;
    QAction* MainMenuDispMap = nullptr;
    QAction* MainMenuDispLayers = nullptr;
    QMenu* SRHI1 = nullptr;
    QAction* MainMenuDispSrhi90 = nullptr;
    QAction* MainMenuDispSrhi180 = nullptr;
    QMenu* MainMenuInvalid = nullptr;
    QMenu* MainMenuShield = nullptr;
    QMenu* MainMenuDispersion = nullptr;
    QMenu* MainMenuClutter = nullptr;
    QMenu* MainMenuClutterLevel = nullptr;
    QMenu* MainMenuPulseBlind = nullptr;
    QMenu* MainMenuSectorBlank = nullptr;
    QAction* MainMenuDispClear = nullptr;
    // "再生"
    QMenu* MainMenuPlay = nullptr;
    QAction* MainMenuPlayStart = nullptr;
    QAction* MainMenuPlayStop = nullptr;
    QAction* MainMenuPlayPause = nullptr;
    QAction* MainMenuPlayFF = nullptr;
    QAction* MainMenuPlayREW = nullptr;
    QAction* MenuItemPlayDispTime = nullptr;
    QAction* MenuItemPlayList = nullptr;
    QAction* MainMenuPlayLoop = nullptr;   // check item, the Loop setting
    QAction* MainMenuPlayFollow = nullptr; // checked while following
    // "画面コピー"
    QMenu* MainMenuSnapShot = nullptr;
    QAction* MainMenuSnapShotMain = nullptr; // tag 0
    QAction* MainMenuSnapShotSrhi = nullptr; // tag 1
    QAction* MainMenuSnapShotLoop = nullptr;
    // "ヘルプ"
    QMenu* MainMenuHelp = nullptr;
    QAction* MainMenuHelpVersion = nullptr;
};
