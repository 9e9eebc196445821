#include "display/Fsrhiwindow.h"

#include "render/Dopenechodrawmodule.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QShowEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace {

constexpr int kDesignClientSidePx = 600;
constexpr int kBottomPanelHeightPx = 24;
constexpr int kLeftPanelWidthPx = 33;
/// Space around each unit label.
constexpr int kLabelMarginPx = 3;
constexpr int kUnitFontPixels = 13;
constexpr int kScaleFontPoints = 10;
constexpr int kPaletteEntries = 256;
constexpr int kNoLimitLow = std::numeric_limits<int>::min();
constexpr int kNoLimitHigh = std::numeric_limits<int>::max();

QWidget* MakePanel(QWidget* parent, const char* name, Qt::GlobalColor colour) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
    return panel;
}

/// A transparent "[km]" label in black.
QLabel* MakeUnitLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(QStringLiteral("[km]"), parent);
    label->setObjectName(QLatin1String(name));
    QFont font(QLatin1String(TCanvas::FontFamily));
    font.setPixelSize(kUnitFontPixels);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

/// An image control: shows its bitmap at its top-left corner, unscaled.
QLabel* MakeImage(QWidget* parent, const char* name) {
    auto* image = new QLabel(parent);
    image->setObjectName(QLatin1String(name));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return image;
}

/// Light text on black; a native window of its own, so that it shows above the renderer's window.
QLabel* MakeReadoutLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("LabelReadout"));
    label->setAttribute(Qt::WA_NativeWindow);
    label->setAutoFillBackground(true);
    label->setMargin(kLabelMarginPx);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    label->hide();
    return label;
}

void ShowBitmap(QLabel& image, const TBitmap& bitmap) {
    image.setPixmap(QPixmap::fromImage(bitmap.Image()));
}

/// Sizes the bitmap to its image, fills it white and leaves the canvas ready for the ticks.
void PrepareScaleBitmap(TBitmap& bitmap, const QLabel& image) {
    bitmap.SetSize(image.width(), image.height());
    TCanvas& canvas = bitmap.Canvas();
    // Solid while filling: the brush is left clear by the previous drawing.
    canvas.SetBrushStyle(TBrushStyle::Solid);
    canvas.SetBrushColour(qRgb(255, 255, 255));
    canvas.FillRect({0, 0, bitmap.Width(), bitmap.Height()});
    canvas.SetBrushStyle(TBrushStyle::Clear);
    canvas.SetFontSize(kScaleFontPoints);
}

/// Label centred on x with its top at y.
void DrawTickLabel(TCanvas& canvas, int x, int y, const std::string& label) {
    const QString text = QString::fromStdString(label);
    canvas.TextOut(x - canvas.TextWidth(text) / 2, y, text);
}

} // namespace

TFormSrhiWindow::TFormSrhiWindow(TOpenEchoDrawModule& renderer, QWidget* parent)
    : QWidget(parent, Qt::Window), renderer_(renderer) {
    setObjectName(QStringLiteral("FormSrhiWindow"));
    setWindowTitle(QStringLiteral("SRHI画面"));
    // Closing only hides the window; it never ends the application.
    setAttribute(Qt::WA_QuitOnClose, false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);

    Panel2 = MakePanel(this, "Panel2", Qt::white);
    ImageBottomScale = MakeImage(Panel2, "ImageBottomScale");
    LabelBottomUnit = MakeUnitLabel(Panel2, "LabelBottomUnit");
    Panel3 = MakePanel(this, "Panel3", Qt::black);
    Panel4 = MakePanel(Panel3, "Panel4", Qt::white);
    LabelLeftUnit = MakeUnitLabel(Panel4, "LabelLeftUnit");
    ImageLeftScale = MakeImage(Panel4, "ImageLeftScale");
    PanelEcho = MakePanel(Panel3, "PanelEcho", Qt::black);
    LabelReadout = MakeReadoutLabel(PanelEcho);

    echoWindow_ = new QWindow;
    echoWindow_->setSurfaceType(QSurface::OpenGLSurface);
    // The container owns the window from here on.
    echoContainer_ = QWidget::createWindowContainer(echoWindow_, PanelEcho);
    echoContainer_->setObjectName(QStringLiteral("EchoWindowContainer"));
    LabelReadout->raise();

    resize(kDesignClientSidePx, kDesignClientSidePx);
    ArrangePanels();
    for (QObject* watched : std::initializer_list<QObject*>{Panel2, Panel4, PanelEcho, echoWindow_}) {
        watched->installEventFilter(this);
    }
    FormCreate();
}

