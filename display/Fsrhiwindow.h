#pragma once

#include "display/Srhiscale.h"
#include "platform/Bitmap.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

class QLabel;
class QWindow;
class TOpenEchoDrawModule;

/// The vertical-section window: range along the bottom scale, height up the left scale, and the
/// echo panel the OpenGL renderer draws into, the radar at the panel's bottom-left corner (90°
/// display, mode 0) or at its bottom centre (180° display, mode 1). It never reads scan data; the
/// frame pipeline feeds the renderer and passes the display range. Closing the window hides it.
///
/// Layout (client area 600 × 600 when created): Panel2 along the bottom (24 px, white) with
/// ImageBottomScale and the unit label LabelBottomUnit at its right end; Panel3 above it holding
/// Panel4 at the left (33 px, white) with LabelLeftUnit over ImageLeftScale, and PanelEcho (black)
/// with the renderer's window. The unit labels use the platform's label font (TCanvas::FontFamily)
/// at 13 pixels.
///
/// Without usable OpenGL the window works all the same: the scales are drawn and the echo panel
/// stays black.
class TFormSrhiWindow : public QWidget {
public:
    /// Outer sizes FormShow gives the window for the 90° and the 180° display. Qt sets the client
    /// size (the frame belongs to the window manager), so the window gets the client area these
    /// sizes leave inside the frame they were chosen for: 8-pixel borders and a 30-pixel caption,
    /// i.e. 600 × 600 and 892 × 600.
    static constexpr int kShowHeight = 638;
    static constexpr int kShowWidth90 = 616;
    static constexpr int kShowWidth180 = 908;
    static constexpr int kFrameWidth = 16;
    static constexpr int kFrameHeight = 38;
    /// Samples per ray of the renderer's echo fan.
    static constexpr int kEchoSamples = 300;

    /// Builds the hidden window at its design size; `renderer` (which must outlive the window's
    /// use of it) draws the echo into PanelEcho once InitSrhiRenderer has bound it.
    explicit TFormSrhiWindow(TOpenEchoDrawModule& renderer, QWidget* parent = nullptr);
    ~TFormSrhiWindow() override;

    /// Binds the renderer to the echo panel (SetupEcho with 300 samples per ray and `count` entries
    /// of `palette`, 4 bytes each: R, G, B, A), then draws it. Returns false when the renderer
    /// cannot be bound (no usable OpenGL): the echo panel then stays black.
    bool InitSrhiRenderer(const std::uint8_t* palette, int count);
    /// Shows the renderer's current picture (after a frame or a display clear).
    void PresentSrhi();
    /// Redraws the scales for a display range of `rangeKm` (0 keeps the last range).
    void UpdateSrhiScales(double rangeKm);
    /// Chooses the 90° (0) or the 180° (1) display; it takes effect with the next FormShow and
    /// scale drawing.
    void SetSrhiMode(int mode);
    /// Fills `bitmap` with the window's picture (its client area; the frame is the window
    /// manager's), one pixel per window pixel also on a scaled desktop, with the renderer's
    /// picture placed over PanelEcho, which shows black when the renderer has nothing to give.
    /// Returns false, leaving `bitmap` untouched, when the window cannot be grabbed (it has no
    /// area).
    bool CaptureSrhiWindow(TBitmap& bitmap);
    /// Draws both scales when the range (> 0; 0 keeps the last one), the mode or the echo panel's
    /// size has changed since the last drawing, or a scale image has changed size; moves the
    /// renderer's origin to match. Does nothing otherwise.
    void DrawSrhiScales(double rangeKm);

    int SrhiMode() const { return srhiMode_; }
    double EchoPanelDesignWidth() const { return echoPanelDesignWidth_; }
    double EchoPanelDesignHeight() const { return echoPanelDesignHeight_; }
    const SrhiScaleState& ScaleState() const { return scales_; }
    /// The pictures the two scale images show.
    TBitmap& BottomScaleBitmap() { return bottomScaleBitmap_; }
    TBitmap& LeftScaleBitmap() { return leftScaleBitmap_; }

    // Event handlers, named after the component and the event (the widget events call them).
    // The window accepts every size. Rendering asked for by a handler runs just after it returns,
    // since it lets pending events run first.
    /// Records the echo panel's size as its design size.
    void FormCreate();
    /// Gives the window its size for the display mode, draws the scales and the echo.
    void FormShow();
    /// Draws the echo (also when the renderer's own window is uncovered).
    void FormPaint();
    void FormResize();
    void PanelEchoResize();
    /// Redraws the scales when something changed (DrawSrhiScales(0)).
    void Panel2Resize();
    void Panel4Resize();

    QWidget* Panel2 = nullptr;
    QLabel* ImageBottomScale = nullptr;
    QLabel* LabelBottomUnit = nullptr;
    QWidget* Panel3 = nullptr;
    QWidget* Panel4 = nullptr;
    QLabel* LabelLeftUnit = nullptr;
    QLabel* ImageLeftScale = nullptr;
    QWidget* PanelEcho = nullptr;
    /// The cursor readout over the echo panel's top right corner; hidden while it has no text.
    QLabel* LabelReadout = nullptr;

    /// Asked for the readout text whenever the mouse moves over the echo panel, with the point
    /// under it in km from the radar as the scales measure it (distance along the bottom, negative
    /// left of the radar, and height); an empty text hides the readout.
    std::function<QString(double distanceKm, double heightKm)> OnEchoCursor;
    /// The mouse moved to `position` of the echo panel, or left it (none). The readout is asked
    /// again with every new frame and scale while the mouse rests there, so it never shows the
    /// gate of a file no longer shown.
    void EchoCursorMoved(const std::optional<QPointF>& position);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ArrangePanels();
    void RenderEchoSoon();
    void DrawBottomScale(double stepKm, double windowFactor);
    void DrawLeftScale(double stepKm);
    /// The readout for the mouse at `position` of the echo panel; none hides it.
    void ShowEchoReadout(const std::optional<QPointF>& position);

    TOpenEchoDrawModule& renderer_;
    QWindow* echoWindow_ = nullptr;
    QWidget* echoContainer_ = nullptr;
    bool renderPending_ = false;
    std::optional<QPointF> echoCursor_; // the mouse over the echo panel

    int srhiMode_ = 0;
    double echoPanelDesignWidth_ = 0;
    double echoPanelDesignHeight_ = 0;
    SrhiScaleState scales_;
    TBitmap bottomScaleBitmap_;
    TBitmap leftScaleBitmap_;
};

inline TFormSrhiWindow* FormSrhiWindow = nullptr;
