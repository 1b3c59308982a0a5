#include "machine_operation/ui/tster.h"

#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>

#include "machine_operation/touch_layout.h"
#include "settings/ui/flt_edit.h"
#include "model/ui/qt_text.h"

namespace vellisk::ui {

namespace {

QRect ToQ(const PanelRect& r) { return QRect(r.left, r.top, r.width, r.height); }

constexpr PanelControl kJogButtons[] = {PanelControl::JogUpLeft, PanelControl::JogUp,        PanelControl::JogUpRight,
                                        PanelControl::JogLeft,   PanelControl::JogRight,     PanelControl::JogDownLeft,
                                        PanelControl::JogDown,   PanelControl::JogDownRight, PanelControl::ToolUp,
                                        PanelControl::ToolDown};

// A bar's range, position and steps, without a change signal (the panel set them itself).
void ShowBar(QScrollBar* scroll, const BarState& bar) {
    const QSignalBlocker block(scroll);
    scroll->setRange(bar.min, bar.max);
    scroll->setValue(bar.position);
    scroll->setPageStep(bar.largeChange);
    scroll->setSingleStep(bar.smallChange);
}

}  // namespace

Tster::Tster(ControlPanel& panel, const ProgramEnvironment& env, bool touchPanel, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), panel_(panel), env_(env), touch_(touchPanel) {
    setObjectName("ster");
    Build();
    if (touch_) {
        PlaceTouch();
        LoadTouchIcons();
    } else {
        PlaceNormal();
    }
    WatchKeys();
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Tster::OnTimer);
    panel_.AttachView(this);
}

Tster::~Tster() {
    timer_.stop();
    panel_.AttachView(nullptr);
}

std::uint16_t Tster::VirtualKey(int key, Qt::KeyboardModifiers mods) {
    const bool pad = mods.testFlag(Qt::KeypadModifier);
    switch (key) {
        case Qt::Key_PageUp: return kKeyPageUp;
        case Qt::Key_PageDown: return kKeyPageDown;
        case Qt::Key_Left: return kKeyLeft;
        case Qt::Key_Up: return kKeyUp;
        case Qt::Key_Right: return kKeyRight;
        case Qt::Key_Down: return kKeyDown;
        case Qt::Key_Insert: return kKeyInsert;
        case Qt::Key_Control: return kKeyCtrl;
        default: break;
    }
    if (!pad) return 0;
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint16_t>(kKeyNumpad0 + (key - Qt::Key_0));
    if (key == Qt::Key_Plus) return kKeyNumpadPlus;
    if (key == Qt::Key_Minus) return kKeyNumpadMinus;
    return 0;
}

