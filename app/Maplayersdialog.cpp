#include "app/Maplayersdialog.h"

#include "app/Gisinputtexts.h"
#include "platform/Dialogservice.h"
#include "platform/Localpath.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>

namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

bool TMapLayersDialog::Edit(QWidget* owner, std::vector<MapLayerSetting>& layers) {
    TMapLayersDialog dialog(owner, layers);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    layers = dialog.layers_;
    return true;
}

TMapLayersDialog::TMapLayersDialog(QWidget* owner, std::vector<MapLayerSetting> layers)
    : QDialog(owner), layers_(std::move(layers)) {
    setObjectName(QStringLiteral("MapLayersDialog"));
    setWindowTitle(Text(gisinputtext::LayersCaption));
    list_ = new QListWidget(this);
    auto* add = new QPushButton(Text(gisinputtext::AddButton), this);
    auto* remove = new QPushButton(Text(gisinputtext::RemoveButton), this);
    auto* colour = new QPushButton(Text(gisinputtext::ColourButton), this);
    width_ = new QDoubleSpinBox(this);
    width_->setRange(kSmallestLayerWidthPx, kLargestLayerWidthPx);
    width_->setSingleStep(0.5);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* side = new QVBoxLayout;
    side->addWidget(add);
    side->addWidget(remove);
    side->addWidget(colour);
    side->addWidget(new QLabel(Text(gisinputtext::WidthLabel), this));
    side->addWidget(width_);
    side->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(list_, 1);
    row->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    resize(560, 280);

    connect(add, &QPushButton::clicked, this, [this] { Add(); });
    connect(remove, &QPushButton::clicked, this, [this] { Remove(); });
    connect(colour, &QPushButton::clicked, this, [this] { ChooseColour(); });
    connect(width_, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        const int row = list_->currentRow();
        if (row >= 0 && row < static_cast<int>(layers_.size())) {
            layers_[static_cast<std::size_t>(row)].widthPx = value;
        }
    });
    connect(list_, &QListWidget::currentRowChanged, this, [this] { SelectionChanged(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Refill();
}

void TMapLayersDialog::Refill() {
    const int row = list_->currentRow();
    list_->clear();
    for (const MapLayerSetting& layer : layers_) {
        QPixmap swatch(16, 16);
        swatch.fill(QColor::fromRgb(0xFF000000U | layer.rgb));
        list_->addItem(new QListWidgetItem(QIcon(swatch), PathFromLocalBytes(layer.path)));
    }
    list_->setCurrentRow(std::min(row, static_cast<int>(layers_.size()) - 1));
    SelectionChanged();
}

void TMapLayersDialog::Add() {
    TFileDialogRequest request;
    request.kind = TFileDialogKind::Open;
    request.filter = Text(gisinputtext::VectorFilter);
    request.multiSelect = true;
    const TFileDialogAnswer answer = DialogService().RunFileDialog(this, request);
    for (const QString& file : answer.files) {
        const std::uint32_t colour = kLayerColours[layers_.size() % std::size(kLayerColours)];
        layers_.push_back({LocalPathBytes(file), colour, kDefaultLayerWidthPx});
    }
    Refill();
    list_->setCurrentRow(static_cast<int>(layers_.size()) - 1);
}

void TMapLayersDialog::Remove() {
    const int row = list_->currentRow();
    if (row >= 0 && row < static_cast<int>(layers_.size())) {
        layers_.erase(layers_.begin() + row);
        Refill();
    }
}

void TMapLayersDialog::ChooseColour() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(layers_.size())) {
        return;
    }
    MapLayerSetting& layer = layers_[static_cast<std::size_t>(row)];
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(0xFF000000U | layer.rgb), this);
    if (chosen.isValid()) {
        layer.rgb = chosen.rgb() & 0xFFFFFFU;
        Refill();
    }
}

void TMapLayersDialog::SelectionChanged() {
    const int row = list_->currentRow();
    const bool chosen = row >= 0 && row < static_cast<int>(layers_.size());
    width_->setEnabled(chosen);
    if (chosen) {
        width_->setValue(layers_[static_cast<std::size_t>(row)].widthPx);
    }
}
