#pragma once

#include "app/Gisprepservice.h"
#include "settings/Maplayers.h"

#include <string>
#include <vector>

class TFormMain;

// The GIS inputs of the main window: the georeferenced rasters the map dialog takes besides the
// named pictures, and the vector layers of "表示 → 地図レイヤ..." with their Layers setting. Files
// are checked by the helper program before they are stored as settings; one that GDAL cannot read,
// or that has no coordinate system, gets an error box and is not stored.
class TGisInputs {
public:
    /// Hands the display its source and the layers of the settings; `waits`: the helper is waited
    /// for (batch mode, the converter). Connects the menu item MainMenuDispLayers.
    TGisInputs(TFormMain& form, bool waits);
    /// Takes the source back from the display.
    ~TGisInputs();
    TGisInputs(const TGisInputs&) = delete;
    TGisInputs& operator=(const TGisInputs&) = delete;

    /// The map dialog chose a georeferenced raster: checked, then shown and stored as the Map
    /// setting, or an error box.
    void ChooseBasemap(const std::string& path);
    /// "地図レイヤ...": the layers dialog; confirmed layers go to ApplyLayers.
    void MainMenuDispLayersClick();
    /// Takes `layers` as the new Layers setting: files not already set are checked first, and
    /// those that fail get one error box each and are left out.
    void ApplyLayers(const std::vector<MapLayerSetting>& layers);

    TGisPrepService& Service() { return service_; }

private:
    void ShowLayers(const std::vector<MapLayerSetting>& layers);
    void ReportFailure(std::string_view kind, const std::string& file, int code, const QString& line);

    TFormMain& form_;
    TGisPrepService service_;
    int pendingChecks_ = 0;
};
