#include "qt/LuminanceBar.h"

#include <QHelpEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace gui {

namespace {

constexpr int kSide = 4;        // room left and right of the bar
constexpr double kBarHeight = 12;
constexpr double kReach = 4;    // pixels beside a mark that hovering finds it
const QColor kRangeColour(230, 120, 0);
const QColor kCllColour(200, 20, 20);
const QColor kFallColour(30, 70, 220);

QFont smallFont(const QFont& base) {
    QFont small = base;
    small.setPointSizeF(std::max(5.5, base.pointSizeF() * 0.75));
    return small;
}

}  // namespace

QString nitsText(double nits) {
    if (nits >= 1 || nits == 0) {
        return QString::number(nits, 'f', 0);
    }
    // Up to four decimals, without trailing zeros: 0.005, 0.0001.
    QString text = QString::number(nits, 'f', 4);
    while (text.endsWith(QLatin1Char('0'))) {
        text.chop(1);
    }
    return text;
}

LuminanceBar::LuminanceBar(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void LuminanceBar::setFigures(const boxstatus::LuminanceFigures& figures) {
    if (figures == figures_) {
        return;
    }
    figures_ = figures;
    marks_.clear();
    const auto add = [this](const std::optional<double>& nits, const char* name, const char* tag,
                            QColor colour) {
        if (nits) {
            marks_.push_back({QString::fromLatin1(name),
                              QStringLiteral("%1 %2").arg(QLatin1String(tag), nitsText(*nits)),
                              *nits, colour});
        }
    };
    add(figures.maxDisplay, "Max Display Luminance", "max", kRangeColour);
    add(figures.minDisplay, "Min Display Luminance", "min", kRangeColour);
    add(figures.maxCll, "MaxCLL", "CLL", kCllColour);
    add(figures.maxFall, "MaxFALL", "FALL", kFallColour);
    update();
}

QRectF LuminanceBar::barRect() const {
    const QFontMetricsF metrics(smallFont(font()));
    // Two rows of mark labels above, the decades below.
    const double top = 2 * metrics.height() + 2;
    return QRectF(kSide, top, std::max(1, width() - 2 * kSide), kBarHeight);
}

double LuminanceBar::xForNits(double nits) const {
    const QRectF bar = barRect();
    const double low = std::log10(kLowestNits);
    const double high = std::log10(kHighestNits);
    const double at = nits > 0 ? std::clamp(std::log10(nits), low, high) : low;
    return bar.left() + (at - low) / (high - low) * bar.width();
}

int LuminanceBar::markAt(QPointF position) const {
    const QRectF bar = barRect();
    if (position.y() < 0 || position.y() > bar.bottom() + 2) {
        return -1;
    }
    int found = -1;
    double best = kReach;
    for (std::size_t i = 0; i < marks_.size(); ++i) {
        const double distance = std::abs(xForNits(marks_[i].nits) - position.x());
        if (distance <= best) {
            best = distance;
            found = static_cast<int>(i);
        }
    }
    return found;
}

QString LuminanceBar::markText(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= marks_.size()) {
        return {};
    }
    const Mark& mark = marks_[static_cast<std::size_t>(index)];
    return QStringLiteral("%1: %2 nits").arg(mark.name, nitsText(mark.nits));
}

QSize LuminanceBar::sizeHint() const {
    return {240, minimumSizeHint().height()};
}

QSize LuminanceBar::minimumSizeHint() const {
    const QFontMetricsF metrics(smallFont(font()));
    return {120, static_cast<int>(std::ceil(3 * metrics.height() + kBarHeight + 4))};
}

bool LuminanceBar::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int index = markAt(help->pos());
        if (index >= 0) {
            QToolTip::showText(help->globalPos(), markText(index), this);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void LuminanceBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFont small = smallFont(font());
    painter.setFont(small);
    const QFontMetricsF metrics(small);
    const QRectF bar = barRect();

    // Dark to bright along the scale.
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    gradient.setColorAt(0, QColor(10, 10, 10));
    gradient.setColorAt(0.55, QColor(150, 150, 150));
    gradient.setColorAt(1, QColor(255, 255, 245));
    painter.fillRect(bar, gradient);
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(bar);

    // Decades: a tick each, a number every second one.
    for (int decade = -4; decade <= 5; ++decade) {
        const double x = xForNits(std::pow(10.0, decade));
        painter.setPen(QColor(90, 90, 90));
        painter.drawLine(QPointF(x, bar.bottom()), QPointF(x, bar.bottom() + 2));
        if (decade % 2 == 0) {
            const QString text = nitsText(std::pow(10.0, decade));
            const double w = metrics.horizontalAdvance(text);
            const double left = std::max(0.0, std::min(x - w / 2, width() - w));
            painter.drawText(QPointF(left, bar.bottom() + 2 + metrics.ascent()), text);
        }
    }
    if (marks_.empty()) {
        painter.setPen(QColor(90, 90, 90));
        painter.drawText(QRectF(0, 0, width(), bar.top()), Qt::AlignCenter,
                         tr("no luminance data"));
        return;
    }

    // The display's range as a band over the bar.
    if (figures_.maxDisplay && figures_.minDisplay) {
        const double left = xForNits(*figures_.minDisplay);
        const double right = xForNits(*figures_.maxDisplay);
        QColor band = kRangeColour;
        band.setAlpha(80);
        painter.fillRect(QRectF(QPointF(std::min(left, right), bar.top() + 3),
                                QPointF(std::max(left, right), bar.bottom() - 3)),
                         band);
    }
    // Marks, their labels in two rows above so that none hides another.
    std::vector<QRectF> placed;
    for (const Mark& mark : marks_) {
        const double x = xForNits(mark.nits);
        painter.setPen(QPen(mark.colour, 2));
        painter.drawLine(QPointF(x, bar.top() - 2), QPointF(x, bar.bottom()));
        const double w = metrics.horizontalAdvance(mark.label);
        QRectF label(std::max(0.0, std::min(x - w / 2, width() - w)), 0, w,
                     metrics.height());
        const auto clear = [&placed](const QRectF& r) {
            return std::none_of(placed.begin(), placed.end(), [&r](const QRectF& other) {
                return other.adjusted(-3, 0, 3, 0).intersects(r);
            });
        };
        label.moveTop(metrics.height());
        if (!clear(label)) {
            label.moveTop(0);
        }
        // Both rows taken here: right of what the upper row holds.
        while (!clear(label) && label.right() < width()) {
            label.moveLeft(label.left() + 4);
        }
        placed.push_back(label);
        painter.setPen(mark.colour.darker(120));
        painter.drawText(label, Qt::AlignCenter, mark.label);
    }
}

}  // namespace gui