void Tster::Build() {
    auto tool = [&](PanelControl c, const char* name, bool checkable = false) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setCheckable(checkable);
        b->setFocusPolicy(Qt::NoFocus);
        buttons_[static_cast<int>(c)] = b;
        return b;
    };
    auto push = [&](PanelControl c, const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(name);
        buttons_[static_cast<int>(c)] = b;
        return b;
    };
    bevel_ = new QFrame(this);
    bevel_->setObjectName("bPS");
    bevel_->setFrameShape(QFrame::Box);
    bevel_->setFrameShadow(QFrame::Sunken);
    bevel_->lower();

    const char* arrows[] = {"\u2196", "\u2191", "\u2197", "\u2190",  "\u2192",
                            "\u2199", "\u2193", "\u2198", "Z\u2191", "Z\u2193"};
    const char* names[] = {"kul", "ku", "kur", "kl", "kr", "kdl", "kd", "kdr", "kzu", "kzd"};
    for (int i = 0; i < 10; ++i) {
        QToolButton* b = tool(kJogButtons[i], names[i]);
        b->setText(QString::fromUtf8(arrows[i]));
    }
    // Press and release of the jog buttons and STOP's press are taken in the event filter, where
    // the mouse buttons of the event are known; STOP's click asks for the hold.
    QToolButton* stop = tool(PanelControl::Stop, "kstop");
    connect(stop, &QToolButton::clicked, this, [this] { Guard([&] { panel_.StopClick(); }); });
    QToolButton* spindle = tool(PanelControl::Spindle, "k_zalwyl", true);
    spindle->setText("I/O");
    connect(spindle, &QToolButton::clicked, this, [this] { Guard([&] { panel_.SpindleClick(); }); });

    connect(push(PanelControl::Home, "bazuj"), &QPushButton::clicked, this,
            [this] { Guard([&] { panel_.HomeClick(); }); });
    connect(push(PanelControl::SetZero, "setbaza"), &QPushButton::clicked, this,
            [this] { Guard([&] { panel_.SetZeroClick(); }); });
    connect(push(PanelControl::Move, "btnPrzesun"), &QPushButton::clicked, this,
            [this] { Guard([&] { panel_.MoveClick(); }); });
    connect(push(PanelControl::ToolLength, "pomiar"), &QPushButton::clicked, this,
            [this] { Guard([&] { panel_.ToolLengthClick(); }); });
    connect(push(PanelControl::Outputs, "ButtonWyjscia"), &QPushButton::clicked, this,
            [this] { Guard([&] { panel_.OutputsClick(); }); });
    connect(push(PanelControl::Close, "zamknij"), &QPushButton::clicked, this,
            [this] { Guard([&] { panel_.CloseClick(); }); });

    gbWspMaszyny_ = new QGroupBox(this);
    gbWspMaszyny_->setObjectName("gbWspMaszyny");
    gbWspProjektu_ = new QGroupBox(this);
    gbWspProjektu_->setObjectName("gbWspProjektu");
    const char* coordNames[] = {"wmx", "wmy", "wmz", "wpx", "wpy", "wpz"};
    for (int i = 0; i < 6; ++i) {
        QGroupBox* box = i < 3 ? gbWspMaszyny_ : gbWspProjektu_;
        coordNames_[i] = new QLabel(QString("XYZ"[i % 3]) + ":", box);
        coords_[i] = new QLabel("0", box);
        coords_[i]->setObjectName(coordNames[i]);
        coords_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }

    szybkosc_ = new QGroupBox(this);
    szybkosc_->setObjectName("Szybkosc");
    vScroll_ = new QScrollBar(Qt::Horizontal, szybkosc_);
    vScroll_->setObjectName("VScroll");
    speedlabel_ = new QLabel(szybkosc_);
    speedlabel_->setObjectName("speedlabel");
    connect(vScroll_, &QScrollBar::valueChanged, this, [this](int v) { Guard([&] { panel_.SpeedBarMoved(v); }); });

    moc_ = new QGroupBox(this);
    moc_->setObjectName("moc");
    pScroll_ = new QScrollBar(Qt::Horizontal, moc_);
    pScroll_->setObjectName("PScroll");
    powerLabel_ = new QLabel(moc_);
    powerLabel_->setObjectName("PowerLabel");
    connect(pScroll_, &QScrollBar::actionTriggered, this, [this](int) { Guard([&] { panel_.PowerBarScrolled(); }); });
    connect(pScroll_, &QScrollBar::valueChanged, this, [this](int v) { Guard([&] { panel_.PowerBarMoved(v); }); });

    lCzasImpulsu_ = new QLabel(this);
    lCzasImpulsu_->setObjectName("lCzasImpulsu");
    czasImpulsu_ = new TFltEdit(this);
    czasImpulsu_->setObjectName("CzasImpulsu");
    czasImpulsu_->SetMinValue(0);
    czasImpulsu_->SetMaxValue(65000);
    czasImpulsu_->SetPrecision(0);
    connect(czasImpulsu_, &QAbstractSpinBox::editingFinished, this, [this] {
        Guard([&] {
            czasImpulsu_->Commit();
            panel_.PulseFieldExit(czasImpulsu_->Value());
        });
    });
    lCzasImpulsuJM_ = new QLabel("ms", this);
    lCzasImpulsuJM_->setObjectName("lCzasImpulsuJM");

    // The service panel (hidden): actual speed, link error counters, inverter programming.
    pSerwisowy_ = new QWidget(this);
    pSerwisowy_->setObjectName("pSerwisowy");
    chwilowa_ = new QProgressBar(pSerwisowy_);
    chwilowa_->setObjectName("chwilowa");
    chwilowa_->setRange(1, 20000);
    chwilowa_->setTextVisible(false);
    chwilowa_->setGeometry(8, 8, 200, 16);
    chwilowaLabel_ = new QLabel(pSerwisowy_);
    chwilowaLabel_->setObjectName("chwilowaLabel");
    chwilowaLabel_->setGeometry(216, 8, 80, 16);
    usbError_ = new QLabel(pSerwisowy_);
    usbError_->setObjectName("UsbError");
    usbError_->setGeometry(8, 32, 120, 16);
    setInverter_ = new QPushButton(Q(env_.Text(TextId::PanelInverter)), pSerwisowy_);
    setInverter_->setObjectName("SetInverter");
    setInverter_->setGeometry(8, 56, 120, 26);
    connect(setInverter_, &QPushButton::clicked, this, [this] { Guard([&] { panel_.InverterClick(); }); });
    servis_ = new QPushButton(Q(env_.Text(TextId::PanelService)), pSerwisowy_);
    servis_->setObjectName("Servis");
    servis_->setGeometry(136, 56, 80, 26);
    connect(servis_, &QPushButton::clicked, this, [this] { resize(width(), height() + 100); });
    pSerwisowy_->hide();
}

