#include "app/Sweepmenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace {

constexpr const char* kTagProperty = "Tag";

} // namespace

TSweepMenu::TSweepMenu(QMenu& displayMenu, QAction* before, std::function<void(int)> choose)
    : menu_(new QMenu(QString::fromUtf8("仰角"), &displayMenu)), group_(new QActionGroup(menu_)),
      choose_(std::move(choose)) {
    menu_->setObjectName(QStringLiteral("MainMenuDispSweep"));
    menu_->menuAction()->setObjectName(QStringLiteral("MainMenuDispSweep"));
    displayMenu.insertMenu(before, menu_);
    menu_->menuAction()->setVisible(false);
    group_->setExclusive(true);
    connect(group_, &QActionGroup::triggered, this,
            [this](QAction* item) { choose_(item->property(kTagProperty).toInt()); });
}

void TSweepMenu::Show(const std::vector<SweepChoice>& sweeps, int shown) {
    for (QAction* item : group_->actions()) {
        group_->removeAction(item);
        menu_->removeAction(item);
        delete item;
    }
    for (const SweepChoice& sweep : sweeps) {
        const char* mode = sweep.mode == SweepMode::RangeHeight ? "RHI" : "PPI";
        QAction* item =
            menu_->addAction(QString::asprintf("%d: %s %.1f°", sweep.index, mode, sweep.fixedAngleDeg));
        item->setObjectName(QStringLiteral("MainMenuDispSweep%1").arg(sweep.index));
        item->setProperty(kTagProperty, sweep.index);
        item->setCheckable(true);
        item->setChecked(sweep.index == shown);
        group_->addAction(item);
    }
    menu_->menuAction()->setVisible(!sweeps.empty());
}
