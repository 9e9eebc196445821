#include "app/Displaypanel.h"

#include <QPainter>
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
    painter.fillRect(event->rect(), Qt::black);
    if (!picture_.Empty()) {
        painter.drawImage(0, 0, picture_.Image());
    }
}

TDisplayPanel::TDisplayPanel(QWidget* parent) : QWidget(parent) {
    MakeBlack(*this);
}

void TDisplayPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (OnResize) {
        OnResize(event->size().width(), event->size().height());
    }
}
