// Draws the utility's picture of the box: its front with its inputs and
// outputs (Vortilan2_main2.png). The programs' icon is vortilan2.svg beside
// this file, in the same colours; the build renders it.
//
//   vortilan2-art <output directory>
//
// The PNG file in forms/ is made by this program; rerun it after a change
// here (cmake --build <dir> --target vortilan2_art_png).
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

const QColor kBodyTop(0x3a, 0x40, 0x48);
const QColor kBodyBottom(0x1c, 0x20, 0x26);
const QColor kAccent(0x2f, 0xa8, 0xff);
const QColor kLabel(0xd8, 0xdd, 0xe3);

QFont font(int pixelSize, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// An HDMI socket opening seen from the front: a wide trapezoid with a tongue.
void drawHdmiPort(QPainter& p, const QRectF& r) {
    const qreal cut = r.height() * 0.32;
    QPainterPath shell;
    shell.moveTo(r.left(), r.top());
    shell.lineTo(r.right(), r.top());
    shell.lineTo(r.right(), r.bottom() - cut);
    shell.lineTo(r.right() - cut, r.bottom());
    shell.lineTo(r.left() + cut, r.bottom());
    shell.lineTo(r.left(), r.bottom() - cut);
    shell.closeSubpath();
    p.setPen(QPen(QColor(0xb8, 0xbe, 0xc6), 1.6));
    p.setBrush(QColor(0x0b, 0x0d, 0x10));
    p.drawPath(shell);
    const QRectF tongue(r.left() + r.width() * 0.14, r.top() + r.height() * 0.28, r.width() * 0.72,
                        r.height() * 0.22);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x55, 0x5c, 0x66));
    p.drawRoundedRect(tongue, 1.5, 1.5);
}

void drawLed(QPainter& p, const QPointF& c, qreal radius, const QColor& colour) {
    QRadialGradient glow(c, radius * 3);
    QColor halo = colour;
    halo.setAlpha(90);
    glow.setColorAt(0, halo);
    glow.setColorAt(1, Qt::transparent);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, radius * 3, radius * 3);
    p.setBrush(colour);
    p.drawEllipse(c, radius, radius);
}

QImage drawFront() {
    const int width = 860;
    const int height = 106;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Shadow, then the box's front plate.
    const QRectF plate(10, 5, width - 20, height - 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawRoundedRect(plate.translated(0, 5), 12, 12);
    QLinearGradient g(plate.topLeft(), plate.bottomLeft());
    g.setColorAt(0, kBodyTop);
    g.setColorAt(0.5, QColor(0x2a, 0x2f, 0x36));
    g.setColorAt(1, kBodyBottom);
    p.setBrush(g);
    p.setPen(QPen(QColor(0x0e, 0x10, 0x13), 1.5));
    p.drawRoundedRect(plate, 12, 12);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawLine(QPointF(plate.left() + 12, plate.top() + 2),
               QPointF(plate.right() - 12, plate.top() + 2));

    // Name plate and power light.
    p.setFont(font(27, true));
    p.setPen(Qt::white);
    const QRectF nameBox(plate.left() + 24, plate.top() + 10, 230, 36);
    p.drawText(nameBox, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("VORTILAN"));
    const QFontMetricsF metrics(p.font());
    const qreal nameWidth = metrics.horizontalAdvance(QStringLiteral("VORTILAN"));
    p.setPen(kAccent);
    p.drawText(QRectF(nameBox.left() + nameWidth + 2, nameBox.top(), 40, nameBox.height()),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("2"));
    p.setFont(font(11, false));
    p.setPen(QColor(0x9a, 0xa3, 0xad));
    p.drawText(QRectF(nameBox.left(), nameBox.bottom(), 260, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("HDMI VIDEO PROCESSOR"));
    drawLed(p, QPointF(plate.left() + 28, plate.bottom() - 13), 3.5, kAccent);
    p.setFont(font(10, false));
    p.setPen(QColor(0x9a, 0xa3, 0xad));
    p.drawText(QRectF(plate.left() + 38, plate.bottom() - 21, 60, 16),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("POWER"));

    // Ports: two inputs, a divider, two outputs, each with its label below.
    struct Port {
        const char* top;
        const char* bottom;
        bool input;
    };
    const Port ports[] = {
        {"IN 0", "BOT", true}, {"IN 1", "TOP", true}, {"OUT", "TX0", false}, {"OUT", "TX1", false}};
    const qreal portWidth = 64;
    const qreal portHeight = 24;
    const qreal firstX = 310;
    const qreal gap = 112;
    const qreal groupGap = 52;
    const qreal portTop = plate.top() + 21;
    for (int i = 0; i < 4; ++i) {
        const qreal x = firstX + i * gap + (ports[i].input ? 0 : groupGap);
        const QRectF hole(x, portTop, portWidth, portHeight);
        drawHdmiPort(p, hole);
        drawLed(p, QPointF(x + portWidth + 10, portTop + 5), 2.5,
                ports[i].input ? QColor(0x46, 0xd1, 0x6a) : kAccent);
        p.setFont(font(12, true));
        p.setPen(kLabel);
        const QRectF label(x - 20, hole.bottom() + 6, portWidth + 40, 18);
        p.drawText(label, Qt::AlignHCenter | Qt::AlignVCenter,
                   QStringLiteral("%1  %2").arg(QLatin1String(ports[i].top),
                                                QLatin1String(ports[i].bottom)));
    }
    // Section captions above the two port groups.
    p.setFont(font(10, true));
    p.setPen(QColor(0x9a, 0xa3, 0xad));
    const qreal inputsMid = firstX + (gap + portWidth) / 2;
    const qreal outputsMid = firstX + 2 * gap + groupGap + (gap + portWidth) / 2;
    p.drawText(QRectF(inputsMid - 80, plate.top() + 3, 160, 16), Qt::AlignCenter,
               QStringLiteral("HDMI INPUTS"));
    p.drawText(QRectF(outputsMid - 80, plate.top() + 3, 160, 16), Qt::AlignCenter,
               QStringLiteral("HDMI OUTPUTS"));
    const qreal dividerX = firstX + gap + portWidth + (gap - portWidth + groupGap) / 2 + 8;
    p.setPen(QPen(QColor(255, 255, 255, 50), 1));
    p.drawLine(QPointF(dividerX, plate.top() + 14), QPointF(dividerX, plate.bottom() - 12));

    // USB socket at the right end.
    const QRectF usb(plate.right() - 46, portTop + 1, 24, 22);
    p.setPen(QPen(QColor(0xb8, 0xbe, 0xc6), 1.6));
    p.setBrush(QColor(0x0b, 0x0d, 0x10));
    p.drawRoundedRect(usb, 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x55, 0x5c, 0x66));
    p.drawRect(QRectF(usb.left() + 7, usb.top() + 7, 12, 8));
    p.setFont(font(12, true));
    p.setPen(kLabel);
    p.drawText(QRectF(usb.left() - 20, usb.bottom() + 7, usb.width() + 40, 18), Qt::AlignCenter,
               QStringLiteral("USB"));
    p.end();
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vortilan2-art <output directory>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const bool ok = drawFront().save(dir.filePath(QStringLiteral("Vortilan2_main2.png")));
    if (!ok) {
        std::fprintf(stderr, "vortilan2-art: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
