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
#include "files/Dscnfilemodule.h"
#include "platform/Bitmap.h"
#include "platform/Dwinmodule.h"
#include "render/Dopenechodrawmodule.h"
#include "settings/Settingvalues.h"

#include <QAction>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

/// The azimuth offset a frame of `info` is drawn with: the file's own, else the AzOffset setting
/// (its text also into `settingText`); nothing when that setting is no number.
std::optional<double> FrameAzimuthOffset(const ScanInfo& info, std::string& settingText) {
    if (info.azimuthOffsetDeg < 0.0) { // the setting is read only when the file gives no offset
        TSettingsAccess settings(*IniFileModule);
        settingText = settings->azOffset;
    }
    return FrameAzimuthOffsetDeg(info.azimuthOffsetDeg, settingText);
}

} // namespace

double TFormMain::RenderSweep(int product, ScanInfo* info, double displayRangeM) {
    if (product < 0 && info == nullptr) {
        pipeline_.ReleaseBuffers();
        shownFrame_ = {};
        return -1.0;
    }
    const std::optional<ProductKind> kind = ProductFromTag(product);
    if (!kind || info == nullptr) {
        return -1.0;
    }

    FrameOptions options;
    std::string offsetText;
    const std::optional<double> azimuthOffsetDeg = FrameAzimuthOffset(*info, offsetText);
    if (!azimuthOffsetDeg) {
        throw std::invalid_argument("'" + offsetText + "' is not a valid floating point value");
    }
    options.azimuthOffsetDeg = *azimuthOffsetDeg;

    DrawLegend(product, pipeline_.Scale(*kind).firstIndex);
    ImageEchoDrawModule->SetLegend(*legendBitmap_);
    OpenEchoDrawModule->SetLegendImage(legendBitmap_->Image(), kLegendKeyColour);

    {
        TSettingsAccess settings(*IniFileModule);
        options.invalidDisplay = IntegerOption(settings->onff) != 0;
        options.flagModes = FlagModes(*settings);
        options.csv = IntegerOption(settings->csvOut) != 0;
    }
    shownFrame_ = {}; // the pictures are wiped first; an exception leaves them so
    shownFrame_ = pipeline_.RenderSweep(SweepFiles().Source(), *kind, *info, displayRangeM, options,
                                        ImageEchoDrawModule, OpenEchoDrawModule);
    return shownFrame_.rangeM;
}

TSweepOpener& TFormMain::SweepFiles() {
    if (!sweepFiles_) {
        sweepFiles_ = std::make_unique<TSweepOpener>(*SCNFileModule);
    }
    return *sweepFiles_;
}

void TFormMain::DrawLegend(int product, int firstIndex) {
    if (product == legendProduct_ && firstIndex == legendFirstIndex_) {
        return;
    }
    DrawLegendStrip(*legendBitmap_, Thresholds(product), firstIndex, pipeline_.ColourTable());
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
        0, QString::asprintf("%d / %d", playback_.Position() + 1, static_cast<int>(FileList().size())));
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
    FormPlayList->SelectRow(playback_.Position());
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
