// TFormMain: the frame pipeline, from the open scan file to the composed picture.
#include "app/Appmessages.h"
#include "app/Displaypanel.h"
#include "app/Fmain.h"
#include "app/Fplaylist.h"
#include "app/Settingsaccess.h"
#include "app/Statuspanels.h"
#include "display/Dimageechodrawmodule.h"
#include "display/Drawlegendstrip.h"
#include "display/Fsrhiwindow.h"
#include "files/Calcfunc.h"
#include "files/Dscnfilemodule.h"
#include "platform/Bitmap.h"
#include "platform/Dwinmodule.h"
#include "render/Dopenechodrawmodule.h"
#include "settings/Settingvalues.h"

#include <QAction>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace {

/// The azimuth offset of a file that gives none: the AzOffset setting, which must be a number.
double AzimuthOffsetSetting(const std::string& text) {
    const std::optional<double> value = ParseDecimal(text);
    if (!value) {
        throw std::invalid_argument("'" + text + "' is not a valid floating point value");
    }
    return *value;
}

template <typename T> void Zero(T* values, int count) {
    if (count > 0) {
        std::memset(values, 0, sizeof(T) * static_cast<std::size_t>(count));
    }
}

} // namespace

void TFormMain::EnsureRayBuffers(int gateCount) {
    if (gateCount > rayBufferCapacity_) {
        valueBuffer_.reset();
        qualityBuffer_.reset();
        rayBufferCapacity_ = 0;
        valueBuffer_ = std::make_unique<std::uint16_t[]>(static_cast<std::size_t>(gateCount));
        qualityBuffer_ = std::make_unique<std::uint16_t[]>(static_cast<std::size_t>(gateCount));
        rayBufferCapacity_ = gateCount;
    }
}

void TFormMain::ReleaseRayBuffers() {
    valueBuffer_.reset();
    qualityBuffer_.reset();
    rayBufferCapacity_ = 0;
}

double TFormMain::RenderSweep(int product, ScanInfo* info, double displayRangeM) {
    if (product < 0 && info == nullptr) {
        ReleaseRayBuffers();
        return -1.0;
    }
    const std::optional<ProductKind> kind = ProductFromTag(product);
    if (!kind || info == nullptr) {
        return -1.0;
    }

    double azimuthOffsetDeg = info->azimuthOffsetDeg;
    if (azimuthOffsetDeg < 0.0) {
        std::string text;
        {
            TSettingsAccess settings(*IniFileModule);
            text = settings->azOffset;
        }
        azimuthOffsetDeg = AzimuthOffsetSetting(text);
    }

    const ScaleRecord& scale = colourTable_.scales[static_cast<std::size_t>(ProductScale(*kind))];
    DrawLegend(product, scale.firstIndex);
    ImageEchoDrawModule->SetLegend(*legendBitmap_);
    OpenEchoDrawModule->SetLegendImage(legendBitmap_->Image(), kLegendKeyColour);

    bool invalidDisplay = false;
    std::array<int, kFlagModeCount> flagModes{};
    bool csv = false;
    {
        TSettingsAccess settings(*IniFileModule);
        invalidDisplay = IntegerOption(settings->onff) != 0;
        flagModes = FlagModes(*settings);
        csv = IntegerOption(settings->csvOut) != 0;
    }

    if (info->valid == 0) {
        return 0.0;
    }
    const int gateCount = info->gateCount;
    const SweepFit fit = FitSweepToDisplay(gateCount, info->gateSpacingM, displayRangeM);
    if (gateCount <= 0) {
        return fit.rangeMetres;
    }

    EnsureRayBuffers(gateCount);
    std::uint16_t* values = valueBuffer_.get();
    std::uint16_t* quality = qualityBuffer_.get();
    Zero(values, gateCount);
    Zero(quality, gateCount);
    acceleratedCopy_.fill(0);
    ImageEchoDrawModule->ResetEchoImage();
    OpenEchoDrawModule->ClearEcho();

    const int productIndex = ArrayIndexInMask(info->productMask, product);
    if (productIndex < 0) {
        return -1.0;
    }
    const int qualityIndex = ArrayIndexInMask(info->productMask, kQualityMaskBit);
    if (csv) {
        SCNFileModule->ClearCsvLines();
    }

    const ThresholdTable& thresholds = thresholdTables_[static_cast<std::size_t>(product)];
    const auto firstIndex = static_cast<std::uint8_t>(scale.firstIndex);
    double previousElevationDeg = 9999.0;
    for (int ray = 0; ray < info->rayCount; ++ray) {
        double elevationDeg = 0.0;
        double azimuthDeg = 0.0;
        const int delivered = SCNFileModule->ReadRay(productIndex, qualityIndex, csv, gateCount * 2, quality,
                                                     values, elevationDeg, azimuthDeg);
        if (delivered < 0) {
            Zero(values, gateCount);
            Zero(quality, gateCount);
            acceleratedCopy_.fill(0);
            ImageEchoDrawModule->ResetEchoImage();
            OpenEchoDrawModule->ClearEcho();
            info->errorCode = 7;
            return -1.0;
        }
        if (delivered < gateCount) {
            Zero(values + delivered, gateCount - delivered);
            Zero(quality + delivered, gateCount - delivered);
        }

        DecimateRay(values, fit.gatesUsed, fit.samples, resampledValues_.data());
        SCNFileModule->QuantiseLevels(resampledValues_.data(), levelRay_.data(), thresholds.count,
                                      thresholds.boundaryCodes, thresholds.range, fit.samples);
        std::fill(levelRay_.begin() + fit.samples, levelRay_.end(), kLevelNoData);
        acceleratedCopy_ = levelRay_;

        if (ray == 0) {
            info->azimuthDeg = NormaliseAngle(azimuthDeg + azimuthOffsetDeg);
            info->elevationDeg = elevationDeg;
        }
        flagRay_.fill(0);
        DecimateRay(quality, fit.gatesUsed, fit.samples, flagRay_.data());

        ImageEchoDrawModule->PaintEchoRay(levelRay_.data(), kDisplaySamples, azimuthDeg + azimuthOffsetDeg,
                                          elevationDeg, firstIndex, scale.sentinelIndex, flagRay_.data(),
                                          flagModes.data(), kFlagModeCount, invalidDisplay);
        if (elevationDeg != previousElevationDeg) {
            previousElevationDeg = elevationDeg;
            OpenEchoDrawModule->DrawEchoRay(acceleratedCopy_, invalidDisplay, flagModes, flagRay_,
                                            static_cast<std::uint8_t>(scale.sentinelIndex),
                                            static_cast<std::uint8_t>(scale.noDataIndex), firstIndex,
                                            elevationDeg);
        }
    }

    if (csv) {
        try {
            SCNFileModule->SaveCsvFiles(*kind);
        } catch (...) {
            // The next refresh must still read the file from its first ray.
            SCNFileModule->RewindToFirstRay();
            throw;
        }
    }
    SCNFileModule->RewindToFirstRay();
    return fit.rangeMetres;
}

