#include "ui/cutter/SilenceDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

SilenceDialog::SilenceDialog(const SilenceSplitSettings& values, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("Add Pieces at Silences");
    threshold_ = new QDoubleSpinBox(this);
    threshold_->setRange(-100.0, 0.0);
    threshold_->setDecimals(1);
    threshold_->setSingleStep(1.0);
    threshold_->setSuffix(" dBFS");
    threshold_->setValue(values.SilenceThreshold / 10.0);
    minimum_ = new QDoubleSpinBox(this);
    minimum_->setRange(0.1, 3600.0);
    minimum_->setDecimals(1);
    minimum_->setSingleStep(0.1);
    minimum_->setSuffix(" s");
    minimum_->setValue(values.SilenceMinLength / 10.0);

    auto* form = new QFormLayout;
    form->addRow("Silence is &below:", threshold_);
    form->addRow("&Lasting at least:", minimum_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    // Wide enough for the title: window managers cut a title short rather than widen the frame.
    // The room beside it holds the frame's icon and its buttons.
    setFixedSize(std::max(sizeHint().width(), TitleWidth() + kTitleBarRoom), sizeHint().height());
}

int SilenceDialog::TitleWidth() const
{
    QFont titleFont = font();
    titleFont.setBold(true);
    return QFontMetrics(titleFont).horizontalAdvance(windowTitle());
}

SilenceSplitSettings SilenceDialog::Values() const
{
    SilenceSplitSettings values;
    values.SilenceThreshold = static_cast<int32_t>(std::lround(threshold_->value() * 10.0));
    values.SilenceMinLength = static_cast<int32_t>(std::lround(minimum_->value() * 10.0));
    return values;
}
