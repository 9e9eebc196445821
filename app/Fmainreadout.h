#pragma once

#include "files/Gateprobe.h"
#include "render/Sweeppipeline.h"

#include <QObject>
#include <QPoint>
#include <QString>
#include <optional>

class TFormMain;
class TFormSrhiWindow;

// The cursor readout of both windows: the gate of the shown file under the mouse, read from the
// file's own gates (TGateProbe), never from the display samples.
//
// Main window: while the mouse is over the picture, status panel 6 shows the product's value with
// its unit, the flags marking the gate, its azimuth (azimuth offset included), slant range, beam
// height and position; the panel is emptied outside the display radius, without a shown file and
// when the mouse leaves the picture. Every repaint of the picture (a new frame, a resize, the
// playlist docking) reads the gate under the resting mouse again.
//
// Vertical section: the window reports the point under the mouse in kilometres; the readout gives
// back the gate of the range-height scan there.
class TCursorReadout : public QObject {
public:
    /// Tracks the mouse over `form`'s picture and answers `section`'s cursor reports.
    TCursorReadout(TFormMain& form, TFormSrhiWindow& section);

    /// Panel 6's text for picture pixel `position`: empty when no gate of a shown file is there.
    QString PictureReadout(QPoint position);
    /// The section's text for the point `distanceKm` along the ground (negative: the far side) and
    /// `heightKm` up from the radar: empty when no range-height scan is shown there.
    QString SectionReadout(double distanceKm, double heightKm);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// The frame the pictures show, with the probe attached to its file; null when none is shown.
    const FrameRecord* Shown();
    void ShowPanel();

    TFormMain& form_;
    TGateProbe probe_;
    std::optional<QPoint> cursor_; // over the picture
};
