// The viewer on real ODIM_H5 volumes: one list entry per volume, the sweep chosen once for the
// whole list through the sweep menu and kept in the settings, and a scan file in the same list.
#include "app/Settingsaccess.h"
#include "app/Sweepmenu.h"
#include "tests/app/Appfixture.h"

#include <QAction>
#include <QMenu>
#include <filesystem>

namespace {

class OpenFormats : public AppFixture {
protected:
    std::string CopyOpenFile(const std::string& name, const std::string& as) {
        const std::string path = dir.File(as);
        std::filesystem::copy_file(std::string(NIMBROOK_TEST_DATA_DIR) + "/open/" + name, path);
        return path;
    }
    QList<QAction*> SweepItems() const { return FormMain->SweepMenu().Menu()->actions(); }
    std::string SweepSetting() const {
        TSettingsAccess settings(*IniFileModule);
        return settings->sweep;
    }
};

TEST_F(OpenFormats, TheSweepChosenOnceHoldsForEveryVolumeOfTheList) {
    const std::string knmi = CopyOpenFile("knmi_polar_volume.h5", "a_knmi.h5");
    const std::string behel = CopyOpenFile("20200207130000.rad.behel.pvol.dbzh.scanz.hdf", "b_behel.hdf");
    const std::string scan = WriteScan("c.scn");
    Start();
    OpenFiles({knmi, behel, scan});
    ASSERT_EQ(FormMain->FileList().size(), 3);
    ASSERT_EQ(FormMain->CurrentScan().errorCode, 0);

    // The lowest elevation first; the volume holds Zh only, so the menu offers Zh and shows it.
    QMenu* menu = FormMain->SweepMenu().Menu();
    EXPECT_TRUE(menu->menuAction()->isVisible());
    ASSERT_EQ(SweepItems().size(), 14);
    EXPECT_EQ(SweepItems()[0]->text(), QString::fromUtf8("0: PPI 0.3°"));
    EXPECT_TRUE(SweepItems()[0]->isChecked());
    EXPECT_TRUE(FormMain->MainMenuDispSelectZhh->isChecked());
    EXPECT_FALSE(FormMain->MainMenuDispSelectRain->isEnabled());
    EXPECT_EQ(Panel(5), QStringLiteral("AZ:   0.5 / EL:   0.3"));

    SweepItems()[5]->trigger();
    Settle();
    EXPECT_EQ(SweepSetting(), "5");
    EXPECT_TRUE(SweepItems()[5]->isChecked());
    EXPECT_EQ(FormMain->CurrentScan().gateCount, 340);
    EXPECT_EQ(Panel(5), QStringLiteral("AZ:   0.5 / EL:   3.0"));

    // The next volume shows its own sweep 5; the scan file hides the menu and gets R back.
    FormMain->JumpToFile(1);
    Settle();
    EXPECT_EQ(FormMain->CurrentScan().name, "b_behel");
    EXPECT_TRUE(SweepItems()[5]->isChecked());
    EXPECT_EQ(SweepItems()[5]->text(), QString::fromUtf8("5: PPI 5.0°"));
    FormMain->JumpToFile(2);
    Settle();
    EXPECT_EQ(FormMain->CurrentScan().errorCode, 0);
    EXPECT_FALSE(menu->menuAction()->isVisible());
    EXPECT_TRUE(FormMain->MainMenuDispSelectRain->isEnabled());
}

TEST_F(OpenFormats, ABrokenFileShowsTheErrorBoxOfItsCode) {
    const std::string broken = CopyOpenFile("bad_bins.h5", "broken.h5");
    Start();
    OpenFiles({broken});
    EXPECT_EQ(FormMain->CurrentScan().errorCode, 5);
    ASSERT_FALSE(dialogs.errorBoxes.empty());
    EXPECT_EQ(dialogs.errorBoxes.back(), QStringLiteral("(5) DATA NUM ERROR"));
}

} // namespace
