#include "app/Statuspanels.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>

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
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        const Panel& panel = panels_[i];
        QRect box(left, 1, panel.widthPx - 2, height() - 2);
        left += panel.widthPx;
        if (i + 1 == panels_.size()) {
            // The last panel reaches the right edge, and a text wider than that room takes the
            // room it needs from the right, over the panels before it, for as long as it is shown.
            const int needed = panel.text.isEmpty() ? 0 : TextWidth(panel.text) + 2 * kTextInsetPx + 2;
            box.setLeft(std::max(std::min(box.left(), width() - needed), 0));
            box.setRight(std::max(box.right(), width() - 1));
            painter.fillRect(box, palette().window());
        }
        if (box.width() > 0) {
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawRect(box.adjusted(0, 0, -1, -1));
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(box.adjusted(kTextInsetPx, 0, -kTextInsetPx, 0),
                             Qt::AlignVCenter | Qt::AlignLeft, panel.text);
        }
    }
}
