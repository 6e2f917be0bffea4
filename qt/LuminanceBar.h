// Luminance figures on a logarithmic scale of cd/m2 (nits): the display's
// range from its minimum to its maximum as a band, MaxCLL and MaxFALL as
// marks, each labelled. Hovering a mark shows its value.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <vector>

#include "status/ColourFigures.h"

namespace gui {

class LuminanceBar : public QWidget {
    Q_OBJECT

public:
    // The scale's ends, in cd/m2; values beyond them are held at the ends,
    // and 0 stands at the lower end.
    static constexpr double kLowestNits = 0.0001;
    static constexpr double kHighestNits = 100000;

    struct Mark {
        QString name;   // "MaxCLL"
        QString label;  // "CLL 1000"
        double nits = 0;
        QColor colour;
    };

    explicit LuminanceBar(QWidget* parent = nullptr);

    void setFigures(const boxstatus::LuminanceFigures& figures);
    const boxstatus::LuminanceFigures& figures() const { return figures_; }
    const std::vector<Mark>& marks() const { return marks_; }

    // The bar itself, and where a luminance lands on it.
    QRectF barRect() const;
    double xForNits(double nits) const;
    // The mark within reach of position, or -1; its text ("MaxCLL: 1000 nits").
    int markAt(QPointF position) const;
    QString markText(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    boxstatus::LuminanceFigures figures_;
    std::vector<Mark> marks_;
};

// A luminance as the labels write it: "1000", "0.005", "0".
QString nitsText(double nits);

}  // namespace gui