void TFormMain::DrawLegend(int product, int firstIndex) {
    if (product == legendProduct_ && firstIndex == legendFirstIndex_) {
        return;
    }
    DrawLegendStrip(*legendBitmap_, Thresholds(product), firstIndex, colourTable_);
    legendProduct_ = product;
    legendFirstIndex_ = firstIndex;
}

void TFormMain::UpdateStatusBar() {
    if (scanInfo_.valid == 0) {
        for (const int panel : {0, 1, 2, 3, 5}) {
            StatusBar1->SetPanelText(panel, QString());
        }
        return;
    }
    const ScanDateTime& time = scanInfo_.scanTime;
    StatusBar1->SetPanelText(
        0, QString::asprintf("%d / %d", TimerFilePlay.Tag() + 1, static_cast<int>(fileList_.size())));
    StatusBar1->SetPanelText(1, QString::fromStdString(scanInfo_.name));
    StatusBar1->SetPanelText(2, QString::asprintf("%4d/%d/%d %02d:%02d:%02d", time.year, time.month, time.day,
                                                  time.hour, time.minute, time.second));
    StatusBar1->SetPanelText(3, QString::asprintf("%s%.4f/%s%.4f", scanInfo_.latitude >= 0.0 ? "N" : "S",
                                                  std::fabs(scanInfo_.latitude),
                                                  scanInfo_.longitude >= 0.0 ? "E" : "W",
                                                  std::fabs(scanInfo_.longitude)));
    const double shownElevationDeg =
        scanInfo_.elevationDeg < -90.0 ? scanInfo_.elevationDeg + 360.0 : scanInfo_.elevationDeg;
    StatusBar1->SetPanelText(
        5, QString::asprintf("AZ:%6.1f / EL:%6.1f", scanInfo_.azimuthDeg, shownElevationDeg));
    FormPlayList->SelectRow(TimerFilePlay.Tag());
}

void TFormMain::RefreshDisplay(bool reRender) {
    if (reRender) {
        const double rangeM = RenderSweep(CheckedProduct(), &scanInfo_, displayRange_);
        FormSrhiWindow->UpdateSrhiScales(rangeM * 0.001);
    }
    UpdateStatusBar();
    ImageEchoDrawModule->SetTimeLabel(scanInfo_.valid != 0, scanInfo_.headerTime);
    PostAppMessage(this, UM_REPAINT, 0, 0);
    OpenEchoDrawModule->RenderEcho(false);
}

void TFormMain::OnRepaint(int width, int height) {
    TWinModule::DrainMessages(this, UM_REPAINT, UM_REPAINT);
    if (width != 0 && height > 0) {
        ImageDispMain->resize(width, height);
    }
    TBitmap& picture = ImageDispMain->Picture();
    picture.SetSize(ImageDispMain->width(), ImageDispMain->height());
    ImageEchoDrawModule->ComposeFrame(picture);
    ImageDispMain->repaint();
}

int TFormMain::CheckedProduct() const {
    for (int p = 0; p < kProductCount - 1; ++p) {
        if (productItems_[static_cast<std::size_t>(p)]->isChecked()) {
            return p;
        }
    }
    return kProductCount - 1;
}
