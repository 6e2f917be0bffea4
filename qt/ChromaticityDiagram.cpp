#include "qt/ChromaticityDiagram.h"

#include <QHelpEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>
#include <array>
#include <cmath>

namespace gui {

namespace {

constexpr LocusSample kLocus[] = {
    {380, 0.1741, 0.0050}, {385, 0.1740, 0.0050}, {390, 0.1738, 0.0049}, {395, 0.1736, 0.0049},
    {400, 0.1733, 0.0048}, {405, 0.1730, 0.0048}, {410, 0.1726, 0.0048}, {415, 0.1721, 0.0048},
    {420, 0.1714, 0.0051}, {425, 0.1703, 0.0058}, {430, 0.1689, 0.0069}, {435, 0.1669, 0.0086},
    {440, 0.1644, 0.0109}, {445, 0.1611, 0.0138}, {450, 0.1566, 0.0177}, {455, 0.1510, 0.0227},
    {460, 0.1440, 0.0297}, {465, 0.1355, 0.0399}, {470, 0.1241, 0.0578}, {475, 0.1096, 0.0868},
    {480, 0.0913, 0.1327}, {485, 0.0687, 0.2007}, {490, 0.0454, 0.2950}, {495, 0.0235, 0.4127},
    {500, 0.0082, 0.5384}, {505, 0.0039, 0.6548}, {510, 0.0139, 0.7502}, {515, 0.0389, 0.8120},
    {520, 0.0743, 0.8338}, {525, 0.1142, 0.8262}, {530, 0.1547, 0.8059}, {535, 0.1929, 0.7816},
    {540, 0.2296, 0.7543}, {545, 0.2658, 0.7243}, {550, 0.3016, 0.6923}, {555, 0.3373, 0.6589},
    {560, 0.3731, 0.6245}, {565, 0.4087, 0.5896}, {570, 0.4441, 0.5547}, {575, 0.4788, 0.5202},
    {580, 0.5125, 0.4866}, {585, 0.5448, 0.4544}, {590, 0.5752, 0.4242}, {595, 0.6029, 0.3965},
    {600, 0.6270, 0.3725}, {605, 0.6482, 0.3514}, {610, 0.6658, 0.3340}, {615, 0.6801, 0.3197},
    {620, 0.6915, 0.3083}, {625, 0.7006, 0.2993}, {630, 0.7079, 0.2920}, {635, 0.7140, 0.2859},
    {640, 0.7190, 0.2809}, {645, 0.7230, 0.2770}, {650, 0.7260, 0.2740}, {655, 0.7283, 0.2717},
    {660, 0.7300, 0.2700}, {665, 0.7311, 0.2689}, {670, 0.7320, 0.2680}, {675, 0.7327, 0.2673},
    {680, 0.7334, 0.2666}, {685, 0.7340, 0.2660}, {690, 0.7344, 0.2656}, {695, 0.7346, 0.2654},
    {700, 0.7347, 0.2653},
};

// The reference gamuts: red, green, blue.
struct Gamut {
    const char* name;
    std::array<QPointF, 3> primaries;
};
const Gamut kGamuts[] = {
    {"709", {QPointF(0.640, 0.330), QPointF(0.300, 0.600), QPointF(0.150, 0.060)}},
    {"P3", {QPointF(0.680, 0.320), QPointF(0.265, 0.690), QPointF(0.150, 0.060)}},
    {"2020", {QPointF(0.708, 0.292), QPointF(0.170, 0.797), QPointF(0.131, 0.046)}},
};

constexpr double kRangeX = 0.8;
constexpr double kRangeY = 0.9;
constexpr int kLeftMargin = 20;
constexpr int kBottomMargin = 13;
constexpr int kEdge = 4;
constexpr double kReach = 7;  // pixels around a point that hovering finds it
constexpr double kDotRadius = 3.5;

// A chromaticity as sRGB, lightened so that what is drawn on it stands out.
QRgb locusColour(double x, double y) {
    if (y <= 0) {
        return qRgb(255, 255, 255);
    }
    const double X = x / y;
    const double Z = (1 - x - y) / y;
    std::array<double, 3> rgb = {3.2406 * X - 1.5372 - 0.4986 * Z,
                                 -0.9689 * X + 1.8758 + 0.0415 * Z,
                                 0.0557 * X - 0.2040 + 1.0570 * Z};
    double top = 0;
    for (double& c : rgb) {
        c = std::max(c, 0.0);
        top = std::max(top, c);
    }
    std::array<int, 3> out{};
    for (std::size_t i = 0; i < 3; ++i) {
        const double c = top > 0 ? std::pow(rgb[i] / top, 1 / 2.2) : 1;
        out[i] = static_cast<int>(std::lround(255 * (0.55 * c + 0.45)));
    }
    return qRgb(out[0], out[1], out[2]);
}

}  // namespace

std::span<const LocusSample> spectralLocus() {
    return kLocus;
}

ChromaticityDiagram::ChromaticityDiagram(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ChromaticityDiagram::setPoints(const boxstatus::ColourPoints& points) {
    if (points == colour_) {
        return;
    }
    colour_ = points;
    points_.clear();
    const auto add = [this](const std::optional<boxstatus::ChromaPoint>& p, const char* name,
                            const char* label, QColor colour) {
        if (p) {
            points_.push_back({QString::fromLatin1(name), QString::fromLatin1(label), p->x, p->y,
                               colour});
        }
    };
    add(points.red, "Red", "R", QColor(220, 30, 30));
    add(points.green, "Green", "G", QColor(20, 170, 40));
    add(points.blue, "Blue", "B", QColor(40, 60, 230));
    add(points.white, "White", "W", QColor(255, 255, 255));
    hovered_ = -1;
    update();
}

QRectF ChromaticityDiagram::plotRect() const {
    const double width = std::max(1, this->width() - kLeftMargin - kEdge);
    const double height = std::max(1, this->height() - kBottomMargin - kEdge);
    const double scale = std::min(width / kRangeX, height / kRangeY);
    // At the top, in the middle of the width.
    return QRectF(kLeftMargin + (width - scale * kRangeX) / 2, kEdge, scale * kRangeX,
                  scale * kRangeY);
}

QPointF ChromaticityDiagram::toWidget(double x, double y) const {
    const QRectF plot = plotRect();
    return {plot.left() + x / kRangeX * plot.width(), plot.bottom() - y / kRangeY * plot.height()};
}

QPointF ChromaticityDiagram::toChromaticity(QPointF position) const {
    const QRectF plot = plotRect();
    return {(position.x() - plot.left()) / plot.width() * kRangeX,
            (plot.bottom() - position.y()) / plot.height() * kRangeY};
}

int ChromaticityDiagram::pointAt(QPointF position) const {
    int found = -1;
    double best = kReach * kReach;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const QPointF d = toWidget(points_[i].x, points_[i].y) - position;
        const double distance = QPointF::dotProduct(d, d);
        if (distance <= best) {
            best = distance;
            found = static_cast<int>(i);
        }
    }
    return found;
}

QString ChromaticityDiagram::pointText(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= points_.size()) {
        return {};
    }
    const Point& p = points_[static_cast<std::size_t>(index)];
    return QStringLiteral("%1: x %2, y %3")
        .arg(p.name, QString::number(p.x, 'f', 4), QString::number(p.y, 'f', 4));
}

