// The colour pictures: the chromaticity diagram and the luminance bar alone
// (known coordinates and luminances land where their scales say, and are
// drawn there), and fed by the window from what the emulated box captured,
// from the custom HDR infoframe and from the EDID in the editor (whose
// colour characteristics match edid-decode's).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimerEvent>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "qt/ChromaticityDiagram.h"
#include "qt/LuminanceBar.h"
#include "qt/MainWindow.h"
#include "tests/support/ReferenceTool.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"

namespace {

using boxstatus::ChromaPoint;
using boxstatus::ColourPoints;
using boxstatus::LuminanceFigures;
using gui::ChromaticityDiagram;
using gui::LuminanceBar;

const ColourPoints kBt2020 = {ChromaPoint{0.708, 0.292}, ChromaPoint{0.170, 0.797},
                              ChromaPoint{0.131, 0.046}, ChromaPoint{0.3127, 0.3290}};
const ColourPoints kDciP3 = {ChromaPoint{0.680, 0.320}, ChromaPoint{0.265, 0.690},
                             ChromaPoint{0.150, 0.060}, ChromaPoint{0.3127, 0.3290}};

QImage rendered(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    widget.render(&image);
    return image;
}

class PictureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gui_test::application(); }
};

// --- The diagram alone

TEST_F(PictureTest, DiagramScaleIsLinearTheSameInXAndYAndUpward) {
    ChromaticityDiagram diagram;
    diagram.resize(300, 300);
    const QPointF origin = diagram.toWidget(0, 0);
    const QPointF top = diagram.toWidget(0.8, 0.9);
    EXPECT_TRUE(diagram.rect().contains(origin.toPoint()));
    EXPECT_TRUE(diagram.rect().contains(top.toPoint()));
    EXPECT_LT(top.y(), origin.y());  // y grows upward

    const double step = diagram.toWidget(0.1, 0).x() - origin.x();
    EXPECT_GT(step, 25);  // the plot uses the widget
    struct Case {
        double x, y;
    };
    for (const Case c : {Case{0.2, 0.3}, Case{0.64, 0.33}, Case{0.3127, 0.329}, Case{0.8, 0.9}}) {
        const QPointF at = diagram.toWidget(c.x, c.y);
        EXPECT_NEAR(at.x(), origin.x() + c.x * 10 * step, 1e-9) << c.x;
        EXPECT_NEAR(at.y(), origin.y() - c.y * 10 * step, 1e-9) << c.y;
        const QPointF back = diagram.toChromaticity(at);
        EXPECT_NEAR(back.x(), c.x, 1e-12);
        EXPECT_NEAR(back.y(), c.y, 1e-12);
    }
    // A wide widget keeps the scale square and the plot inside.
    diagram.resize(600, 200);
    EXPECT_NEAR(diagram.toWidget(0.1, 0).x() - diagram.toWidget(0, 0).x(),
                diagram.toWidget(0, 0).y() - diagram.toWidget(0, 0.1).y(), 1e-9);
    EXPECT_GE(diagram.toWidget(0.8, 0.9).y(), 0);
    EXPECT_LE(diagram.toWidget(0, 0).y(), 200);
}

TEST_F(PictureTest, DiagramDrawsEachPointWhereItLandsAndTheLocusAroundThem) {
    ChromaticityDiagram diagram;
    diagram.resize(320, 340);
    diagram.setPoints(kBt2020);
    ASSERT_EQ(diagram.points().size(), 4u);
    const QImage image = rendered(diagram);
    const auto pixel = [&](double x, double y) {
        return QColor(image.pixel(diagram.toWidget(x, y).toPoint()));
    };
    const QColor red = pixel(0.708, 0.292);
    EXPECT_GT(red.red(), 150) << red.name().toStdString();
    EXPECT_LT(red.green(), 80) << red.name().toStdString();
    const QColor green = pixel(0.170, 0.797);
    EXPECT_GT(green.green(), 120) << green.name().toStdString();
    EXPECT_LT(green.red(), 80) << green.name().toStdString();
    const QColor blue = pixel(0.131, 0.046);
    EXPECT_GT(blue.blue(), 150) << blue.name().toStdString();
    EXPECT_LT(blue.green(), 100) << blue.name().toStdString();
    EXPECT_EQ(pixel(0.3127, 0.329), QColor(Qt::white));  // the white dot
    // Outside the locus: the background; inside, away from the points: colour.
    EXPECT_EQ(pixel(0.75, 0.75), diagram.palette().color(QPalette::Base));
    const QColor inside = pixel(0.2, 0.5);
    EXPECT_GT(inside.green(), inside.red()) << inside.name().toStdString();
}