void Tster::PlaceNormal() {
    setFixedSize(420, 500);
    gbWspMaszyny_->setGeometry(8, 8, 200, 96);
    gbWspProjektu_->setGeometry(212, 8, 200, 96);
    for (int i = 0; i < 6; ++i) {
        coordNames_[i]->setGeometry(10, 22 + (i % 3) * 22, 20, 20);
        coords_[i]->setGeometry(34, 22 + (i % 3) * 22, 150, 20);
    }
    szybkosc_->setGeometry(8, 108, 404, 52);
    vScroll_->setGeometry(8, 22, 300, 20);
    speedlabel_->setGeometry(316, 22, 80, 20);
    moc_->setGeometry(8, 164, 404, 52);
    pScroll_->setGeometry(8, 22, 300, 20);
    powerLabel_->setGeometry(316, 22, 80, 20);

    const PanelRect bevel{8, 224, 256, 196};
    bevel_->setGeometry(ToQ(bevel));
    for (const auto& [c, r] : ArrangeJogGrid(bevel, {8, 68, 128, 196}, {8, 68, 128}, 54, ZColumn::Last))
        Button(c)->setGeometry(ToQ(r));
    const PanelControl right[] = {PanelControl::Home, PanelControl::SetZero, PanelControl::Move,
                                  PanelControl::ToolLength, PanelControl::Outputs};
    for (int i = 0; i < 5; ++i) Button(right[i])->setGeometry(276, 224 + i * 34, 136, 28);
    Button(PanelControl::Close)->setGeometry(276, 392, 136, 28);
    lCzasImpulsu_->setGeometry(8, 430, 100, 22);
    czasImpulsu_->setGeometry(110, 430, 90, 22);
    lCzasImpulsuJM_->setGeometry(210, 430, 60, 22);
    pSerwisowy_->setGeometry(0, 500, 420, 100);
}

void Tster::PlaceTouch() {
    const TouchLayout t = ArrangeTouchPanel(panel_.Visible(PanelControl::PulseField), 22);
    QFont f = font();
    f.setPointSize(t.fontPointSize);
    f.setBold(t.boldFont);
    setFont(f);
    setFixedSize(t.parts.at(TouchPart::Form).width, t.parts.at(TouchPart::Form).height);
    for (const auto& [c, r] : t.controls) Button(c)->setGeometry(ToQ(r));
    bevel_->setGeometry(ToQ(t.parts.at(TouchPart::Bevel)));
    gbWspMaszyny_->setGeometry(ToQ(t.parts.at(TouchPart::MachineBox)));
    gbWspProjektu_->setGeometry(ToQ(t.parts.at(TouchPart::ProjectBox)));
    for (int i = 0; i < 6; ++i) {
        coordNames_[i]->setGeometry(10 + (i % 3) * 130, 22, 24, 22);
        coords_[i]->setGeometry(34 + (i % 3) * 130, 22, 96, 22);
    }
    szybkosc_->setGeometry(ToQ(t.parts.at(TouchPart::SpeedBox)));
    moc_->setGeometry(ToQ(t.parts.at(TouchPart::PowerBox)));
    vScroll_->setGeometry(ToQ(t.parts.at(TouchPart::SpeedBar)));
    pScroll_->setGeometry(ToQ(t.parts.at(TouchPart::PowerBar)));
    speedlabel_->setGeometry(vScroll_->geometry().right() + 10, 20, 90, 45);
    powerLabel_->setGeometry(pScroll_->geometry().right() + 10, 20, 90, 45);
    lCzasImpulsu_->setGeometry(ToQ(t.parts.at(TouchPart::PulseLabel)));
    czasImpulsu_->setGeometry(ToQ(t.parts.at(TouchPart::PulseField)));
    lCzasImpulsuJM_->setGeometry(ToQ(t.parts.at(TouchPart::PulseUnit)));
    czasImpulsu_->BigNumPad = true;
    czasImpulsu_->JedenKlikKalkulator = true;
    pSerwisowy_->setGeometry(0, height(), width(), 100);
}

