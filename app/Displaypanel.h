#pragma once

#include "platform/Bitmap.h"

#include <QWidget>
#include <functional>

/// An image control: shows its picture bitmap at its top-left corner, black where the picture
/// does not reach.
class TImage : public QWidget {
public:
    explicit TImage(QWidget* parent = nullptr);

    /// The picture shown; draw into it and call repaint() (or update()).
    TBitmap& Picture() { return picture_; }
    const TBitmap& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TBitmap picture_;
};

/// A black panel without caption that keeps its image controls filling it and reports its new
/// size whenever it is resized.
class TDisplayPanel : public QWidget {
public:
    explicit TDisplayPanel(QWidget* parent = nullptr);

    /// Called with the new width and height after every resize, once the panel's image controls
    /// have that size too.
    std::function<void(int width, int height)> OnResize;

protected:
    void resizeEvent(QResizeEvent* event) override;
};