TEST_F(PictureTest, HoveringAPointShowsItsCoordinates) {
    ChromaticityDiagram diagram;
    diagram.resize(300, 300);
    diagram.setPoints(kDciP3);
    struct Case {
        ChromaPoint at;
        QPointF offset;
        const char* text;
    };
    const Case cases[] = {
        {{0.680, 0.320}, {0, 0}, "Red: x 0.6800, y 0.3200"},
        {{0.265, 0.690}, {3, -3}, "Green: x 0.2650, y 0.6900"},
        {{0.150, 0.060}, {-2, 4}, "Blue: x 0.1500, y 0.0600"},
        {{0.3127, 0.3290}, {0, 5}, "White: x 0.3127, y 0.3290"},
        {{0.45, 0.45}, {0, 0}, ""},  // no point there
    };
    for (const Case& c : cases) {
        const QPointF position = diagram.toWidget(c.at.x, c.at.y) + c.offset;
        EXPECT_EQ(diagram.pointText(diagram.pointAt(position)), QLatin1String(c.text)) << c.text;
    }
    // A real move of the mouse over the red point.
    const QPointF red = diagram.toWidget(0.680, 0.320);
    QMouseEvent move(QEvent::MouseMove, red, diagram.mapToGlobal(red), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&diagram, &move);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Red: x 0.6800, y 0.3200"));
    QToolTip::hideText();
}

TEST_F(PictureTest, DiagramShowsWhatIsGivenAndForgetsWhatIsNot) {
    ChromaticityDiagram diagram;
    diagram.setPoints(kBt2020);
    ColourPoints redOnly;
    redOnly.red = ChromaPoint{0.64, 0.33};
    diagram.setPoints(redOnly);
    ASSERT_EQ(diagram.points().size(), 1u);
    EXPECT_EQ(diagram.points()[0].label, QStringLiteral("R"));
    diagram.setPoints({});
    EXPECT_TRUE(diagram.points().empty());
}

// The three reference gamuts' corners that are monochromatic (BT.2020 at
// 467, 532 and 630 nm) lie on the locus.
TEST_F(PictureTest, SpectralLocusPassesThroughTheBt2020Primaries) {
    const auto locus = gui::spectralLocus();
    ASSERT_EQ(locus.front().nanometres, 380);
    ASSERT_EQ(locus.back().nanometres, 700);
    const auto distance = [&](double x, double y) {
        double best = 1;
        for (std::size_t i = 0; i + 1 < locus.size(); ++i) {
            const double ax = locus[i].x, ay = locus[i].y;
            const double dx = locus[i + 1].x - ax, dy = locus[i + 1].y - ay;
            const double t =
                std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            best = std::min(best, std::hypot(x - ax - t * dx, y - ay - t * dy));
        }
        return best;
    };
    EXPECT_LT(distance(0.708, 0.292), 0.002);
    EXPECT_LT(distance(0.170, 0.797), 0.002);
    EXPECT_LT(distance(0.131, 0.046), 0.002);
    EXPECT_GT(distance(0.3127, 0.329), 0.2);  // white is far inside
}

// --- The luminance bar alone

TEST_F(PictureTest, LuminancesLandOnTheLogarithmicScale) {
    LuminanceBar bar;
    bar.resize(400, bar.sizeHint().height());
    const QRectF b = bar.barRect();
    const double decade = b.width() / 9;  // 0.0001 to 100000
    struct Case {
        double nits;
        double x;
    };
    const Case cases[] = {
        {0.0001, b.left()},
        {0.005, b.left() + (std::log10(0.005) + 4) * decade},
        {1, b.left() + 4 * decade},
        {400, b.left() + (std::log10(400) + 4) * decade},
        {1000, b.left() + 7 * decade},
        {100000, b.right()},
        {0, b.left()},             // no place on a logarithmic scale: its lower end
        {0.00001, b.left()},       // held at the ends
        {1e9, b.right()},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(bar.xForNits(c.nits), c.x, 1e-9) << c.nits;
    }
}

