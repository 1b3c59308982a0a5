#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QSlider>
#include <QTimer>
#include <functional>

#include "app/ui/about_box.h"
#include "app/ui/application.h"
#include "app/ui/main_form.h"
#include "machine_link/machine_context.h"
#include "settings/config_dialog.h"
#include "settings/settings.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

// The program's side of the frame, as the tests set it.
struct FakeCommands : ui::FrameCommands {
    std::function<std::unique_ptr<ui::DrawingChild>(int)> createDrawing;
    std::function<void()> showLayers, stopStream, endBurn;
    std::function<CloseState()> closeState;
    std::unique_ptr<ui::DrawingChild> CreateDrawing(int kind) override {
        return createDrawing ? createDrawing(kind) : nullptr;
    }
    void ShowLayers() override {
        if (showLayers) showLayers();
    }
    CloseState CloseStateNow() override { return closeState ? closeState() : CloseState{}; }
    void StopStream() override {
        if (stopStream) stopStream();
    }
    void EndBurn() override {
        if (endBurn) endBurn();
    }
};

struct FakePicker : ui::FramePicker {
    std::function<QString(const QString&, const QString&, int*)> open;
    QString ChooseOpenFile(const QString& folder, const QString& filter, int* index) override {
        return open ? open(folder, filter, index) : QString();
    }
    QString ChooseSaveFile(const QString&, const QString&, const QString&, int*) override { return {}; }
};

// A main frame with its configuration in a folder of its own.
struct Frame : test::MachineRig {
    test::TempDir dir;
    test::CurrentFolder here{dir.path()};
    Settings settings;
    test::RecordingNotifier notifier;
    ConfigDialog config{settings, ctx, env, jobValues, notifier};
    FakeCommands commands;
    FakePicker picker;
    std::unique_ptr<ui::TMainForm> form;

    Frame() {
        env.ProgramDir = dir.path();
        env.Lang.Language = kLangEnglish;
        config.DecimalSeparator = '.';
        config.Create();
        form = std::make_unique<ui::TMainForm>(ctx, env, jobValues, notifier);
        form->SetConfig(&config, nullptr);
        form->SetCommands(&commands);
        form->SetPicker(&picker);
    }
    QString Write(const std::string& name, const std::string& bytes) {
        test::WriteFileBytes(dir / name, bytes);
        return QString::fromStdString((dir / name).string());
    }
    bool Enabled(ui::FrameItem item) { return form->Item(item)->isEnabled(); }
    bool ButtonEnabled(ui::FrameButton b) { return form->Button(b)->isEnabled(); }
};

const char* kSquare = "IN;SP1;PU0,0;PD400,0,400,400,0,400,0,0;PU;\n";

}  // namespace

