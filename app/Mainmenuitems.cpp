#include "app/Mainmenuitems.h"

#include "app/Optionmenus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <initializer_list>
#include <vector>

namespace {

constexpr const char* kTagProperty = "Tag";

QMenu* AddMenu(QMenuBar* bar, const char* caption, const char* name) {
    QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

QMenu* AddSubMenu(QMenu* parent, const char* caption, const char* name) {
    QMenu* menu = parent->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* AddItem(QMenu* menu, const char* caption, const char* name) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* AddTaggedItem(QMenu* menu, const char* caption, const char* name, int tag) {
    QAction* action = AddItem(menu, caption, name);
    action->setProperty(kTagProperty, tag);
    return action;
}

/// One radio child: caption, object name, tag.
struct RadioItem {
    const char* caption;
    const char* name;
    int tag;
};

/// Fills `family` with its parent's radio children, the first one checked.
void AddRadioFamily(TRadioFamily& family, QMenu* parent, std::initializer_list<RadioItem> items) {
    family.parent = parent;
    family.group = new QActionGroup(parent);
    family.group->setObjectName(parent->objectName() + QStringLiteral("Group"));
    family.group->setExclusive(true);
    for (const RadioItem& item : items) {
        QAction* action = AddTaggedItem(parent, item.caption, item.name, item.tag);
        action->setCheckable(true);
        family.group->addAction(action);
        family.items.push_back(action);
    }
    family.items.front()->setChecked(true);
}

/// OFF 0, "1" 1, "2" 2 of a quality-flag family named `base` (base + "Off", base + "1" …).
void AddFlagFamily(TRadioFamily& family, QMenu* parent, const char* offName, const char* oneName,
                   const char* twoName) {
    AddRadioFamily(family, parent, {{"OFF", offName, 0}, {"1", oneName, 1}, {"2", twoName, 2}});
}

} // namespace

int ActionTag(const QAction* action) {
    return action == nullptr ? 0 : action->property(kTagProperty).toInt();
}

void TMainMenuItems::CreateMainMenu(QMenuBar& menuBar, TOptionMenus& options) {
    QMenuBar* bar = &menuBar;
    bar->setObjectName(QStringLiteral("MainMenu1"));

    MainMenuFile = AddMenu(bar, "ファイル", "MainMenuFile");
    MainMenuFileOpen = AddItem(MainMenuFile, "開く...", "MainMenuFileOpen");
    MainMenuFile->addSeparator();
    MainMenuFilePrint = AddSubMenu(MainMenuFile, "印刷", "MainMenuFilePrint");
    MainMenuFilePrintMain = AddTaggedItem(MainMenuFilePrint, "メイン画面...", "MainMenuFilePrintMain", 0);
    MainMenuFilePrintSrhi = AddTaggedItem(MainMenuFilePrint, "SRHI画面...", "MainMenuFilePrintSrhi", 1);
    MainMenuFile->addSeparator();
    MainMenuFileClose = AddItem(MainMenuFile, "終了", "MainMenuFileClose");

    MainMenuSetting = AddMenu(bar, "設定", "MainMenuSetting");
    MainMenuSettingUnit = AddSubMenu(MainMenuSetting, "機器選択", "MainMenuSettingUnit");
    AddRadioFamily(options.UnitFamily, MainMenuSettingUnit,
                   {{"大型", "MainMenuSettingUnitD", 0}, {"小型", "MainMenuSettingUnitS", 1}});
    MainMenuSettingUnitD = options.UnitFamily.items[0];
    MainMenuSettingUnitS = options.UnitFamily.items[1];
    MainMenuSetting->addSeparator();
    MainMenuSettingRange = AddItem(MainMenuSetting, "スケール...", "MainMenuSettingRange");
    MainMenuSettingAzOffset = AddItem(MainMenuSetting, "方位オフセット...", "MainMenuSettingAzOffset");
    MainMenuSetting->addSeparator();
    MainMenuSettingCsvOut = AddSubMenu(MainMenuSetting, "CSV出力", "MainMenuSettingCsvOut");
    AddRadioFamily(options.CsvOutFamily, MainMenuSettingCsvOut,
                   {{"OFF", "MainMenuSettingCsvOutOFF", 0}, {"ON", "MainMenuSettingCsvOutON", 1}});
    MainMenuSettingCsvOutOFF = options.CsvOutFamily.items[0];
    MainMenuSettingCsvOutON = options.CsvOutFamily.items[1];

    MainMenuDisp = AddMenu(bar, "表示", "MainMenuDisp");
    MainMenuDispSelect = AddSubMenu(MainMenuDisp, "選択", "MainMenuDispSelect");
    AddRadioFamily(options.SelectFamily, MainMenuDispSelect,
                   {{"R", "MainMenuDispSelectRain", 0},
                    {"Zh", "MainMenuDispSelectZhh", 1},
                    {"V", "MainMenuDispSelectV", 2},
                    {"Zdr", "MainMenuDispSelectZdr", 3},
                    {"Kdp", "MainMenuDispSelectKdp", 4},
                    {"φdp", "MainMenuDispSelectFdp", 5},
                    {"ρhv", "MainMenuDispSelectRhv", 6},
                    {"W", "MainMenuDispSelectW", 7}});
    const std::vector<QAction*>& productItems = options.SelectFamily.items;
    MainMenuDispSelectRain = productItems[0];
    MainMenuDispSelectZhh = productItems[1];
    MainMenuDispSelectV = productItems[2];
    MainMenuDispSelectZdr = productItems[3];
    MainMenuDispSelectKdp = productItems[4];
    MainMenuDispSelectFdp = productItems[5];
    MainMenuDispSelectRhv = productItems[6];
    MainMenuDispSelectW = productItems[7];
    MainMenuDispAlpha = AddSubMenu(MainMenuDisp, "透過率", "MainMenuDispAlpha");
    AddRadioFamily(options.AlphaFamily, MainMenuDispAlpha,
                   {{"0%", "MainMenuDispAlpha0", 0},
                    {"25%", "MainMenuDispAlpha25", 25},
                    {"50%", "MainMenuDispAlpha50", 50},
                    {"75%", "MainMenuDispAlpha75", 75},
                    {"100%", "MainMenuDispAlpha100", 100}});
    MainMenuDisp->addSeparator();
    MainMenuDispMap = AddItem(MainMenuDisp, "地図...", "MainMenuDispMap");
    MainMenuDispLayers = AddItem(MainMenuDisp, "地図レイヤ...", "MainMenuDispLayers");
    MainMenuDisp->addSeparator();
    SRHI1 = AddSubMenu(MainMenuDisp, "SRHI画面", "SRHI1");
    AddRadioFamily(options.SrhiFamily, SRHI1,
                   {{"90deg表示", "MainMenuDispSrhi90", 0}, {"180deg表示", "MainMenuDispSrhi180", 1}});
    MainMenuDispSrhi90 = options.SrhiFamily.items[0];
    MainMenuDispSrhi180 = options.SrhiFamily.items[1];
    MainMenuDisp->addSeparator();
    MainMenuInvalid = AddSubMenu(MainMenuDisp, "無効データ領域表示", "MainMenuInvalid");
    AddRadioFamily(options.InvalidFamily, MainMenuInvalid,
                   {{"OFF", "MainMenuInvalidOFF", 0}, {"ON", "MainMenuInvalidON", 1}});
    MainMenuDisp->addSeparator();
    MainMenuShield = AddSubMenu(MainMenuDisp, "電波遮蔽表示", "MainMenuShield");
    AddFlagFamily(options.ShieldFamily, MainMenuShield, "MainMenuShieldOff", "MainMenuShield1",
                  "MainMenuShield2");
    MainMenuDispersion = AddSubMenu(MainMenuDisp, "電波消散表示", "MainMenuDispersion");
    AddFlagFamily(options.DispersionFamily, MainMenuDispersion, "MainMenuDispersionOff",
                  "MainMenuDispersion1", "MainMenuDispersion2");
    MainMenuClutter = AddSubMenu(MainMenuDisp, "グランドクラッタ除去表示", "MainMenuClutter");
    AddFlagFamily(options.ClutterFamily, MainMenuClutter, "MainMenuClutterOff", "MainMenuClutter1",
                  "MainMenuClutter2");
    MainMenuClutterLevel = AddSubMenu(MainMenuDisp, "グランドクラッタ除去表示レベル", "MainMenuClutterLevel");
    AddRadioFamily(options.ClutterLevelFamily, MainMenuClutterLevel,
                   {{"ALL", "MainMenuClutterLevelall", 0},
                    {"0", "MainMenuClutterLevel0", 1},
                    {"1", "MainMenuClutterLevel1", 2},
                    {"2", "MainMenuClutterLevel2", 3},
                    {"3", "MainMenuClutterLevel3", 4},
                    {"4", "MainMenuClutterLevel4", 5},
                    {"5", "MainMenuClutterLevel5", 6},
                    {"6", "MainMenuClutterLevel6", 7},
                    {"7", "MainMenuClutterLevel7", 8}});
    MainMenuPulseBlind = AddSubMenu(MainMenuDisp, "パルスブラインドエリア表示", "MainMenuPulseBlind");
    AddFlagFamily(options.PulseBlindFamily, MainMenuPulseBlind, "MainMenuPulseBlindOff",
                  "MainMenuPulseBlind1", "MainMenuPulseBlind2");
    MainMenuSectorBlank = AddSubMenu(MainMenuDisp, "セクタブランク表示", "MainMenuSectorBlank");
    AddFlagFamily(options.SectorBlankFamily, MainMenuSectorBlank, "MainMenuSectorBlankOff",
                  "MainMenuSectorBlank1", "MainMenuSectorBlank2");
    MainMenuDisp->addSeparator();
    MainMenuDispClear = AddItem(MainMenuDisp, "クリア", "MainMenuDispClear");
    MainMenuDisp->addSeparator();

    MainMenuPlay = AddMenu(bar, "再生", "MainMenuPlay");
    MainMenuPlayStart = AddItem(MainMenuPlay, "開始", "MainMenuPlayStart");
    MainMenuPlayStop = AddItem(MainMenuPlay, "停止", "MainMenuPlayStop");
    MainMenuPlayPause = AddItem(MainMenuPlay, "一時停止", "MainMenuPlayPause");
    MainMenuPlay->addSeparator();
    MainMenuPlayFF = AddItem(MainMenuPlay, "早送り", "MainMenuPlayFF");
    MainMenuPlayFF->setCheckable(true);
    MainMenuPlayREW = AddItem(MainMenuPlay, "早戻し", "MainMenuPlayREW");
    MainMenuPlayREW->setCheckable(true);
    MainMenuPlay->addSeparator();
    MenuItemPlayDispTime = AddItem(MainMenuPlay, "表示時間...", "MenuItemPlayDispTime");
    MainMenuPlay->addSeparator();
    MenuItemPlayList = AddItem(MainMenuPlay, "リスト表示", "MenuItemPlayList");
    MainMenuPlay->addSeparator();
    MainMenuPlayLoop = AddItem(MainMenuPlay, "ループ再生", "MainMenuPlayLoop");
    MainMenuPlayLoop->setCheckable(true);
    MainMenuPlayFollow = AddItem(MainMenuPlay, "フォルダ監視...", "MainMenuPlayFollow");
    MainMenuPlayFollow->setCheckable(true);

    MainMenuSnapShot = AddMenu(bar, "画面コピー", "MainMenuSnapShot");
    MainMenuSnapShotMain = AddTaggedItem(MainMenuSnapShot, "メイン画面...", "MainMenuSnapShotMain", 0);
    MainMenuSnapShotSrhi = AddTaggedItem(MainMenuSnapShot, "SRHI画面...", "MainMenuSnapShotSrhi", 1);
    MainMenuSnapShotLoop = AddItem(MainMenuSnapShot, "アニメーション保存...", "MainMenuSnapShotLoop");

    MainMenuHelp = AddMenu(bar, "ヘルプ", "MainMenuHelp");
    MainMenuHelpVersion = AddItem(MainMenuHelp, "バージョン情報", "MainMenuHelpVersion");
}