TFormSrhiWindow::~TFormSrhiWindow() = default;

bool TFormSrhiWindow::InitSrhiRenderer(const std::uint8_t* palette, int count) {
    const int entries = palette != nullptr ? std::clamp(count, 0, kPaletteEntries) : 0;
    // The window's size when bound is the renderer's reference for the fan scale and the window
    // factor, so it gets the echo panel's size first, also while the form is still hidden.
    echoWindow_->resize(PanelEcho->size());
    const bool bound = renderer_.SetupEcho(echoWindow_, kEchoSamples, entries,
                                           std::span<const std::uint8_t>(palette, entries * 4));
    renderer_.RenderEcho(true);
    return bound;
}

void TFormSrhiWindow::PresentSrhi() {
    renderer_.RenderEcho(false);
    if (echoCursor_) {
        ShowEchoReadout(echoCursor_); // the new frame's gate under the resting mouse
    }
}

void TFormSrhiWindow::UpdateSrhiScales(double rangeKm) {
    DrawSrhiScales(rangeKm);
    if (echoCursor_) {
        ShowEchoReadout(echoCursor_);
    }
}

void TFormSrhiWindow::EchoCursorMoved(const std::optional<QPointF>& position) {
    echoCursor_ = position;
    ShowEchoReadout(position);
}

void TFormSrhiWindow::SetSrhiMode(int mode) {
    srhiMode_ = mode;
}