TEST(MainForm, MenuCaptionsShortcutsAndTheEnablingWithAndWithoutADrawing) {
    Frame f;
    EXPECT_EQ(f.form->windowTitle(), "Vellisk");
    EXPECT_EQ(f.form->Item(ui::FrameItem::Open)->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(f.form->Item(ui::FrameItem::Hold)->shortcut(), QKeySequence(Qt::Key_Space));
    EXPECT_EQ(f.form->Item(ui::FrameItem::Repeat)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F2));
    EXPECT_EQ(f.form->Item(ui::FrameItem::Exit)->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
    EXPECT_EQ(f.form->Item(ui::FrameItem::MainConfig)->text(), "Main...");
    EXPECT_FALSE(f.form->Item(ui::FrameItem::SaveTest)->isVisible());
    // Nothing open.
    EXPECT_FALSE(f.ButtonEnabled(ui::FrameButton::Start));
    EXPECT_FALSE(f.Enabled(ui::FrameItem::Close));
    EXPECT_FALSE(f.Enabled(ui::FrameItem::ViewMenu));
    EXPECT_FALSE(f.Enabled(ui::FrameItem::Hatching));
    EXPECT_FALSE(f.ButtonEnabled(ui::FrameButton::ZoomBar));
    EXPECT_TRUE(f.Enabled(ui::FrameItem::Continue));
    EXPECT_TRUE(f.Enabled(ui::FrameItem::MainConfig));
    emit f.form->Item(ui::FrameItem::CutMenu)->menu()->aboutToShow();
    EXPECT_FALSE(f.Enabled(ui::FrameItem::Start));

    ASSERT_TRUE(f.form->OpenDrawing(f.Write("square.plt", kSquare)));
    EXPECT_EQ(f.form->MdiArea()->subWindowList().size(), 1);
    EXPECT_TRUE(f.ButtonEnabled(ui::FrameButton::Start));
    EXPECT_TRUE(f.Enabled(ui::FrameItem::Hatching));
    EXPECT_TRUE(f.ButtonEnabled(ui::FrameButton::ZoomBar));
    EXPECT_TRUE(f.ButtonEnabled(ui::FrameButton::Simulation));
    emit f.form->Item(ui::FrameItem::CutMenu)->menu()->aboutToShow();
    EXPECT_TRUE(f.Enabled(ui::FrameItem::Start));
    // The open folder is the chosen file's folder, whole.
    EXPECT_EQ(f.config.Global.OpenDir, f.dir.path().string());

    // A G-code drawing: no selected-figure commands, no hatching, no zoom.
    ASSERT_TRUE(f.form->OpenDrawing(f.Write("part.Nc", "G0 X0 Y0\nG1 X10 Y0\nG1 X10 Y10\n")));
    EXPECT_EQ(f.form->ActiveDrawing()->ProjectKind(), KindGcode);
    EXPECT_FALSE(f.Enabled(ui::FrameItem::CutSelected));
    EXPECT_FALSE(f.Enabled(ui::FrameItem::Hatching));
    EXPECT_FALSE(f.ButtonEnabled(ui::FrameButton::ZoomBar));

    f.form->CloseAllClick();
    QApplication::processEvents();
    EXPECT_TRUE(f.form->MdiArea()->subWindowList().isEmpty());
    EXPECT_FALSE(f.ButtonEnabled(ui::FrameButton::Start));
}

TEST(MainForm, AMissingFileShowsItsNameAndOpensNoWindow) {
    Frame f;
    const QString missing = QString::fromStdString((f.dir / "missing.plt").string());
    f.picker.open = [&](const QString&, const QString& filter, int* index) {
        EXPECT_EQ(filter, "HPGL|*.plt|DXF R12|*.dxf|G Code|*.nc");
        *index = 2;
        return missing;
    };
    f.form->Item(ui::FrameItem::Open)->trigger();
    ASSERT_EQ(f.notifier.messages.size(), 1u);
    EXPECT_EQ(f.notifier.messages[0].text, missing.toStdString());
    EXPECT_EQ(f.notifier.messages[0].caption, "I cannot open the file : ");
    EXPECT_EQ(f.notifier.messages[0].buttons, Buttons::OkCancel);
    EXPECT_TRUE(f.form->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(f.config.Live.OpenFilterIndex, 2);

    // A bitmap's name typed past the filter of a milling machine: refused, nothing opens.
    f.notifier.messages.clear();
    bool created = false;
    f.commands.createDrawing = [&](int) -> std::unique_ptr<ui::DrawingChild> {
        created = true;
        return nullptr;
    };
    EXPECT_FALSE(f.form->OpenDrawing(f.Write("photo.BMP", "BM")));
    EXPECT_FALSE(created);
    ASSERT_EQ(f.notifier.messages.size(), 1u);
    EXPECT_EQ(f.notifier.messages[0].text, "A bitmap can be burnt on a laser machine only");
    EXPECT_EQ(f.notifier.messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(f.form->MdiArea()->subWindowList().isEmpty());

    f.ctx.PlotParams.Laser = 1;  // a laser offers bitmaps in G-code's place
    QString offered;
    f.picker.open = [&](const QString&, const QString& filter, int*) {
        offered = filter;
        return QString();
    };
    f.form->FileOpenItemClick();
    EXPECT_EQ(offered, "HPGL|*.plt|DXF R12|*.dxf|BMP|*.bmp");
}

TEST(MainForm, ViewOptionsAreOneColourModeAndGoIntoTheStateRecord) {
    Frame f;
    f.form->Item(ui::FrameItem::Sequence)->trigger();
    f.form->Item(ui::FrameItem::Sequence)->trigger();
    EXPECT_TRUE(f.form->Item(ui::FrameItem::Sequence)->isChecked());
    EXPECT_FALSE(f.form->Item(ui::FrameItem::Layers)->isChecked());
    f.form->Item(ui::FrameItem::InputPoints)->trigger();
    EXPECT_TRUE(f.config.Live.Kolejnosc);
    EXPECT_FALSE(f.config.Live.Warstwy);
    EXPECT_FALSE(f.config.Live.Punktywej);
    ASSERT_TRUE(f.config.SaveGlobal());
    GlobalState read;
    ASSERT_EQ(ReadGlobalStateFile(f.dir.path(), &read, nullptr), GlobalFileStatus::Read);
    EXPECT_TRUE(read.Kolejnosc);
    EXPECT_FALSE(read.Punktywej);
}

TEST(MainForm, ZoomButtonsStepTheBarWithinItsRange) {
    Frame f;
    ASSERT_TRUE(f.form->OpenDrawing(f.Write("square.plt", kSquare)));
    for (int i = 0; i < 12; ++i) f.form->sbZoomInClick();
    EXPECT_EQ(f.form->tbZoom()->value(), 10);
    EXPECT_EQ(f.form->ActiveDrawing()->Zoom(), 10);
    EXPECT_FALSE(f.ButtonEnabled(ui::FrameButton::Simulation));
    f.form->sbZoomOutClick();
    EXPECT_EQ(f.form->tbZoom()->value(), 9);
    f.form->sbZoomToFitClick();
    EXPECT_EQ(f.form->ActiveDrawing()->Zoom(), 1);
    EXPECT_TRUE(f.ButtonEnabled(ui::FrameButton::Simulation));
}

TEST(MainForm, LayersOutsideALayerProjectSaysSo) {
    Frame f;
    ASSERT_TRUE(f.form->OpenDrawing(f.Write("square.plt", kSquare)));
    bool shown = false;
    f.commands.showLayers = [&] { shown = true; };
    f.form->mWarstwyClick();
    EXPECT_FALSE(shown);
    ASSERT_EQ(f.notifier.messages.size(), 1u);
    EXPECT_EQ(f.notifier.messages[0].text,
              "This option is only available for the multilayer type of project (see Configuration)");
    f.settings.SetChoice("ProjektType", 1);
    f.form->mWarstwyClick();
    EXPECT_TRUE(shown);
}

TEST(MainForm, CloseIsRefusedWhileAnUnheldJobStreams) {
    Frame f;
    f.form->show();
    CloseState state{true, true, false, false};
    int stops = 0, burnEnds = 0;
    f.commands.closeState = [&] { return state; };
    f.commands.stopStream = [&] { ++stops; };
    f.commands.endBurn = [&] { ++burnEnds; };
    EXPECT_FALSE(f.form->close());
    ASSERT_EQ(f.notifier.messages.size(), 1u);
    EXPECT_EQ(f.notifier.messages[0].text, "You cant close programm before end off cating");
    EXPECT_EQ(f.notifier.messages[0].caption, "Uwaga");
    EXPECT_EQ(f.notifier.messages[0].kind, MessageKind::Error);
    state.lptTransfer = true;
    state.streaming = false;
    EXPECT_FALSE(f.form->close());
    EXPECT_EQ(burnEnds, 0);
    state = {true, true, true, false};  // held: the stream ends, the program closes
    EXPECT_TRUE(f.form->close());
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(burnEnds, 1);
}

TEST(AboutBox, ShowsTheMachineReadFreshAndClosesOnAnyKey) {
    test::MachineRig machine;
    machine.env.Lang.Language = kLangEnglish;
    int reads = 0;
    bool answers = true;
    ui::TAboutBox box(machine.ctx, machine.env, [&] {
        ++reads;
        machine.ctx.PlotState.RunMinutes = 125;
        machine.ctx.PlotState.ProductionDate = "20240115";
        machine.ctx.WorkAreaX = 600.4;
        machine.ctx.WorkAreaY = 399.6;
        return answers;
    });
    box.FormActivate();
    EXPECT_EQ(box.Value("przebieg")->text(), "2 hour  5 min ");
    EXPECT_EQ(box.Value("obszar")->text(), "600x400");
    EXPECT_EQ(box.Value("dataprod")->text(), "2024.01.15");
    EXPECT_EQ(box.Value("Label4")->text(), "Model :");
    EXPECT_FALSE(box.Value("ver")->text().isEmpty());
    answers = false;
    QTimer::singleShot(20, [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&box, &press);
    });
    box.exec();
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(box.Value("prod")->text(), "No data");
    EXPECT_EQ(box.Value("ilpl")->text(), "No data");
}

int main(int argc, char** argv) {
    // The tests run without a display (also while CTest lists them).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