void Tster::LoadTouchIcons() {
    const std::filesystem::path dir = env_.ProgramDir;
    if (!TouchIconsPresent(dir)) return;  // the plain buttons stay
    for (const auto& [c, file] : TouchIconFiles()) {
        const QPixmap pm(QString::fromStdString((dir / "Ikony" / file).string()));
        QAbstractButton* b = Button(c);
        b->setIcon(QIcon(pm));
        b->setIconSize(QSize(66, 66));
        if (c != PanelControl::Stop) b->setText({});
    }
    Button(PanelControl::Stop)->setText({});
    iconsLoaded_ = true;
}

void Tster::WatchKeys() {
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        if (w != czasImpulsu_ && !czasImpulsu_->isAncestorOf(w)) w->installEventFilter(this);
}

void Tster::Guard(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, windowTitle(), QString::fromStdString(e.what()));
    }
}

void Tster::OnTimer() {
    Guard([&] { panel_.Timer1Timer(); });
    inputSeen_ = false;
}

bool Tster::HandleKey(QObject*, QEvent* event) {
    auto* k = static_cast<QKeyEvent*>(event);
    const std::uint16_t vk = VirtualKey(k->key(), k->modifiers());
    if (vk == 0) return false;
    if (event->type() == QEvent::KeyPress) {
        Guard([&] { panel_.KeyDown(vk); });
    } else {
        // A held key repeats as release and press pairs: only the real release counts.
        if (k->isAutoRepeat()) return true;
        Guard([&] { panel_.KeyUp(vk); });
    }
    // Ctrl goes on to the focused control; the machine keys do not (a bar would move too).
    return vk != kKeyCtrl;
}

void Tster::HandleMouse(QObject* watched, QMouseEvent* e) {
    PanelControl which = PanelControl::Count;
    for (int i = 0; i < static_cast<int>(PanelControl::Count); ++i)
        if (buttons_[i] == watched) which = static_cast<PanelControl>(i);
    if (which == PanelControl::Count) return;
    // The panel acts on the jog buttons and STOP only; the left button alone presses them.
    if (e->type() == QEvent::MouseButtonPress) {
        if (e->button() == Qt::LeftButton && e->buttons() == Qt::LeftButton) Guard([&] { panel_.ButtonDown(which); });
    } else if (e->button() == Qt::LeftButton) {
        Guard([&] { panel_.ButtonUp(which); });
    }
}

bool Tster::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: inputSeen_ = true; return HandleKey(watched, event);
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            inputSeen_ = true;
            HandleMouse(watched, static_cast<QMouseEvent*>(event));
            break;
        case QEvent::Wheel: inputSeen_ = true; break;
        default: break;
    }
    return QWidget::eventFilter(watched, event);
}

bool Tster::event(QEvent* e) {
    if (!activating_ && (e->type() == QEvent::WindowActivate || e->type() == QEvent::WindowDeactivate)) {
        activating_ = true;
        Guard([&] {
            if (e->type() == QEvent::WindowActivate)
                panel_.FormActivate();
            else
                panel_.FormDeactivate();
        });
        activating_ = false;
    }
    return QWidget::event(e);
}

// ---- PanelView ---------------------------------------------------------------------------

