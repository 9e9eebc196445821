#include "tests/app/Appfixture.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace {

class MainMenu : public AppFixture {};

/// One line per item: "-" for a separator, else object name and caption, then the tag and
/// "*" for a checked item of a radio family; a submenu's items follow it indented.
void Describe(const QMenu& menu, const std::string& indent, std::vector<std::string>& lines) {
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            lines.push_back(indent + "-");
            continue;
        }
        std::string line = indent + action->objectName().toStdString() + " " + action->text().toStdString();
        if (action->actionGroup() != nullptr) {
            line += " " + std::to_string(ActionTag(action)) + (action->isChecked() ? "*" : "");
        }
        lines.push_back(line);
        if (action->menu() != nullptr) {
            Describe(*action->menu(), indent + "  ", lines);
        }
    }
}

std::vector<std::string> DescribeBar(const QMenuBar& bar) {
    std::vector<std::string> lines;
    for (const QAction* top : bar.actions()) {
        lines.push_back(top->objectName().toStdString() + " " + top->text().toStdString());
        Describe(*top->menu(), "  ", lines);
    }
    return lines;
}

} // namespace

TEST_F(MainMenu, HoldsEveryItemCaptionSeparatorTagAndFirstRadioChecked) {
    // A fresh window before FormShow applies the settings: the first item of every family checked.
    const ScopedProcessInfo process(ExePath(), {ExePath()});
    const TApplicationModules modules({});
    const std::vector<std::string> expected = {
        "MainMenuFile ファイル",
        "  MainMenuFileOpen 開く...",
        "  -",
        "  MainMenuFilePrint 印刷",
        "    MainMenuFilePrintMain メイン画面...",
        "    MainMenuFilePrintSrhi SRHI画面...",
        "  -",
        "  MainMenuFileClose 終了",
        "MainMenuSetting 設定",
        "  MainMenuSettingUnit 機器選択",
        "    MainMenuSettingUnitD 大型 0*",
        "    MainMenuSettingUnitS 小型 1",
        "  -",
        "  MainMenuSettingRange スケール...",
        "  MainMenuSettingAzOffset 方位オフセット...",
        "  -",
        "  MainMenuSettingCsvOut CSV出力",
        "    MainMenuSettingCsvOutOFF OFF 0*",
        "    MainMenuSettingCsvOutON ON 1",
        "MainMenuDisp 表示",
        "  MainMenuDispSelect 選択",
        "    MainMenuDispSelectRain R 0*",
        "    MainMenuDispSelectZhh Zh 1",
        "    MainMenuDispSelectV V 2",
        "    MainMenuDispSelectZdr Zdr 3",
        "    MainMenuDispSelectKdp Kdp 4",
        "    MainMenuDispSelectFdp φdp 5",
        "    MainMenuDispSelectRhv ρhv 6",
        "    MainMenuDispSelectW W 7",
        "  MainMenuDispSweep 仰角",
        "  MainMenuDispAlpha 透過率",
        "    MainMenuDispAlpha0 0% 0*",
        "    MainMenuDispAlpha25 25% 25",
        "    MainMenuDispAlpha50 50% 50",
        "    MainMenuDispAlpha75 75% 75",
        "    MainMenuDispAlpha100 100% 100",
        "  -",
        "  MainMenuDispMap 地図...",
        "  MainMenuDispLayers 地図レイヤ...",
        "  -",
        "  SRHI1 SRHI画面",
        "    MainMenuDispSrhi90 90deg表示 0*",
        "    MainMenuDispSrhi180 180deg表示 1",
        "  -",
        "  MainMenuInvalid 無効データ領域表示",
        "    MainMenuInvalidOFF OFF 0*",
        "    MainMenuInvalidON ON 1",
        "  -",
        "  MainMenuShield 電波遮蔽表示",
        "    MainMenuShieldOff OFF 0*",
        "    MainMenuShield1 1 1",
        "    MainMenuShield2 2 2",
        "  MainMenuDispersion 電波消散表示",
        "    MainMenuDispersionOff OFF 0*",
        "    MainMenuDispersion1 1 1",
        "    MainMenuDispersion2 2 2",
        "  MainMenuClutter グランドクラッタ除去表示",
        "    MainMenuClutterOff OFF 0*",
        "    MainMenuClutter1 1 1",
        "    MainMenuClutter2 2 2",
        "  MainMenuClutterLevel グランドクラッタ除去表示レベル",
        "    MainMenuClutterLevelall ALL 0*",
        "    MainMenuClutterLevel0 0 1",
        "    MainMenuClutterLevel1 1 2",
        "    MainMenuClutterLevel2 2 3",
        "    MainMenuClutterLevel3 3 4",
        "    MainMenuClutterLevel4 4 5",
        "    MainMenuClutterLevel5 5 6",
        "    MainMenuClutterLevel6 6 7",
        "    MainMenuClutterLevel7 7 8",
        "  MainMenuPulseBlind パルスブラインドエリア表示",
        "    MainMenuPulseBlindOff OFF 0*",
        "    MainMenuPulseBlind1 1 1",
        "    MainMenuPulseBlind2 2 2",
        "  MainMenuSectorBlank セクタブランク表示",
        "    MainMenuSectorBlankOff OFF 0*",
        "    MainMenuSectorBlank1 1 1",
        "    MainMenuSectorBlank2 2 2",
        "  -",
        "  MainMenuDispClear クリア",
        "  -",
        "MainMenuPlay 再生",
        "  MainMenuPlayStart 開始",
        "  MainMenuPlayStop 停止",
        "  MainMenuPlayPause 一時停止",
        "  -",
        "  MainMenuPlayFF 早送り",
        "  MainMenuPlayREW 早戻し",
        "  -",
        "  MenuItemPlayDispTime 表示時間...",
        "  -",
        "  MenuItemPlayList リスト表示",
        "  -",
        "  MainMenuPlayLoop ループ再生",
        "  MainMenuPlayFollow フォルダ監視...",
        "MainMenuSnapShot 画面コピー",
        "  MainMenuSnapShotMain メイン画面...",
        "  MainMenuSnapShotSrhi SRHI画面...",
        "  MainMenuSnapShotLoop アニメーション保存...",
        "MainMenuHelp ヘルプ",
        "  MainMenuHelpVersion バージョン情報",
    };
    EXPECT_EQ(DescribeBar(*FormMain->menuBar()), expected);
    EXPECT_EQ(FormMain->menuBar()->objectName(), "MainMenu1");
    EXPECT_EQ(ActionTag(FormMain->MainMenuSnapShotSrhi), 1);
    EXPECT_EQ(ActionTag(FormMain->MainMenuFilePrintSrhi), 1);
    EXPECT_EQ(FormMain->OptionFamilies().size(), 12u);
}

TEST_F(MainMenu, ItemsAreFoundByTheirNames) {
    Start();
    for (const char* name : {"MainMenuFileOpen", "MainMenuPlayFF", "MainMenuClutterLevel7",
                             "MainMenuDispSelectW", "MenuItemPlayList", "MainMenuSnapShotSrhi"}) {
        EXPECT_NE(FormMain->findChild<QAction*>(name), nullptr) << name;
    }
}

TEST_F(MainMenu, TransportActionsAreThePlayMenuItems) {
    Start();
    EXPECT_EQ(FormMain->TransportAction(TransportCommand::Start), FormMain->MainMenuPlayStart);
    EXPECT_EQ(FormMain->TransportAction(TransportCommand::Pause), FormMain->MainMenuPlayPause);
    EXPECT_EQ(FormMain->TransportAction(TransportCommand::Stop), FormMain->MainMenuPlayStop);
    EXPECT_EQ(FormMain->TransportAction(TransportCommand::Rewind), FormMain->MainMenuPlayREW);
    EXPECT_EQ(FormMain->TransportAction(TransportCommand::FastForward), FormMain->MainMenuPlayFF);
}
