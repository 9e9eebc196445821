#pragma once

#include "settings/Maplayers.h"

#include <QDialog>
#include <vector>

class QDoubleSpinBox;
class QListWidget;

// The dialog of "地図レイヤ...": the vector layers, bottom first, each with its colour and line
// width; files are added through the file dialog service, with the next default colour.
class TMapLayersDialog final : public QDialog {
public:
    /// Shows the dialog on `layers`; true, with `layers` replaced, when it was confirmed.
    static bool Edit(QWidget* owner, std::vector<MapLayerSetting>& layers);

private:
    TMapLayersDialog(QWidget* owner, std::vector<MapLayerSetting> layers);
    void Refill();
    void Add();
    void Remove();
    void ChooseColour();
    void SelectionChanged();

    std::vector<MapLayerSetting> layers_;
    QListWidget* list_ = nullptr;
    QDoubleSpinBox* width_ = nullptr;
};