QLabel* Tster::Label(PanelText t) const {
    switch (t) {
        case PanelText::MachineX: return coords_[0];
        case PanelText::MachineY: return coords_[1];
        case PanelText::MachineZ: return coords_[2];
        case PanelText::ProjectX: return coords_[3];
        case PanelText::ProjectY: return coords_[4];
        case PanelText::ProjectZ: return coords_[5];
        case PanelText::SpeedLabel: return speedlabel_;
        case PanelText::PowerLabel: return powerLabel_;
        case PanelText::ActualSpeed: return chwilowaLabel_;
        case PanelText::LinkErrors: return usbError_;
        case PanelText::PulseLabel: return lCzasImpulsu_;
        default: return nullptr;
    }
}

QGroupBox* Tster::Box(PanelText t) const {
    switch (t) {
        case PanelText::MachineBox: return gbWspMaszyny_;
        case PanelText::ProjectBox: return gbWspProjektu_;
        case PanelText::SpeedBox: return szybkosc_;
        case PanelText::PowerBox: return moc_;
        default: return nullptr;
    }
}

void Tster::SetCaption(const std::string& text) { setWindowTitle(Q(text)); }

void Tster::SetText(PanelText which, const std::string& text) {
    const QString s = Q(text);
    if (QLabel* l = Label(which)) {
        l->setText(s);
        return;
    }
    if (QGroupBox* b = Box(which)) {
        b->setTitle(s);
        return;
    }
    switch (which) {
        case PanelText::HomeButton: Button(PanelControl::Home)->setText(s); break;
        case PanelText::SetZeroButton: Button(PanelControl::SetZero)->setText(s); break;
        case PanelText::MoveButton: Button(PanelControl::Move)->setText(s); break;
        case PanelText::ToolLengthButton: Button(PanelControl::ToolLength)->setText(s); break;
        case PanelText::CloseButton: Button(PanelControl::Close)->setText(s); break;
        case PanelText::OutputsButton: Button(PanelControl::Outputs)->setText(s); break;
        case PanelText::StopButton:
            if (!iconsLoaded_) Button(PanelControl::Stop)->setText(s);
            break;
        case PanelText::SpeedBarHint: vScroll_->setToolTip(s); break;
        case PanelText::PowerBarHint: pScroll_->setToolTip(s); break;
        case PanelText::ToolUpHint: Button(PanelControl::ToolUp)->setToolTip(s); break;
        case PanelText::ToolDownHint: Button(PanelControl::ToolDown)->setToolTip(s); break;
        case PanelText::SpindleHint: Button(PanelControl::Spindle)->setToolTip(s); break;
        default: break;
    }
}

void Tster::ShowSpeedBar(const BarState& bar) { ShowBar(vScroll_, bar); }

void Tster::ShowPowerBar(const BarState& bar) { ShowBar(pScroll_, bar); }

void Tster::ShowActualSpeed(std::int32_t value) { chwilowa_->setValue(value); }

void Tster::SetEnabled(PanelControl which, bool on) {
    if (which == PanelControl::SpeedBox)
        szybkosc_->setEnabled(on);
    else if (which == PanelControl::PowerBox)
        moc_->setEnabled(on);
    else if (which == PanelControl::PulseField)
        czasImpulsu_->setEnabled(on);
    else if (QAbstractButton* b = Button(which))
        b->setEnabled(on);
}

void Tster::SetVisible(PanelControl which, bool on) {
    if (which == PanelControl::PulseField) {
        czasImpulsu_->setVisible(on);
        lCzasImpulsu_->setVisible(on);
        lCzasImpulsuJM_->setVisible(on);
        // The touch layout's height and bevel follow the pulse field.
        if (touch_) PlaceTouch();
    } else if (which == PanelControl::SpeedBox) {
        szybkosc_->setVisible(on);
    } else if (which == PanelControl::PowerBox) {
        moc_->setVisible(on);
    } else if (QAbstractButton* b = Button(which)) {
        b->setVisible(on);
    }
}

void Tster::SetSpindleDown(bool down) { Button(PanelControl::Spindle)->setChecked(down); }

void Tster::ShowPulseTime(double ms) { czasImpulsu_->SetValue(ms); }

bool Tster::IsActive() { return isActiveWindow(); }

void Tster::Close() { close(); }

void Tster::TimerChanged(bool running, int intervalMs) {
    timer_.setInterval(intervalMs);
    if (!running)
        timer_.stop();
    else if (!timer_.isActive())
        timer_.start();
}

}  // namespace vellisk::ui
