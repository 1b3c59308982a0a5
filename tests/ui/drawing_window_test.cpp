// The drawing window driven offscreen by real mouse and key events: picking, the popup's
// "Figure to cut", zoom, dragging a start point, the simulation, and the picture it paints.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <sstream>

#include "drawing_window/hatching.h"
#include "drawing_window/ui/drawing_painter.h"
#include "drawing_window/ui/tmdichild.h"
#include "machine_link/machine_context.h"
#include "model/geometry.h"
#include "model/lang_texts.h"
#include "settings/settings.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

struct Poly {
    std::vector<std::pair<double, double>> points;  // mm
    bool closed = false;
};

// A DXF drawing of lightweight polylines (coordinates in mm).
std::string Dxf(const std::vector<Poly>& polys) {
    std::ostringstream s;
    s << "0\nSECTION\n2\nENTITIES\n";
    for (const Poly& p : polys) {
        s << "0\nLWPOLYLINE\n8\n0\n62\n7\n90\n" << p.points.size() << "\n70\n" << (p.closed ? 1 : 0) << "\n";
        for (auto [x, y] : p.points) s << "10\n" << x << "\n20\n" << y << "\n";
    }
    s << "0\nENDSEC\n0\nEOF\n";
    return s.str();
}

struct Window : test::MachineRig {
    test::TempDir dir;
    Settings settings;
    test::RecordingNotifier notifier;
    std::unique_ptr<ui::TMDIChild> child;

    void Open(const std::vector<Poly>& polys) {
        test::WriteFileBytes(dir / "plate.dxf", Dxf(polys));
        child = std::make_unique<ui::TMDIChild>(KindDxf, settings, ctx, env, jobValues, notifier);
        child->resize(800, 600);
        child->show();
        ASSERT_TRUE(child->Load(QString::fromStdString((dir / "plate.dxf").string())));
        EXPECT_EQ(child->windowTitle(), "plate.dxf");
    }
    const ViewTransform& View() { return child->Engine().View(); }
    QWidget* Canvas() { return child->iWektorowy(); }
    void Press(QPoint p) { QTest::mousePress(Canvas(), Qt::LeftButton, Qt::NoModifier, p); }
    void Release(QPoint p) { QTest::mouseRelease(Canvas(), Qt::LeftButton, Qt::NoModifier, p); }
    void DragTo(QPoint p) {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), Canvas()->mapToGlobal(QPointF(p)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(Canvas(), &move);
    }
    QPoint Pixel(double xMm, double yMm) {
        const PixelPoint p = View().Pixel({xMm * 100.0, yMm * 100.0, 0.0});
        return {p.x, p.y};
    }
    std::int32_t IndexOfFigureAt(double yMm) {
        for (std::int32_t i = 0; i < child->project().Count(); ++i)
            if (child->project().Figure(i).Contour.front().Y == yMm * 100.0) return i;
        return -1;
    }
};

TEST(DrawingWindow, AClickPicksTheLaterOfTwoNearFiguresAndElsewhereClearsTheSelection) {
    Window w;
    // Two lines 0.4 mm apart on a drawing 100 mm wide: about 3 pixels apart.
    w.Open({{{{0, 0}, {100, 0}}}, {{{0, 0.4}, {100, 0.4}}}, {{{0, 60}, {100, 60}}}});
    const QPoint a = w.Pixel(50, 0), b = w.Pixel(50, 0.4);
    ASSERT_LE(a.y() - b.y(), 4);
    const QPoint between(a.x(), (a.y() + b.y()) / 2);
    w.Press(between);
    const std::int32_t later = std::max(w.IndexOfFigureAt(0), w.IndexOfFigureAt(0.4));
    EXPECT_EQ(w.child->SelectedFigure(), later);
    EXPECT_TRUE(w.child->pmFiguraDoCiecia()->isEnabled());
    EXPECT_TRUE(w.child->pmFiguraDoCiecia()->isChecked());
    const std::string said =
        w.env.Text(TextId::PickSelectedFigure) + std::to_string(later) + w.env.Text(TextId::PickIn);
    EXPECT_EQ(w.child->Engine().WindowStatus().rfind(said, 0), 0u) << w.child->Engine().WindowStatus();
    w.Release(between);  // the button up clears the status bar
    EXPECT_EQ(w.child->Engine().WindowStatus(), "");

    // "Figure to cut" switches the selected figure off.
    w.child->pmFiguraDoCiecia()->trigger();
    EXPECT_FALSE(w.child->project().Figure(later).ToCut);

    // A re-preparation clears the selection and disables the item.
    w.child->PrzeliczPoWaznejZmianie();
    EXPECT_EQ(w.child->SelectedFigure(), -1);
    EXPECT_FALSE(w.child->pmFiguraDoCiecia()->isEnabled());
    w.child->pmFiguraDoCiecia()->trigger();  // disabled: nothing happens
    EXPECT_FALSE(w.child->project().Figure(later).ToCut);

    // Pick again, then click 20 pixels away from every figure.
    w.Press(between);
    EXPECT_EQ(w.child->SelectedFigure(), later);
    const QPoint away(a.x(), (a.y() + w.Pixel(50, 60).y()) / 2);
    w.Press(away);
    EXPECT_EQ(w.child->SelectedFigure(), -1);
    EXPECT_FALSE(w.child->pmFiguraDoCiecia()->isEnabled());
    EXPECT_EQ(w.child->Engine().WindowStatus(), "");
}