bool TFormSrhiWindow::CaptureSrhiWindow(TBitmap& bitmap) {
    if (size().isEmpty()) {
        return false;
    }
    // Drawn at one image pixel per window pixel, so the picture has the window's size on a
    // scaled desktop too.
    QImage picture(size(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    render(&picture);
    // The renderer's picture is not part of what the widgets render.
    const QRect echoArea(PanelEcho->mapTo(this, QPoint(0, 0)), PanelEcho->size());
    QImage echo(echoArea.size(), QImage::Format_RGB32);
    QPainter painter(&picture);
    if (!echoArea.isEmpty() && renderer_.ReadEchoBitmap(echo)) {
        painter.drawImage(echoArea, echo);
    } else {
        painter.fillRect(echoArea, Qt::black);
    }
    painter.end();
    return bitmap.AssignImage(picture);
}

void TFormSrhiWindow::DrawSrhiScales(double rangeKm) {
    UpdateSrhiScaleState(scales_, rangeKm, srhiMode_, PanelEcho->width(), PanelEcho->height());
    const double stepKm = SrhiTickStepKm(scales_.kmPerPixel);
    const double windowFactor =
        std::min(PanelEcho->width() / echoPanelDesignWidth_, PanelEcho->height() / echoPanelDesignHeight_);
    const auto sizeChanged = [](const TBitmap& bitmap, const QLabel& image) {
        return bitmap.Width() != image.width() || bitmap.Height() != image.height();
    };
    if (scales_.scalesDirty || sizeChanged(bottomScaleBitmap_, *ImageBottomScale)) {
        DrawBottomScale(stepKm, windowFactor);
    }
    if (scales_.scalesDirty || sizeChanged(leftScaleBitmap_, *ImageLeftScale)) {
        DrawLeftScale(stepKm);
    }
    scales_.scalesDirty = false;
}

void TFormSrhiWindow::DrawBottomScale(double stepKm, double windowFactor) {
    TBitmap& bitmap = bottomScaleBitmap_;
    PrepareScaleBitmap(bitmap, *ImageBottomScale);
    TCanvas& canvas = bitmap.Canvas();
    const int tick = scales_.tickLength;
    const int echoLeft = ImageLeftScale->width();
    const int imageWidth = ImageBottomScale->width();
    const int zeroWidth = canvas.TextWidth(QStringLiteral("0"));
    const int labelTop = tick + 1;
    auto drawTicks = [&](int originX, int direction, int lowestX, int highestX) {
        for (const SrhiTick& mark :
             SrhiTicks(originX, direction, direction < 0, stepKm, scales_.kmPerPixel, lowestX, highestX)) {
            canvas.Line(mark.positionPx, 0, mark.positionPx, tick);
            DrawTickLabel(canvas, mark.positionPx, labelTop, mark.label);
        }
    };
    if (scales_.scaleMode == 0) {
        canvas.TextOut(echoLeft - zeroWidth - tick - 1, labelTop, QStringLiteral("0"));
        renderer_.SetEchoOriginX(0.0);
        drawTicks(echoLeft, +1, kNoLimitLow, imageWidth);
    } else {
        const int halfEcho = (LabelBottomUnit->width() + 2 * kLabelMarginPx + imageWidth - echoLeft) / 2;
        const int centreX = echoLeft + halfEcho;
        canvas.Line(centreX, 0, centreX, tick);
        DrawTickLabel(canvas, centreX, labelTop, "0");
        // Height 0 at the echo panel's left edge.
        canvas.Line(echoLeft, 0, echoLeft - tick, 0);
        canvas.TextOut(echoLeft - zeroWidth - tick - 1, 0, QStringLiteral("0"));
        renderer_.SetEchoOriginX((PanelEcho->width() / 2) / windowFactor);
        drawTicks(centreX, +1, kNoLimitLow, imageWidth);
        drawTicks(centreX, -1, echoLeft, kNoLimitHigh);
    }
    ShowBitmap(*ImageBottomScale, bitmap);
}

void TFormSrhiWindow::DrawLeftScale(double stepKm) {
    TBitmap& bitmap = leftScaleBitmap_;
    PrepareScaleBitmap(bitmap, *ImageLeftScale);
    TCanvas& canvas = bitmap.Canvas();
    const int tick = scales_.tickLength;
    const int width = bitmap.Width();
    const int halfTextHeight = canvas.TextHeight() / 2;
    for (const SrhiTick& mark :
         SrhiTicks(ImageLeftScale->height(), -1, false, stepKm, scales_.kmPerPixel, 0, kNoLimitHigh)) {
        const QString text = QString::fromStdString(mark.label);
        canvas.Line(width, mark.positionPx, width - tick, mark.positionPx);
        canvas.TextOut(width - canvas.TextWidth(text) - tick - 1, mark.positionPx - halfTextHeight, text);
    }
    ShowBitmap(*ImageLeftScale, bitmap);
}

void TFormSrhiWindow::ShowEchoReadout(const std::optional<QPointF>& position) {
    QString text;
    if (position && OnEchoCursor) {
        const SrhiPointKm point = SrhiPanelPointKm(scales_, PanelEcho->width(), PanelEcho->height(),
                                                   static_cast<int>(std::floor(position->x())),
                                                   static_cast<int>(std::floor(position->y())));
        text = OnEchoCursor(point.distanceKm, point.heightKm);
    }
    LabelReadout->setText(text);
    LabelReadout->adjustSize();
    LabelReadout->move(std::max(PanelEcho->width() - LabelReadout->width(), 0), 0);
    LabelReadout->setVisible(!text.isEmpty());
}

void TFormSrhiWindow::ArrangePanels() {
    const int clientWidth = width();
    const int clientHeight = height();
    const QFontMetrics metrics(LabelBottomUnit->font());
    const int unitWidth = metrics.horizontalAdvance(LabelBottomUnit->text());
    const int unitHeight = metrics.height();
    const int upperHeight = std::max(clientHeight - kBottomPanelHeightPx, 0);
    const int echoWidth = std::max(clientWidth - kLeftPanelWidthPx, 0);
    const int leftImageTop = unitHeight + 2 * kLabelMarginPx;

    // Inner components first, so that every resize handler sees the finished layout.
    PanelEcho->setGeometry(kLeftPanelWidthPx, 0, echoWidth, upperHeight);
    echoContainer_->setGeometry(0, 0, echoWidth, upperHeight);
    LabelLeftUnit->setGeometry(kLabelMarginPx, kLabelMarginPx, kLeftPanelWidthPx - 2 * kLabelMarginPx,
                               unitHeight);
    ImageLeftScale->setGeometry(0, leftImageTop, kLeftPanelWidthPx, std::max(upperHeight - leftImageTop, 0));
    LabelBottomUnit->setGeometry(std::max(clientWidth - kLabelMarginPx - unitWidth, 0), kLabelMarginPx,
                                 unitWidth, kBottomPanelHeightPx - 2 * kLabelMarginPx);
    ImageBottomScale->setGeometry(0, 0, std::max(clientWidth - unitWidth - 2 * kLabelMarginPx, 0),
                                  kBottomPanelHeightPx);
    Panel3->setGeometry(0, 0, clientWidth, upperHeight);
    Panel4->setGeometry(0, 0, kLeftPanelWidthPx, upperHeight);
    Panel2->setGeometry(0, upperHeight, clientWidth, kBottomPanelHeightPx);
}

void TFormSrhiWindow::RenderEchoSoon() {
    // Rendering pumps events first, which must not happen inside a paint, show or resize
    // handler; so it runs once the handler has returned, once for any number of requests.
    if (renderPending_) {
        return;
    }
    renderPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            renderPending_ = false;
            renderer_.RenderEcho(true);
        },
        Qt::QueuedConnection);
}

