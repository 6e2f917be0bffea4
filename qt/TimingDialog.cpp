#include "qt/TimingDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace gui {

TimingDialog::TimingDialog(const edid::TimingRequest& start, QWidget* parent)
    : QDialog(parent),
      method_(new QComboBox(this)),
      width_(new QSpinBox(this)),
      height_(new QSpinBox(this)),
      rate_(new QDoubleSpinBox(this)),
      vic_(new QComboBox(this)),
      preview_(new QLabel(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(tr("Add a detailed timing"));
    for (const std::string& name : edid::timingMethodNames()) {
        method_->addItem(QString::fromStdString(name));
    }
    method_->setCurrentIndex(static_cast<int>(start.method));
    width_->setRange(64, 8192);
    width_->setSuffix(tr(" px"));
    width_->setValue(start.width);
    height_->setRange(64, 8192);
    height_->setSuffix(tr(" lines"));
    height_->setValue(start.height);
    rate_->setRange(1, 500);
    rate_->setDecimals(3);
    rate_->setSuffix(tr(" Hz"));
    rate_->setValue(start.refreshHz);
    const auto vics = edid::vicTable();
    const auto names = edid::vicChoices();
    for (std::size_t i = 0; i < vics.size(); ++i) {
        vic_->addItem(QString::fromStdString(names[i]), vics[i].vic);
    }
    vic_->setCurrentIndex(std::max(0, vic_->findData(start.vic)));
    preview_->setWordWrap(true);
    preview_->setObjectName(QStringLiteral("timingPreview"));

    auto* form = new QFormLayout(this);
    form->addRow(tr("Method"), method_);
    form->addRow(tr("Width"), width_);
    form->addRow(tr("Height"), height_);
    form->addRow(tr("Refresh rate"), rate_);
    form->addRow(tr("VIC"), vic_);
    form->addRow(tr("Timing"), preview_);
    form->addRow(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(method_, &QComboBox::currentIndexChanged, this, &TimingDialog::update);
    connect(vic_, &QComboBox::currentIndexChanged, this, &TimingDialog::update);
    connect(width_, &QSpinBox::valueChanged, this, &TimingDialog::update);
    connect(height_, &QSpinBox::valueChanged, this, &TimingDialog::update);
    connect(rate_, &QDoubleSpinBox::valueChanged, this, &TimingDialog::update);
    update();
}

edid::TimingRequest TimingDialog::request() const {
    edid::TimingRequest r;
    r.method = static_cast<edid::TimingMethod>(method_->currentIndex());
    r.width = width_->value();
    r.height = height_->value();
    r.refreshHz = rate_->value();
    r.vic = vic_->currentData().toInt();
    return r;
}

QString TimingDialog::preview() const {
    return preview_->text();
}

void TimingDialog::update() {
    const bool byVic = method_->currentIndex() == static_cast<int>(edid::TimingMethod::Vic);
    width_->setEnabled(!byVic);
    height_->setEnabled(!byVic);
    rate_->setEnabled(!byVic);
    vic_->setEnabled(byVic);
    const edid::TimingResult result = edid::generateTiming(request());
    preview_->setText(result.timing ? QString::fromStdString(edid::describeTiming(*result.timing))
                                    : tr("Can't make this timing: %1")
                                          .arg(QString::fromStdString(result.error)));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(result.timing.has_value());
}

}  // namespace gui
