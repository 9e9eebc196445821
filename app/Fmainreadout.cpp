#include "app/Fmainreadout.h"

#include "app/Displaypanel.h"
#include "app/Fmain.h"
#include "app/Picturegeometry.h"
#include "app/Statuspanels.h"
#include "display/Dimageechodrawmodule.h"
#include "display/Fsrhiwindow.h"
#include "files/Dscnfilemodule.h"
#include "files/Readouttext.h"

#include <QEvent>
#include <QMouseEvent>
#include <cmath>
#include <numbers>

namespace {

constexpr int kReadoutPanel = 6;

} // namespace

TCursorReadout::TCursorReadout(TFormMain& form, TFormSrhiWindow& section) : form_(form) {
    form_.ImageDispMain->setMouseTracking(true);
    form_.ImageDispMain->installEventFilter(this);
    section.OnEchoCursor = [this](double distanceKm, double heightKm) {
        return SectionReadout(distanceKm, heightKm);
    };
}

const FrameRecord* TCursorReadout::Shown() {
    const FrameRecord& frame = form_.ShownFrame();
    if (!frame.drawn || SCNFileModule == nullptr || !probe_.Attach(form_.SweepFiles().Source(), frame.sweep)) {
        return nullptr;
    }
    return &frame;
}

QString TCursorReadout::PictureReadout(QPoint position) {
    if (ImageEchoDrawModule == nullptr) {
        return {};
    }
    const TBitmap& picture = form_.ImageDispMain->Picture();
    const TBitmap& echo = ImageEchoDrawModule->EchoBitmap();
    const std::optional<PicturePolar> polar =
        PicturePixelToPolar({picture.Width(), picture.Height(), echo.Width(), echo.Height(),
                             ImageEchoDrawModule->DisplayRadiusPixels()},
                            position.x(), position.y());
    const FrameRecord* shown = polar ? Shown() : nullptr;
    if (!shown) {
        return {};
    }
    const TGateProbe::PicturePlace place =
        probe_.PictureGateAt(polar->azimuthDeg, polar->radiusFraction * shown->rangeM,
                             ImageEchoDrawModule->DisplayRadiusPixels(), shown->azimuthOffsetDeg);
    const std::optional<GateReading> reading =
        probe_.ReadGate(place.rayIndex, place.slantRangeM, shown->product, shown->azimuthOffsetDeg);
    return reading ? QString::fromStdString(ReadoutText(*reading)) : QString();
}

QString TCursorReadout::SectionReadout(double distanceKm, double heightKm) {
    const FrameRecord* shown = Shown();
    const double slantM = std::hypot(distanceKm, heightKm) * 1000.0;
    if (!shown || !probe_.ElevationVaries() || heightKm < 0.0 || slantM > shown->rangeM) {
        return {};
    }
    const double elevationDeg = std::atan2(heightKm, distanceKm) * 180.0 / std::numbers::pi;
    const std::optional<GateReading> reading =
        probe_.ReadGate(probe_.RayAtElevation(elevationDeg), slantM, shown->product, shown->azimuthOffsetDeg);
    return reading ? QString::fromStdString(SectionReadoutText(*reading)) : QString();
}

void TCursorReadout::ShowPanel() {
    form_.StatusBar1->SetPanelText(kReadoutPanel, cursor_ ? PictureReadout(*cursor_) : QString());
}

bool TCursorReadout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_.ImageDispMain) {
        switch (event->type()) {
        case QEvent::MouseMove: {
            const QPointF position = static_cast<QMouseEvent*>(event)->position();
            cursor_ = QPoint(static_cast<int>(std::floor(position.x())),
                             static_cast<int>(std::floor(position.y())));
            ShowPanel();
            break;
        }
        case QEvent::Leave:
            cursor_.reset();
            ShowPanel();
            break;
        case QEvent::Paint:
            // A new frame, size or layout of the picture: the gate under the resting mouse again.
            if (cursor_) {
                ShowPanel();
            }
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
