#include "app/Gisinputs.h"

#include "app/Fmain.h"
#include "app/Gisinputtexts.h"
#include "app/Maplayersdialog.h"
#include "app/Settingsaccess.h"
#include "display/Dimageechodrawmodule.h"
#include "platform/Dialogservice.h"
#include "platform/Processinfo.h"
#include "settings/Dinifilemodule.h"

#include <QAction>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace gisinputtext {

std::string ErrorText(std::string_view kind, std::string_view file, int code, std::string_view detail) {
    std::string text(file);
    text += "\r\n\r\n";
    text += kind;
    text += ": ";
    text += code == TGisPrepService::Unreadable      ? Unreadable
            : code == TGisPrepService::NoCoordinates ? NoCoordinates
            : code == TGisPrepService::NotRun        ? NotRun
                                                     : NotPrepared;
    if (!detail.empty()) {
        text += "\n(";
        text += detail;
        text += ")";
    }
    return text;
}

} // namespace gisinputtext

namespace {

QString HelperProgram() {
    return QFileInfo(ExecutableFilePath()).absolutePath() + QStringLiteral("/nimbrook-gisprep");
}

std::vector<TMapLayerStyle> Styles(const std::vector<MapLayerSetting>& layers) {
    std::vector<TMapLayerStyle> styles;
    for (const MapLayerSetting& layer : layers) {
        styles.push_back({layer.path, 0xFF000000U | layer.rgb, layer.widthPx});
    }
    return styles;
}

std::vector<MapLayerSetting> StoredLayers() {
    TSettingsAccess settings(*IniFileModule);
    return ParseMapLayers(settings->layers);
}

} // namespace

TGisInputs::TGisInputs(TFormMain& form, bool waits) : form_(form), service_(HelperProgram()) {
    service_.SetWaits(waits);
    service_.onReady = [this] {
        ImageEchoDrawModule->GeoDataReady();
        form_.RefreshDisplay(true);
    };
    service_.onFailure = [this](const std::string& file, int code, const QString& line) {
        ReportFailure(TImageEchoDrawModule::IsGeoRasterFile(file) ? gisinputtext::RasterKind
                                                                  : gisinputtext::VectorKind,
                      file, code, line);
    };
    ImageEchoDrawModule->SetGeoDataSource(&service_);
    ShowLayers(StoredLayers());
    QObject::connect(form.MainMenuDispLayers, &QAction::triggered, &form,
                     [this] { MainMenuDispLayersClick(); });
}

TGisInputs::~TGisInputs() {
    if (ImageEchoDrawModule != nullptr) {
        ImageEchoDrawModule->SetGeoDataSource(nullptr);
    }
}

void TGisInputs::ReportFailure(std::string_view kind, const std::string& file, int code,
                               const QString& line) {
    std::fprintf(stderr, "nimbrook: %s\n", line.toLocal8Bit().constData());
    if (!form_.BatchMode() && !service_.Waits()) {
        DialogService().ErrorBox(
            &form_, QString::fromStdString(gisinputtext::ErrorText(kind, file, code, line.toStdString())));
    }
}

void TGisInputs::ShowLayers(const std::vector<MapLayerSetting>& layers) {
    ImageEchoDrawModule->SetMapLayers(Styles(layers));
}

void TGisInputs::ChooseBasemap(const std::string& path) {
    service_.Check(true, path, [this, path](int code, const QString& line) {
        if (code != TGisPrepService::Done) {
            ReportFailure(gisinputtext::RasterKind, path, code, line);
            return;
        }
        if (ImageEchoDrawModule->LoadMapPicture(path)) {
            TSettingsAccess(*IniFileModule)->map = path;
        }
        form_.RefreshDisplay(true);
    });
}

void TGisInputs::MainMenuDispLayersClick() {
    std::vector<MapLayerSetting> layers = StoredLayers();
    if (TMapLayersDialog::Edit(&form_, layers)) {
        ApplyLayers(layers);
    } else {
        form_.RefreshDisplay(false);
    }
}

void TGisInputs::ApplyLayers(const std::vector<MapLayerSetting>& layers) {
    const std::vector<MapLayerSetting> stored = StoredLayers();
    // Each layer is kept unless its check fails; the setting is stored once every check answered.
    auto kept = std::make_shared<std::vector<std::pair<MapLayerSetting, bool>>>();
    for (const MapLayerSetting& layer : layers) {
        kept->push_back({layer, true});
    }
    auto pending = std::make_shared<int>(1);
    const auto finish = [this, kept, pending] {
        if (--*pending != 0) {
            return;
        }
        std::vector<MapLayerSetting> accepted;
        for (const auto& [layer, ok] : *kept) {
            if (ok) {
                accepted.push_back(layer);
            }
        }
        TSettingsAccess(*IniFileModule)->layers = MapLayersText(accepted);
        ShowLayers(accepted);
        form_.RefreshDisplay(false);
    };
    for (std::size_t i = 0; i < kept->size(); ++i) {
        const std::string& path = (*kept)[i].first.path;
        const bool known = std::any_of(stored.begin(), stored.end(),
                                       [&](const MapLayerSetting& old) { return old.path == path; });
        if (known) {
            continue;
        }
        ++*pending;
        service_.Check(false, path, [this, kept, i, finish](int code, const QString& line) {
            if (code != TGisPrepService::Done) {
                (*kept)[i].second = false;
                ReportFailure(gisinputtext::VectorKind, (*kept)[i].first.path, code, line);
            }
            finish();
        });
    }
    finish();
}
