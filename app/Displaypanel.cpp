#include "app/Displaypanel.h"

#include <QPainter>
#include <QRegion>
#include <QResizeEvent>

namespace {

void MakeBlack(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Qt::black);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

} // namespace

TImage::TImage(QWidget* parent) : QWidget(parent) {
    MakeBlack(*this);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TImage::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect pictureRect(0, 0, picture_.Width(), picture_.Height());
    if (!picture_.Empty()) {
        painter.drawImage(event->rect().intersected(pictureRect), picture_.Image(),
                          event->rect().intersected(pictureRect));
    }
    // Black only where the picture does not reach.
    for (const QRect& uncovered : QRegion(event->rect()).subtracted(QRegion(pictureRect))) {
        painter.fillRect(uncovered, Qt::black);
    }
}

TDisplayPanel::TDisplayPanel(QWidget* parent) : QWidget(parent) {
    MakeBlack(*this);
}

void TDisplayPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The image fills the panel at once, so that whoever composes its picture later sees the
    // panel's latest size, also when several resizes come in one burst (docking the playlist).
    for (TImage* image : findChildren<TImage*>(Qt::FindDirectChildrenOnly)) {
        image->resize(event->size());
    }
    if (OnResize) {
        OnResize(event->size().width(), event->size().height());
    }
}
