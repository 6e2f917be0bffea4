// The timing generator of the EDIT view: a size, a rate and a method (CVT,
// CVT with reduced blanking v1 or v2, or a CTA-861 VIC), with the timing they
// give shown before it is taken.
#pragma once

#include <QDialog>

#include "edid/EditTree.h"

class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

namespace gui {

class TimingDialog : public QDialog {
    Q_OBJECT

public:
    explicit TimingDialog(const edid::TimingRequest& start, QWidget* parent = nullptr);

    edid::TimingRequest request() const;
    // The resulting timing, or why there is none.
    QString preview() const;

private:
    void update();

    QComboBox* method_;
    QSpinBox* width_;
    QSpinBox* height_;
    QDoubleSpinBox* rate_;
    QComboBox* vic_;
    QLabel* preview_;
    QDialogButtonBox* buttons_;
};

}  // namespace gui
