#include "app/Aboutboxversion.h"

#include "platform/Dwinmodule.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShowEvent>

namespace {

const char* const kCommentText = "Playback viewer for dual-polarisation weather radar scans";

} // namespace

TAboutBoxVersion::TAboutBoxVersion(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBoxVersion"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);

    ImageIcon = new QLabel(this);
    ImageIcon->setObjectName(QStringLiteral("ImageIcon"));
    ImageIcon->setGeometry(16, 16, 64, 64);
    ImageIcon->setPixmap(ApplicationIcon(64));

    LabelAppName = new QLabel(this);
    LabelAppName->setObjectName(QStringLiteral("LabelAppName"));
    LabelAppName->setGeometry(96, 20, 370, 24);
    QFont nameFont = LabelAppName->font();
    nameFont.setBold(true);
    nameFont.setPointSize(nameFont.pointSize() + 4);
    LabelAppName->setFont(nameFont);

    LabelVersion = new QLabel(this);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    LabelVersion->setGeometry(96, 52, 370, 20);

    LabelComment = new QLabel(QString::fromUtf8(kCommentText), this);
    LabelComment->setObjectName(QStringLiteral("LabelComment"));
    LabelComment->setGeometry(16, 100, 452, 20);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setGeometry((kClientWidth - 75) / 2, 140, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString TAboutBoxVersion::VersionText(int major, int minor) {
    return QString::asprintf(" Version:7310046-%02d.%02d", major, minor);
}

void TAboutBoxVersion::showEvent(QShowEvent* event) {
    LabelAppName->setText(QApplication::applicationName());
    const TFileVersion version = TWinModule::FileVersion();
    LabelVersion->setText(VersionText(version.major, version.minor));
    if (QWidget* owner = parentWidget()) {
        const QPoint centre = owner->mapToGlobal(owner->rect().center());
        move(centre - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}

QPixmap ApplicationIcon(int side) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF scope(1, 1, side - 2, side - 2);
    painter.setBrush(QColor(0, 0, 0));
    painter.setPen(QPen(QColor(160, 160, 160), 1));
    painter.drawEllipse(scope);
    // An echo in the north-east quadrant, then the rings over it.
    QPainterPath echo;
    echo.moveTo(scope.center());
    echo.arcTo(scope.adjusted(side * 0.12, side * 0.12, -side * 0.12, -side * 0.12), 20, 50);
    echo.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 200, 60));
    painter.drawPath(echo);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(220, 220, 220), 1));
    for (int ring = 1; ring <= 2; ++ring) {
        const double inset = side * ring / 6.0;
        painter.drawEllipse(scope.adjusted(inset, inset, -inset, -inset));
    }
    return pixmap;
}
