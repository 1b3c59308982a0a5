#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTimer>

#include "app/ui/main_window.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

// Closes any message box that a test's action opens, so that the test never waits on it.
void CloseMessageBoxesSoon() {
    QTimer::singleShot(50, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w)) box->accept();
    });
}

}  // namespace

TEST(MainWindow, OpensADrawingInOneChildWindow) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "square.dxf",
                         "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n62\n1\n10\n0\n20\n0\n11\n10\n21\n0\n"
                         "0\nLINE\n8\n0\n62\n1\n10\n10\n20\n0\n11\n10\n21\n10\n0\nENDSEC\n0\nEOF\n");
    ui::MainWindow w;
    EXPECT_EQ(w.windowTitle(), "Vellisk");
    ASSERT_TRUE(w.OpenDrawing(QString::fromStdString((dir / "square.dxf").string())));
    EXPECT_EQ(w.MdiArea()->subWindowList().size(), 1);
}

TEST(MainWindow, OpensAnHpglDrawingInOneChildWindow) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "square.plt", "IN;SP1;PU0,0;PD400,0,400,400,0,400,0,0;PU;\n");
    ui::MainWindow w;
    ASSERT_TRUE(w.OpenDrawing(QString::fromStdString((dir / "square.plt").string())));
    ASSERT_EQ(w.MdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(w.MdiArea()->subWindowList().front()->windowTitle(), "square.plt");
}

TEST(MainWindow, AFileThatCannotBeReadOpensNoWindow) {
    test::TempDir dir;
    ui::MainWindow w;
    CloseMessageBoxesSoon();
    EXPECT_FALSE(w.OpenDrawing(QString::fromStdString((dir / "missing.dxf").string())));
    EXPECT_TRUE(w.MdiArea()->subWindowList().isEmpty());
}

int main(int argc, char** argv) {
    // The tests run without a display (also while CTest lists them).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
