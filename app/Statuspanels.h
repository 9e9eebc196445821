#pragma once

#include <QStatusBar>
#include <QString>
#include <array>

/// The main window's status bar: seven panels side by side from the left edge, each of its own
/// width and showing one line of text. Panels that do not fit are cut off at the right edge; the
/// panels never widen the window. The last panel is drawn on to the right edge, and while its text
/// is wider than that it is drawn as wide as the text over the panels before it (which keep their
/// texts and widths).
class TStatusBar : public QStatusBar {
public:
    static constexpr int kPanelCount = 7;
    static constexpr int kHeight = 21;
    /// Width of a panel nobody sized.
    static constexpr int kDefaultPanelWidth = 50;

    explicit TStatusBar(QWidget* parent = nullptr);

    /// Panel i's text; empty for an index outside 0..6.
    QString PanelText(int panel) const;
    /// Sets panel i's text; nothing happens for an index outside 0..6.
    void SetPanelText(int panel, const QString& text);
    /// Panel i's width in pixels (0 outside 0..6).
    int PanelWidth(int panel) const;
    /// Sets panel i's width (negative counts as 0); nothing happens for an index outside 0..6.
    void SetPanelWidth(int panel, int widthPx);
    /// Width of `text` in the status bar's font.
    int TextWidth(const QString& text) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Panel {
        QString text;
        int widthPx = kDefaultPanelWidth;
    };
    std::array<Panel, kPanelCount> panels_{};
};
