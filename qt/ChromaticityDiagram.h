// A CIE 1931 xy chromaticity diagram: the spectral locus, the BT.709,
// DCI-P3 and BT.2020 gamuts as faint references, and the primaries and white
// point of one colour space, each point labelled. Hovering a point shows its
// coordinates.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <span>
#include <vector>

#include "status/ColourFigures.h"

namespace gui {

// One sample of the spectral locus of the CIE 1931 2-degree observer.
struct LocusSample {
    int nanometres;
    double x;
    double y;
};
// 380 nm to 700 nm in steps of 5 nm.
std::span<const LocusSample> spectralLocus();

class ChromaticityDiagram : public QWidget {
    Q_OBJECT

public:
    // A point as drawn: its name ("Red"), its letter and its coordinates.
    struct Point {
        QString name;
        QString label;
        double x = 0;
        double y = 0;
        QColor colour;
    };

    explicit ChromaticityDiagram(QWidget* parent = nullptr);

    // Shows red, green, blue and white as far as given; an empty set shows
    // the references alone.
    void setPoints(const boxstatus::ColourPoints& points);
    const boxstatus::ColourPoints& colourPoints() const { return colour_; }
    const std::vector<Point>& points() const { return points_; }

    // Where a chromaticity lands in the widget, and back.
    QPointF toWidget(double x, double y) const;
    QPointF toChromaticity(QPointF position) const;
    // The point drawn within reach of position, or -1.
    int pointAt(QPointF position) const;
    // "Red: x 0.6400, y 0.3300".
    QString pointText(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The plot area: x 0 to 0.8 and y 0 to 0.9 at one scale.
    QRectF plotRect() const;
    // The locus, the grid and the references, drawn once per size.
    void drawBackground(QPainter& painter) const;
    void showPointTip(QPointF position, QPoint globalPosition);

    boxstatus::ColourPoints colour_;
    std::vector<Point> points_;
    QPixmap background_;
    int hovered_ = -1;
};

}  // namespace gui
