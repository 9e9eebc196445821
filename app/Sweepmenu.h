#pragma once

#include "files/formats/Sweepopener.h"

#include <QObject>
#include <functional>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;

/// The menu "仰角" under "表示": one radio item per sweep of the open-format file shown (its
/// index, mode and fixed angle), the shown one checked. Choosing one hands its index on; the
/// choice then holds for every file of the list. Hidden while a scan file is shown.
class TSweepMenu : public QObject {
public:
    /// Adds the menu to `displayMenu` before `before`; `choose` gets the index of a chosen item.
    TSweepMenu(QMenu& displayMenu, QAction* before, std::function<void(int)> choose);

    /// Lists `sweeps` with `shown` checked; no sweeps hide the menu.
    void Show(const std::vector<SweepChoice>& sweeps, int shown);
    QMenu* Menu() const { return menu_; }

private:
    QMenu* menu_;
    QActionGroup* group_;
    std::function<void(int)> choose_;
};