TEST_F(PictureTest, LuminanceMarksAreDrawnAndNamedWhereTheyLand) {
    LuminanceBar bar;
    bar.resize(400, bar.sizeHint().height());
    bar.setFigures({1000.0, 0.005, 4000.0, 400.0});
    ASSERT_EQ(bar.marks().size(), 4u);
    const QRectF b = bar.barRect();
    const QImage image = rendered(bar);
    struct Case {
        double nits;
        const char* text;
        bool redMark;
    };
    const Case cases[] = {
        {1000, "Max Display Luminance: 1000 nits", false},
        {0.005, "Min Display Luminance: 0.005 nits", false},
        {4000, "MaxCLL: 4000 nits", true},
        {400, "MaxFALL: 400 nits", false},
    };
    for (const Case& c : cases) {
        const QPointF at(bar.xForNits(c.nits), b.center().y());
        EXPECT_EQ(bar.markText(bar.markAt(at)), QLatin1String(c.text));
        const QColor drawn(image.pixel(at.toPoint()));
        if (c.redMark) {
            EXPECT_GT(drawn.red(), 2 * drawn.blue()) << drawn.name().toStdString();
        }
        EXPECT_NE(drawn, QColor(image.pixel(QPointF(at.x() + 6, at.y()).toPoint()))) << c.text;
    }
    EXPECT_EQ(bar.markAt(QPointF(bar.xForNits(10), b.center().y())), -1);
    bar.setFigures({});
    EXPECT_TRUE(bar.marks().empty());
}

TEST_F(PictureTest, NitsAreWrittenAsTheLabelsWriteThem) {
    const std::pair<double, const char*> cases[] = {
        {1000, "1000"}, {0.005, "0.005"}, {0.0001, "0.0001"}, {0, "0"}, {6.5535, "7"},
        {0.05, "0.05"},
    };
    for (const auto& [nits, text] : cases) {
        EXPECT_EQ(gui::nitsText(nits), QLatin1String(text)) << nits;
    }
}

// --- Fed by the window

class GuiPicturesTest : public PictureTest {
protected:
    void SetUp() override {
        window_ = std::make_unique<MainWindow>(library_, clock_, dialogs_);
    }

    // One status tick, as the running timer would make it.
    void tick() {
        QTimerEvent event(window_->statusTimer());
        QCoreApplication::sendEvent(window_.get(), &event);
    }
    void control(const std::string& line) {
        const std::string reply = box_.server().command(line);
        ASSERT_NE(reply.rfind("ok"), std::string::npos) << line << ": " << reply;
    }

    Ui::MainWindow& ui() { return *window_->form(); }

    gui_test::EmulatedBox box_;
    gui_test::HookedLibrary library_{box_.library()};
    testing_support::ManualClock clock_{10};
    gui_test::ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

void expectPoints(const ColourPoints& got, const ColourPoints& want, double tolerance) {
    const std::pair<const std::optional<ChromaPoint>*, const std::optional<ChromaPoint>*> pairs[] =
        {{&got.red, &want.red},
         {&got.green, &want.green},
         {&got.blue, &want.blue},
         {&got.white, &want.white}};
    for (const auto& [g, w] : pairs) {
        ASSERT_EQ(g->has_value(), w->has_value());
        if (*g) {
            EXPECT_NEAR((*g)->x, (*w)->x, tolerance);
            EXPECT_NEAR((*g)->y, (*w)->y, tolerance);
        }
    }
}

// The "[x,y]" of a Dolby Vision primary label.
ChromaPoint labelPoint(const QString& label) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("\\[([0-9.]+),([0-9.]+)\\]")).match(label);
    EXPECT_TRUE(m.hasMatch()) << label.toStdString();
    return {m.captured(1).toDouble(), m.captured(2).toDouble()};
}