TEST(DrawingWindow, AHatchLineIsPickedSwitchedOffAndTurnedRoundByDraggingItsStartToItsEnd) {
    Window w;
    w.Open({{{{0, 0}, {100, 0}, {100, 80}, {0, 80}}, true}});
    Project& p = w.child->project();
    ASSERT_TRUE(HatchWithChoices(p, w.settings, w.env, w.jobValues, w.notifier, {10.0, 0.0, true, false}));
    std::int32_t line = -1;
    for (std::int32_t i = 0; i < p.Count(); ++i)
        if (p.IsLine(i) && std::abs(p.Line(i).Y0 - 4000.0) < 500.0) line = i;
    ASSERT_GE(line, 0);
    const double y = p.Line(line).Y0 / 100.0, x0 = p.Line(line).X0, x1 = p.Line(line).X1;
    w.Press(w.Pixel(50, y));
    EXPECT_EQ(w.child->SelectedFigure(), line);
    w.child->pmFiguraDoCiecia()->trigger();
    EXPECT_FALSE(p.Line(line).ToCut);
    const QPoint end = w.Pixel(x1 / 100.0, y);
    w.DragTo(end);
    w.Release(end);
    EXPECT_EQ(p.Line(line).X0, x1);
    EXPECT_EQ(p.Line(line).X1, x0);
    EXPECT_FALSE(p.Line(line).ToCut);
}

TEST(DrawingWindow, ZoomTwoDoublesTheScaleAboutTheCentre) {
    Window w;
    w.Open({{{{0, 0}, {100, 0}, {100, 80}, {0, 80}}, true}});
    const double scale1 = w.View().Scale;
    const int width1 = w.View().ImageWidth;
    w.child->SetZoom(2);
    EXPECT_DOUBLE_EQ(w.View().Scale, 2.0 * scale1);
    EXPECT_GT(w.View().ImageWidth, 2 * width1 - 20);
    // The drawing's centre stays in the middle of what the window shows.
    const QPoint centre = w.Pixel(50, 40);
    const QScrollArea* area = w.child->sbProjekt();
    const QPoint shown = centre - QPoint(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value());
    const QSize viewport = area->viewport()->size();
    EXPECT_NEAR(shown.x(), viewport.width() / 2, 15);
    EXPECT_NEAR(shown.y(), viewport.height() / 2, 15);
    w.child->SetZoom(1);
    EXPECT_DOUBLE_EQ(w.View().Scale, scale1);
}

TEST(DrawingWindow, DraggingAStartPointMovesWhereTheToolPathStartsWithTheOffsetOn) {
    Window w;
    w.settings.SetFlag("doOutline", true);
    w.settings.SetNumber("srednica", 4.0);
    w.Open({{{{0, 0}, {100, 0}, {100, 80}, {0, 80}}, true}});
    tfigura& f = w.child->project().Figure(0);
    const tpunkt firstStart = w.child->project().ToolPathOf(f).front();
    // Select the plate on its left edge, then drag to its top right corner.
    const QPoint edge = w.Pixel(0, 40);
    w.Press(edge);
    ASSERT_EQ(w.child->SelectedFigure(), 0);
    const QPoint corner = w.Pixel(102, 82);
    w.DragTo(w.Pixel(60, 60));
    w.DragTo(corner);
    w.Release(corner);
    w.child->PrzeliczPoWaznejZmianie();
    const tfigura& g = w.child->project().Figure(0);
    const std::vector<tpunkt> path = w.child->project().ToolPathOf(g);
    ASSERT_FALSE(path.empty());
    const tpunkt start = path.front();
    EXPECT_LT(Distance2D(start, {10141, 8141, 0}), 100.0) << start.X << " " << start.Y;
    EXPECT_GT(Distance2D(start, firstStart), 5000.0);
}

