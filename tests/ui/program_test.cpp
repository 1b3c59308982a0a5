#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QMdiArea>
#include <QMessageBox>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include "app/job_drawing.h"
#include "app/job_control.h"
#include "app/ui/drawing_child.h"
#include "drawing_window/raster_project.h"
#include "app/ui/main_form.h"
#include "app/ui/program_main.h"
#include "machine_operation/ui/tster.h"
#include "platform/program_dir.h"
#include "settings/settings_files.h"
#include "support/test_support.h"

using namespace vellisk;

TEST(Program, AFirstStartInAnEmptyFolderWritesTheStateFilesAndExitAddsTheViewOptions) {
    test::TempDir dir;
    test::CurrentFolder here(dir.path());
    test::EnvVar programDir(kProgramDirVariable, dir.path().c_str());
    int status = -1;
    {
        ui::Program program({"vellisk", "95", "USA"});
        EXPECT_EQ(program.Usb(), nullptr);  // "95": no USB link at all
        // The first start's files are there before the loop runs.
        EXPECT_TRUE(std::filesystem::exists(dir / "Quarnell.cfg"));
        EXPECT_TRUE(std::filesystem::exists(dir / "Settings.vks"));
        EXPECT_TRUE(std::filesystem::exists(dir / "DADudavu.txt"));
        QTimer::singleShot(0, [&] {
            // F5 on the frame shows the control panel beside it; without a link to the newer
            // controller a box says why it does not.
            program.MainForm().activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&program.MainForm()));
            QString told;
            QTimer::singleShot(100, [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                        told = box->text();
                        box->close();
                    }
            });
            QTest::keyClick(&program.MainForm(), Qt::Key_F5);
            if (program.Context().ArmLink) {
                EXPECT_EQ(told, "No communication with the plotter");
                EXPECT_FALSE(program.PanelForm().isVisible());
            } else {
                EXPECT_TRUE(program.PanelForm().isVisible());
            }
            program.MainForm().Item(ui::FrameItem::Direction)->trigger();
            program.MainForm().Item(ui::FrameItem::Exit)->trigger();
        });
        status = program.Run();
    }
    EXPECT_EQ(status, 0);
    ASSERT_EQ(test::ReadFileBytes(dir / "Quarnell.cfg").size(), 448u);
    GlobalState g;
    ASSERT_EQ(ReadGlobalStateFile(dir.path(), &g, nullptr), GlobalFileStatus::Read);
    EXPECT_TRUE(g.Kierunek);
    EXPECT_FALSE(g.Warstwy);
    EXPECT_TRUE(g.Punktywej);
}

TEST(Program, AStateFileThatCannotBeWrittenAtExitStillEndsNormally) {
    test::TempDir dir;
    test::CurrentFolder here(dir.path());
    test::EnvVar programDir(kProgramDirVariable, dir.path().c_str());
    ui::Program program({"vellisk", "USA", "95"});
    EXPECT_EQ(program.Usb(), nullptr);
    // "Quarnell.cfg" becomes a folder: it cannot be replaced by the file at exit.
    std::filesystem::remove(dir / "Quarnell.cfg");
    std::filesystem::create_directory(dir / "Quarnell.cfg");
    test::WriteFileBytes(dir / "Quarnell.cfg" / "keep", "x");
    QTimer::singleShot(0, [&] { program.MainForm().close(); });
    // The failure is reported in a box; close it.
    QTimer::singleShot(200, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits("QMessageBox")) w->close();
    });
    EXPECT_EQ(program.Run(), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Quarnell.cfg"));
}

TEST(Program, ABitmapOpensAsAJobDrawingAndClosingItsWindowIsClean) {
    test::TempDir dir;
    test::CurrentFolder here(dir.path());
    test::EnvVar programDir(kProgramDirVariable, dir.path().c_str());
    ui::Program program({"vellisk", "95", "USA"});
    QImage picture(8, 4, QImage::Format_RGB888);
    picture.fill(Qt::gray);
    const QString file = QString::fromStdString((dir / "picture.bmp").string());
    ASSERT_TRUE(picture.save(file, "BMP"));
    program.MainForm().show();
    program.Context().PlotParams.Laser = 1;  // bitmaps are a laser's
    ASSERT_TRUE(program.MainForm().OpenDrawing(file));
    QApplication::processEvents();
    ASSERT_NE(program.Jobs(), nullptr);
    ASSERT_NE(program.MainForm().ActiveDrawing(), nullptr);
    JobDrawing* drawing = program.MainForm().ActiveDrawing()->Job();
    ASSERT_NE(drawing, nullptr);
    EXPECT_EQ(drawing->Kind(), 4);
    ASSERT_NE(drawing->Picture(), nullptr);
    EXPECT_EQ(drawing->Picture()->Width, 8);
    program.MainForm().MdiArea()->closeAllSubWindows();
    QApplication::processEvents();
    EXPECT_EQ(program.MainForm().ActiveDrawing(), nullptr);
}

TEST(Program, InformationAndHatchingOpenForTheActiveDrawing) {
    test::TempDir dir;
    test::CurrentFolder here(dir.path());
    test::EnvVar programDir(kProgramDirVariable, dir.path().c_str());
    ui::Program program({"vellisk", "95", "USA"});
    test::WriteFileBytes(dir / "square.plt", "IN;SP1;PU400,400;PD1200,400,1200,1200,400,1200,400,400;PU;\n");
    program.MainForm().show();
    ASSERT_TRUE(program.MainForm().OpenDrawing(QString::fromStdString((dir / "square.plt").string())));
    QStringList seen;
    auto closeDialogSoon = [&] {
        QTimer::singleShot(50, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) {
                    seen << d->metaObject()->className();
                    d->reject();
                }
        });
    };
    closeDialogSoon();
    program.MainForm().Item(ui::FrameItem::Info)->trigger();
    closeDialogSoon();
    program.MainForm().Item(ui::FrameItem::Hatching)->trigger();
    EXPECT_TRUE(seen.contains("vellisk::ui::Tinfoform")) << seen.join(",").toStdString();
    EXPECT_TRUE(seen.contains("vellisk::ui::TFormKreski")) << seen.join(",").toStdString();
}