TEST_F(GuiPicturesTest, CapturedHdrAndDolbyVisionFollowThePollAndClearWithoutASignal) {
    tick();
    // The default source's infoframe: BT.2020 listed green, blue, red; D65.
    expectPoints(ui().chartHdrCaptured->colourPoints(), kBt2020, 1e-9);
    EXPECT_EQ(ui().barHdrCaptured->figures(), (LuminanceFigures{1000.0, 0.005, 1000.0, 400.0}));
    // The Dolby Vision block's primaries as its labels show them.
    const ColourPoints dv = ui().chartDv->colourPoints();
    ColourPoints labelled;
    labelled.red = labelPoint(ui().lblDvRed->text());
    labelled.green = labelPoint(ui().lblDvGreen->text());
    labelled.blue = labelPoint(ui().lblDvBlue->text());
    expectPoints(dv, labelled, 0.0005);

    control("state sdr");
    tick();
    EXPECT_TRUE(ui().chartHdrCaptured->colourPoints().empty());
    EXPECT_TRUE(ui().barHdrCaptured->figures().empty());
    EXPECT_TRUE(ui().chartDv->colourPoints().empty());
}

TEST_F(GuiPicturesTest, CustomInfoframeShowsWhatItWouldSend) {
    ui().cmbHdrPrim->setCurrentIndex(2);  // DCI P3
    ui().sbMaxLum->setValue(4000);
    ui().sbMinLum->setValue(0.0050);
    ui().sbMaxCLL->setValue(1000);
    ui().sbMaxFALL->setValue(400);
    ui().pbCreateIf->click();
    expectPoints(ui().chartHdrCustom->colourPoints(), kDciP3, 1e-9);
    EXPECT_EQ(ui().barHdrCustom->figures(), (LuminanceFigures{4000.0, 0.005, 1000.0, 400.0}));

    // Typed by hand: what the text says, or nothing while it is no list.
    ui().HDRCustomText->setPlainText(QStringLiteral("87:01:1a:00:02:00:34:21:aa:9b"));
    ColourPoints green;
    green.green = ChromaPoint{0.17, 0.797};
    expectPoints(ui().chartHdrCustom->colourPoints(), green, 1e-9);
    ui().HDRCustomText->setPlainText(QStringLiteral("87:01:1a:zz"));
    EXPECT_TRUE(ui().chartHdrCustom->colourPoints().empty());
    EXPECT_TRUE(ui().barHdrCustom->figures().empty());
}

// --- The EDID's colour characteristics, against edid-decode

// "Red  : 0.6396, 0.3300" of edid-decode's colour characteristics.
std::optional<ChromaPoint> referencePoint(const std::string& output, const char* name) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("\\n\\s+%1\\s*: ([0-9.]+), ([0-9.]+)\\n")
                               .arg(QLatin1String(name)))
            .match(QString::fromStdString(output));
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    return ChromaPoint{m.captured(1).toDouble(), m.captured(2).toDouble()};
}

TEST_F(GuiPicturesTest, EdidColourCharacteristicsAreThoseEdidDecodeReads) {
    if (std::system("command -v edid-decode >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "edid-decode is not installed (scripts/deps.sh)";
    }
    const std::filesystem::path dir = VORTILAN2_SOURCE_DIR "/emulator/edids";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".bin") {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        dialogs_.fileNames = {QString::fromStdString(entry.path().string())};
        ui().ButLoadEDID->click();
        const std::string reference = testing_support::runCommand("edid-decode " + entry.path().string() + " 2>&1");
        ColourPoints expected;
        expected.red = referencePoint(reference, "Red");
        expected.green = referencePoint(reference, "Green");
        expected.blue = referencePoint(reference, "Blue");
        expected.white = referencePoint(reference, "White");
        ASSERT_FALSE(expected.empty()) << reference;
        // edid-decode cuts to four decimals.
        expectPoints(ui().chartEdid->colourPoints(), expected, 0.0001);
    }
    EXPECT_GT(files, 0);

    ui().EDIDtext->setPlainText(QStringLiteral("00 FF FF"));
    EXPECT_TRUE(ui().chartEdid->colourPoints().empty());
}

}  // namespace