TEST(DrawingWindow, SimulationVisitsThePointsInOrderStopsOnAKeyAndThePanelTimerKeepsFiring) {
    Window w;
    w.settings.SetFlag("doOutline", false);
    w.Open({{{{0, 0}, {100, 0}, {100, 80}, {0, 80}}, true}});
    w.child->resize(400, 300);
    std::vector<std::int32_t> points;
    bool cutSeen = false;
    w.child->OnSimulationStep = [&](const SimulationStep& s) {
        if (s.kind == SimulationStep::Cut) cutSeen = true;
        if (s.point >= 0) points.push_back(s.point);
    };
    int panelTicks = 0, ticksDuringCut = 0;
    QTimer panel;
    panel.setInterval(10);
    QObject::connect(&panel, &QTimer::timeout, [&] {
        ++panelTicks;
        if (cutSeen && w.child->Simulating()) ++ticksDuringCut;
    });
    panel.start();
    w.child->StartSimulation();
    ASSERT_TRUE(w.child->Simulating());
    // The plate's four corners take about 2 s at 2 ms a pixel; stop after the second corner.
    ASSERT_TRUE(QTest::qWaitFor([&] { return points.size() >= 3; }, 10000));
    QTest::keyClick(w.Canvas(), Qt::Key_Escape);
    EXPECT_FALSE(w.child->Simulating());
    EXPECT_TRUE(w.child->SimulationAborted());
    const std::size_t reached = points.size();
    for (std::size_t k = 0; k < points.size(); ++k) EXPECT_EQ(points[k], static_cast<std::int32_t>(k + 1)) << k;
    EXPECT_GT(ticksDuringCut, 10);
    QTest::qWait(50);
    EXPECT_EQ(points.size(), reached);  // nothing moves after the key

    // Played to the end, it visits every corner and comes back; a click also stops it.
    points.clear();
    w.child->StartSimulation();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.child->Simulating(); }, 20000));
    EXPECT_FALSE(w.child->SimulationAborted());
    EXPECT_EQ(points, (std::vector<std::int32_t>{1, 2, 3, 4}));
    w.child->StartSimulation();
    QTest::mouseClick(w.Canvas(), Qt::LeftButton);
    EXPECT_FALSE(w.child->Simulating());
}

TEST(DrawingWindow, RenderedPictureHasItsStrokesWhereTheGeometryIs) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "frame.dxf", Dxf({{{{0, 0}, {100, 0}, {100, 50}, {0, 50}}, true}}));
    Settings settings;
    test::MachineRig machine;
    test::RecordingNotifier notifier;
    DrawingWindow window(KindDxf, settings, machine.ctx, machine.env, machine.jobValues, notifier);
    ASSERT_TRUE(window.Load((dir / "frame.dxf").string()));
    window.Options() = ViewOptions{false, false, false, false};
    const QImage picture = ui::RenderWindowPicture(window, QSize(640, 400));
    ASSERT_FALSE(picture.isNull());
    const ViewTransform& v = window.View();
    auto at = [&](double x, double y) {
        const PixelPoint p = v.Pixel({x * 100, y * 100, 0});
        return picture.pixelColor(p.x, p.y);
    };
    for (double t = 5; t < 100; t += 10) {
        EXPECT_EQ(at(t, 0), QColor(Qt::black)) << t;
        EXPECT_EQ(at(t, 50), QColor(Qt::black)) << t;
    }
    EXPECT_EQ(at(0, 25), QColor(Qt::black));
    EXPECT_EQ(at(100, 25), QColor(Qt::black));
    EXPECT_EQ(at(50, 25), ui::PictureBackground());
    EXPECT_EQ(picture.pixelColor(639, 399), ui::PictureBackground());
    // The whole drawing lies on the picture.
    EXPECT_LT(v.Pixel({10000, 5000, 0}).x, 640);
    EXPECT_GE(v.Pixel({0, 5000, 0}).y, 0);
}

}  // namespace