void TFormSrhiWindow::FormCreate() {
    echoPanelDesignWidth_ = PanelEcho->width();
    echoPanelDesignHeight_ = PanelEcho->height();
}

void TFormSrhiWindow::FormShow() {
    const int outerWidth = srhiMode_ != 0 ? kShowWidth180 : kShowWidth90;
    resize(outerWidth - kFrameWidth, kShowHeight - kFrameHeight);
    ArrangePanels();
    DrawSrhiScales(0);
    RenderEchoSoon();
}

void TFormSrhiWindow::FormPaint() {
    RenderEchoSoon();
}

void TFormSrhiWindow::FormResize() {
    RenderEchoSoon();
}

void TFormSrhiWindow::PanelEchoResize() {
    RenderEchoSoon();
}

void TFormSrhiWindow::Panel2Resize() {
    DrawSrhiScales(0);
}

void TFormSrhiWindow::Panel4Resize() {
    DrawSrhiScales(0);
}

void TFormSrhiWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TFormSrhiWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    FormPaint();
}

void TFormSrhiWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrangePanels();
    FormResize();
}

bool TFormSrhiWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == Panel2) {
            Panel2Resize();
        } else if (watched == Panel4) {
            Panel4Resize();
        } else if (watched == PanelEcho) {
            PanelEchoResize();
        }
    } else if (watched == echoWindow_ && event->type() == QEvent::MouseMove) {
        EchoCursorMoved(static_cast<QMouseEvent*>(event)->position());
    } else if (watched == echoWindow_ && event->type() == QEvent::Leave) {
        EchoCursorMoved(std::nullopt);
    } else if (event->type() == QEvent::Expose && watched == echoWindow_) {
        // The renderer's window is uncovered on its own, apart from the form's paint.
        FormPaint();
    }
    return QWidget::eventFilter(watched, event);
}
