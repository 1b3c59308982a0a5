// Every dialog and window of the program opens at least as large as its layout needs, and wide
// enough for its title.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "app/ui/main_form.h"
#include "app/ui/program_main.h"
#include "machine_operation/ui/tster.h"
#include "settings/ui/dlgkonfig.h"
#include "platform/program_dir.h"
#include "support/test_support.h"

using namespace vellisk;

TEST(DialogSizes, NoDialogOpensSmallerThanItsLayoutOrItsTitle) {
    test::TempDir dir;
    test::CurrentFolder here(dir.path());
    test::EnvVar programDir(kProgramDirVariable, dir.path().c_str());
    ui::Program program({"vellisk", "95", "USA"});
    program.MainForm().show();
    std::vector<QWidget*> windows{&program.PanelForm()};
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QDialog*>(w)) windows.push_back(w);
    ASSERT_GE(windows.size(), 6u);
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    for (QWidget* w : windows) {
        const std::string name = w->metaObject()->className();
        w->show();
        QApplication::processEvents();
        const QSize size = w->size();
        if (QLayout* l = w->layout()) {
            const QSize need = l->totalMinimumSize();
            EXPECT_GE(size.width(), need.width()) << name;
            EXPECT_GE(size.height(), need.height()) << name;
        }
        // The title beside the title bar's icon and buttons.
        EXPECT_GE(size.width(), QFontMetrics(titleFont).horizontalAdvance(w->windowTitle()) + 120)
            << name << ": the title \"" << w->windowTitle().toStdString() << "\"";
        w->hide();
    }
    // The configuration dialog shows every sheet's tab at once.
    auto* pages = program.ConfigForm().findChild<QTabWidget*>("PageControl1");
    ASSERT_NE(pages, nullptr);
    program.ConfigForm().show();
    QApplication::processEvents();
    EXPECT_LE(pages->tabBar()->sizeHint().width(), pages->width());
    program.ConfigForm().hide();
}

TEST(DialogSizes, NewDrawingWindowsStayInsideTheFrame) {
    test::TempDir dir;
    test::CurrentFolder here(dir.path());
    test::EnvVar programDir(kProgramDirVariable, dir.path().c_str());
    ui::Program program({"vellisk", "95", "USA"});
    program.MainForm().resize(900, 640);
    program.MainForm().show();
    test::WriteFileBytes(dir / "square.plt", "IN;SP1;PU400,400;PD1200,400,1200,1200,400,1200,400,400;PU;\n");
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(program.MainForm().OpenDrawing(QString::fromStdString((dir / "square.plt").string())));
    QApplication::processEvents();
    const QRect area = program.MainForm().MdiArea()->viewport()->rect();
    for (QMdiSubWindow* w : program.MainForm().MdiArea()->subWindowList())
        EXPECT_TRUE(area.contains(w->geometry()))
            << w->geometry().x() << "," << w->geometry().y() << " " << w->width() << "x" << w->height();
}
