#pragma once

#include <QDialog>

class QLabel;

/// The About box: the application's name, its version as " Version:7310046-%02d.%02d" and a
/// fixed line, with an icon and an OK button; fixed size, client 484 x 187, caption "バージョン情報",
/// centred on its parent (the main window) when shown.
class TAboutBoxVersion : public QDialog {
public:
    static constexpr int kClientWidth = 484;
    static constexpr int kClientHeight = 187;

    explicit TAboutBoxVersion(QWidget* parent = nullptr);

    /// " Version:7310046-%02d.%02d" of a major and minor version.
    static QString VersionText(int major, int minor);

    QLabel* LabelAppName = nullptr;
    QLabel* LabelVersion = nullptr;
    QLabel* LabelComment = nullptr;
    QLabel* ImageIcon = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

/// The application's icon: a radar scope with an echo, drawn at `side` pixels.
QPixmap ApplicationIcon(int side);

inline TAboutBoxVersion* AboutBoxVersion = nullptr;