QSize ChromaticityDiagram::sizeHint() const {
    return {220, 235};
}

QSize ChromaticityDiagram::minimumSizeHint() const {
    return {120, 125};
}

bool ChromaticityDiagram::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        showPointTip(help->pos(), help->globalPos());
        return true;
    }
    if (event->type() == QEvent::Leave) {
        hovered_ = -1;
        QToolTip::hideText();
    }
    return QWidget::event(event);
}

void ChromaticityDiagram::mouseMoveEvent(QMouseEvent* event) {
    showPointTip(event->position(), event->globalPosition().toPoint());
    QWidget::mouseMoveEvent(event);
}

void ChromaticityDiagram::showPointTip(QPointF position, QPoint globalPosition) {
    const int index = pointAt(position);
    if (index < 0) {
        if (hovered_ >= 0) {
            QToolTip::hideText();
        }
    } else if (index != hovered_ || !QToolTip::isVisible()) {
        QToolTip::showText(globalPosition, pointText(index), this);
    }
    hovered_ = index;
}

void ChromaticityDiagram::resizeEvent(QResizeEvent* event) {
    background_ = QPixmap();
    QWidget::resizeEvent(event);
}

void ChromaticityDiagram::drawBackground(QPainter& painter) const {
    const QRectF plot = plotRect();
    QPainterPath locus(toWidget(kLocus[0].x, kLocus[0].y));
    for (const LocusSample& s : std::span(kLocus).subspan(1)) {
        locus.lineTo(toWidget(s.x, s.y));
    }
    locus.closeSubpath();  // the line of purples

    // The colours inside the locus.
    const QRect area = locus.boundingRect().toAlignedRect();
    QImage fill(area.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    for (int row = 0; row < fill.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(fill.scanLine(row));
        for (int column = 0; column < fill.width(); ++column) {
            const QPointF xy = toChromaticity(QPointF(area.left() + column + 0.5, area.top() + row + 0.5));
            line[column] = locusColour(xy.x(), xy.y());
        }
    }
    painter.save();
    painter.setClipPath(locus);
    painter.drawImage(area.topLeft(), fill);
    painter.restore();

    // Grid and axes every 0.1, numbers every 0.2.
    QFont small = font();
    small.setPointSizeF(std::max(5.5, small.pointSizeF() * 0.7));
    painter.setFont(small);
    painter.setPen(QPen(QColor(0, 0, 0, 28), 0));
    for (int i = 0; i <= 9; ++i) {
        const double v = i / 10.0;
        if (v <= kRangeX + 1e-9) {
            painter.drawLine(toWidget(v, 0), toWidget(v, kRangeY));
        }
        painter.drawLine(toWidget(0, v), toWidget(kRangeX, v));
    }
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(plot);
    for (int i = 2; i <= 8; i += 2) {
        const double v = i / 10.0;
        const QString text = QString::number(v, 'f', 1);
        if (v <= kRangeX + 1e-9) {
            const QPointF at = toWidget(v, 0);
            painter.drawText(QRectF(at.x() - 12, plot.bottom() + 1, 24, kBottomMargin),
                             Qt::AlignHCenter | Qt::AlignTop, text);
        }
        const QPointF at = toWidget(0, v);
        painter.drawText(QRectF(plot.left() - kLeftMargin, at.y() - 6, kLeftMargin - 2, 12),
                         Qt::AlignRight | Qt::AlignVCenter, text);
    }

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(60, 60, 60, 160), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(locus);

    // The references: faint, named at their green corner.
    const QColor faint(40, 40, 40, 90);
    painter.setPen(QPen(faint, 1, Qt::DashLine));
    for (const Gamut& gamut : kGamuts) {
        QPolygonF triangle;
        for (const QPointF& p : gamut.primaries) {
            triangle << toWidget(p.x(), p.y());
        }
        painter.drawPolygon(triangle);
        painter.drawText(triangle[1] + QPointF(3, -2), QString::fromLatin1(gamut.name));
    }
}

void ChromaticityDiagram::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (background_.isNull() || background_.size() != size() * ratio) {
        background_ = QPixmap(size() * ratio);
        background_.setDevicePixelRatio(ratio);
        background_.fill(palette().color(QPalette::Base));
        QPainter painter(&background_);
        drawBackground(painter);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
    painter.setRenderHint(QPainter::Antialiasing);

    if (points_.empty()) {
        painter.setPen(QColor(90, 90, 90));
        const QRectF plot = plotRect();
        painter.drawText(plot.adjusted(plot.width() * 0.35, 0, 0, -plot.height() * 0.55),
                         Qt::AlignCenter, tr("no colour data"));
        return;
    }
    // The colour space's gamut, when all three primaries are given.
    const auto& c = colour_;
    if (c.red && c.green && c.blue) {
        const QPolygonF triangle = {toWidget(c.red->x, c.red->y), toWidget(c.green->x, c.green->y),
                                    toWidget(c.blue->x, c.blue->y)};
        painter.setPen(QPen(QColor(0, 0, 0), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(triangle);
    }
    // Points, labelled away from the middle of the diagram.
    const QPointF middle = toWidget(0.33, 0.33);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    const QFontMetricsF metrics(bold);
    for (const Point& p : points_) {
        const QPointF at = toWidget(p.x, p.y);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(p.colour);
        painter.drawEllipse(at, kDotRadius, kDotRadius);
        QPointF away = at - middle;
        const double length = std::hypot(away.x(), away.y());
        away = length > 1 ? away / length : QPointF(1, -1) / std::sqrt(2.0);
        if (p.label == QLatin1String("W")) {
            away = QPointF(0.8, 0.6);  // below right, clear of the triangle's corners
        }
        const QSizeF box = metrics.size(0, p.label);
        const QPointF centre = at + away * (kDotRadius + 2 + box.width() * 0.75);
        QRectF text(centre - QPointF(box.width() / 2, box.height() / 2), box);
        // Keep the label inside the widget.
        text.moveLeft(std::max(0.0, std::min(text.left(), width() - text.width())));
        text.moveTop(std::max(0.0, std::min(text.top(), height() - text.height())));
        painter.setPen(p.label == QLatin1String("W") ? QColor(60, 60, 60) : p.colour.darker(130));
        painter.drawText(text, Qt::AlignCenter, p.label);
    }
}

}  // namespace gui
