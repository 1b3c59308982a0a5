// The control panel's window offscreen, over the panel and the simulated controller behind the
// in-process USB device: real key and mouse events give the machine's bytes, the touch layout,
// and the images of "Ikony/".
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolButton>

#include "machine_link/commands.h"
#include "machine_operation/panel_rig.h"
#include "machine_operation/touch_layout.h"
#include "machine_operation/ui/tster.h"
#include "model/numeric.h"

using namespace vellisk;
using namespace vellisk::test;

namespace {

void Key(QWidget* to, QEvent::Type type, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
         bool autoRepeat = false) {
    QKeyEvent e(type, key, mods, QString(), autoRepeat);
    QApplication::sendEvent(to, &e);
}

void Mouse(QWidget* to, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
    const QPointF at(to->width() / 2.0, to->height() / 2.0);
    QMouseEvent e(type, at, to->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(to, &e);
}

std::string Right(const MachineContext& ctx) {
    return EncodeMoveCommand(1, static_cast<std::int32_t>(RoundHalfEven(60000 * ctx.PlotParams.StepsX)), 0, 0).Bytes;
}

TEST(Tster, KeysReachTheMachineWhereverTheFocusIs) {
    PanelRig rig(PanelLink::Usb, "NKV");
    rig.panel->FormActivate();
    ui::Tster form(*rig.panel, rig.env);
    form.show();
    QScrollBar* bar = form.SpeedBar();
    const int barAt = bar->value();
    std::size_t from = rig.LogSize();

    // A held arrow key: one jog; its auto-repeat pairs nothing; its release one stop.
    Key(bar, QEvent::KeyPress, Qt::Key_Right);
    for (int i = 0; i < 3; ++i) {
        Key(bar, QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, true);
        Key(bar, QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, true);
    }
    Key(bar, QEvent::KeyRelease, Qt::Key_Right);
    EXPECT_EQ(rig.Sent(from), (std::vector<std::string>{Right(rig.ctx), "Y"}));
    EXPECT_EQ(bar->value(), barAt) << "the focused bar did not move with the key";

    // Keypad 5 with NumLock on.
    from = rig.LogSize();
    Key(&form, QEvent::KeyPress, Qt::Key_5, Qt::KeypadModifier);
    Key(&form, QEvent::KeyRelease, Qt::Key_5, Qt::KeypadModifier);
    EXPECT_EQ(rig.Sent(from), (std::vector<std::string>{"Y"}));

    // Keypad 0 (Insert with NumLock off): the spindle.
    from = rig.LogSize();
    Key(form.Button(PanelControl::Home), QEvent::KeyPress, Qt::Key_Insert, Qt::KeypadModifier);
    EXPECT_EQ(rig.Sent(from), (std::vector<std::string>{B({'R', 1, 2})}));
}

TEST(Tster, MouseOnTheJogButtonsAndStop) {
    PanelRig rig(PanelLink::Usb, "NKV");
    rig.panel->FormActivate();
    ui::Tster form(*rig.panel, rig.env);
    form.show();
    QAbstractButton* kr = form.Button(PanelControl::JogRight);
    std::size_t from = rig.LogSize();
    Mouse(kr, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    Mouse(kr, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(rig.Sent(from), (std::vector<std::string>{Right(rig.ctx), "Y"}));

    // With the right button held as well nothing starts.
    from = rig.LogSize();
    Mouse(form.Button(PanelControl::JogLeft), QEvent::MouseButtonPress, Qt::LeftButton,
          Qt::LeftButton | Qt::RightButton);
    EXPECT_TRUE(rig.Sent(from).empty());

    // STOP: "Y" on the press; the click asks the next refresh for a hold.
    from = rig.LogSize();
    QAbstractButton* stop = form.Button(PanelControl::Stop);
    Mouse(stop, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    Mouse(stop, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(rig.Sent(from), (std::vector<std::string>{"Y"}));
    rig.model.statusByte = sim::kStRunning;
    rig.model.onCommand = [&](const sim::ReceivedCommand& c) {
        if (c.bytes == "Q") rig.model.statusByte = 0;
    };
    from = rig.LogSize();
    form.OnTimer();
    const auto sent = rig.Sent(from);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), "Q");
}

TEST(Tster, TimerCaptionsAndEnabling) {
    PanelRig rig(PanelLink::Usb, "NKV");
    ui::Tster form(*rig.panel, rig.env);
    rig.panel->FormActivate();
    EXPECT_TRUE(form.Timer()->isActive());
    EXPECT_EQ(form.Timer()->interval(), ControlPanel::kIntervalNormal);
    EXPECT_EQ(form.windowTitle(), "Manual control - connected [USB]");
    EXPECT_EQ(form.Button(PanelControl::Home)->text(), "&Home");
    EXPECT_EQ(form.Box(PanelText::MachineBox)->title(), "Machine coordinates [mm]");
    rig.model.statusByte = sim::kStRunning;
    form.OnTimer();
    EXPECT_FALSE(form.Button(PanelControl::JogUp)->isEnabled());
    EXPECT_TRUE(form.SpeedBar()->isEnabled());
    rig.panel->StopTimer();
    EXPECT_FALSE(form.Timer()->isActive());
}

TEST(Tster, NormalLayoutHasTheZColumnRightOfTheJogButtons) {
    PanelRig rig(PanelLink::Usb, "NKV");
    ui::Tster form(*rig.panel, rig.env);
    EXPECT_EQ(form.Bevel()->geometry(), QRect(8, 224, 256, 196));
    EXPECT_EQ(form.Button(PanelControl::JogUpLeft)->geometry(), QRect(8 + 8, 224 + 8, 54, 54));
    EXPECT_EQ(form.Button(PanelControl::Stop)->geometry(), QRect(8 + 68, 224 + 68, 54, 54));
    EXPECT_EQ(form.Button(PanelControl::JogDownRight)->geometry(), QRect(8 + 128, 224 + 128, 54, 54));
    EXPECT_EQ(form.Button(PanelControl::ToolUp)->geometry(), QRect(8 + 196, 224 + 8, 54, 54));
    EXPECT_EQ(form.Button(PanelControl::Spindle)->geometry(), QRect(8 + 196, 224 + 128, 54, 54));
}

TEST(Tster, TouchLayoutAndItsImages) {
    PanelRig rig(PanelLink::Usb, "NKV");
    TempDir dir;
    rig.env.ProgramDir = dir.path();
    {
        ui::Tster form(*rig.panel, rig.env, true);
        EXPECT_FALSE(form.TouchIconsLoaded()) << "no Ikony folder: the plain buttons stay";
        EXPECT_EQ(form.Button(PanelControl::Stop)->text(), "STOP");
        const QRect bevel = form.Bevel()->geometry();
        EXPECT_EQ(form.size(), QSize(628, 679));
        EXPECT_EQ(bevel, QRect(10, 679 - 10 - 22 - 20 - 300, 400, 300));
        EXPECT_EQ(form.Button(PanelControl::JogUp)->geometry(), QRect(bevel.left() + 222, bevel.top() + 16, 70, 70));
        EXPECT_EQ(form.Button(PanelControl::Spindle)->geometry(), QRect(bevel.left() + 10, bevel.top() + 216, 70, 70));
        EXPECT_EQ(form.Button(PanelControl::Close)->geometry().bottom() + 1, bevel.bottom() + 1);
        EXPECT_EQ(form.Button(PanelControl::Home)->geometry().left(), bevel.left() + 400 + 30);
        EXPECT_EQ(form.SpeedBar()->height(), 45);
        // A machine without laser (known once the panel is activated): no pulse field, a
        // shorter form and the bevel 10 above its bottom.
        rig.panel->FormActivate();
        EXPECT_EQ(form.size(), QSize(628, 669 - 22));
        EXPECT_EQ(form.Bevel()->geometry().bottom() + 1, 669 - 22 - 10);
    }
    std::filesystem::create_directories(dir / "Ikony");
    QImage img(66, 66, QImage::Format_RGB32);
    img.fill(Qt::red);
    const auto& files = TouchIconFiles();
    for (std::size_t i = 0; i + 1 < files.size(); ++i)
        ASSERT_TRUE(img.save(QString::fromStdString((dir / "Ikony" / files[i].second).string()), "BMP"));
    {
        ui::Tster form(*rig.panel, rig.env, true);
        EXPECT_FALSE(form.TouchIconsLoaded()) << "one image missing: none is used";
    }
    ASSERT_TRUE(img.save(QString::fromStdString((dir / "Ikony" / files.back().second).string()), "BMP"));
    ui::Tster form(*rig.panel, rig.env, true);
    EXPECT_TRUE(form.TouchIconsLoaded());
    EXPECT_TRUE(form.Button(PanelControl::Stop)->text().isEmpty());
    EXPECT_FALSE(form.Button(PanelControl::JogUp)->icon().isNull());
}

TEST(Tster, VirtualKeys) {
    EXPECT_EQ(ui::Tster::VirtualKey(Qt::Key_PageUp, Qt::KeypadModifier), 33);
    EXPECT_EQ(ui::Tster::VirtualKey(Qt::Key_7, Qt::KeypadModifier), 103);
    EXPECT_EQ(ui::Tster::VirtualKey(Qt::Key_7, Qt::NoModifier), 0);
    EXPECT_EQ(ui::Tster::VirtualKey(Qt::Key_Plus, Qt::KeypadModifier), 107);
    EXPECT_EQ(ui::Tster::VirtualKey(Qt::Key_Minus, Qt::KeypadModifier), 109);
    EXPECT_EQ(ui::Tster::VirtualKey(Qt::Key_Control, Qt::ControlModifier), 17);
}

}  // namespace
