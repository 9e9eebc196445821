#include "app/Statuspanels.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyleOption>

namespace {

bool Valid(int panel) {
    return panel >= 0 && panel < TStatusBar::kPanelCount;
}

constexpr int kTextInsetPx = 3;

} // namespace

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    setFixedHeight(kHeight);
}

QString TStatusBar::PanelText(int panel) const {
    return Valid(panel) ? panels_[static_cast<std::size_t>(panel)].text : QString();
}

void TStatusBar::SetPanelText(int panel, const QString& text) {
    if (Valid(panel) && panels_[static_cast<std::size_t>(panel)].text != text) {
        panels_[static_cast<std::size_t>(panel)].text = text;
        update();
    }
}

int TStatusBar::PanelWidth(int panel) const {
    return Valid(panel) ? panels_[static_cast<std::size_t>(panel)].widthPx : 0;
}

void TStatusBar::SetPanelWidth(int panel, int widthPx) {
    if (Valid(panel)) {
        panels_[static_cast<std::size_t>(panel)].widthPx = widthPx < 0 ? 0 : widthPx;
        update();
    }
}

int TStatusBar::TextWidth(const QString& text) const {
    return QFontMetrics(font()).horizontalAdvance(text);
}

QSize TStatusBar::sizeHint() const {
    return {QStatusBar::sizeHint().width(), kHeight};
}

void TStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    int left = 0;
    for (const Panel& panel : panels_) {
        if (panel.widthPx > 0) {
            const QRect box(left, 1, panel.widthPx - 2, height() - 2);
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawRect(box.adjusted(0, 0, -1, -1));
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(box.adjusted(kTextInsetPx, 0, -kTextInsetPx, 0),
                             Qt::AlignVCenter | Qt::AlignLeft, panel.text);
        }
        left += panel.widthPx;
    }
}
