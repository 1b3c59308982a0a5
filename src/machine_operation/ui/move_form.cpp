#include "machine_operation/ui/move_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <filesystem>

#include "machine_operation/ui/loop_interrupt.h"
#include "settings/ui/flt_edit.h"
#include "model/ui/qt_text.h"

namespace vellisk::ui {
Tprzesun::Tprzesun(CommandLayer& layer, const ProgramEnvironment& env, const Settings& settings, JobPanel* panel,
                   QWidget* parent)
    : QDialog(parent), layer_(layer), env_(env), engine_(layer, env, settings), panel_(panel) {
    setObjectName("przesun");
    setModal(true);
    setWindowTitle(Q(env_.Text(TextId::MvCaption)));
    przesun_ = new QGroupBox(Q(env_.Text(TextId::MvGroup)), this);
    przesun_->setObjectName("Przesun");
    auto* radios = new QVBoxLayout(przesun_);
    const TextId items[3] = {TextId::MvToMachine, TextId::MvToProject, TextId::MvByValue};
    for (int i = 0; i < 3; ++i) {
        modes_[i] = new QRadioButton(Q(env_.Text(items[i])), przesun_);
        radios->addWidget(modes_[i]);
    }
    modes_[MoveDialog::ByDelta]->setChecked(true);

    auto* grid = new QGridLayout;
    const char* names[3] = {"delta_x", "delta_y", "delta_z"};
    const char* axes[3] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        fields_[i] = new TFltEditU(this);
        fields_[i]->setObjectName(names[i]);
        fields_[i]->SetMinValue(-100000);
        fields_[i]->SetMaxValue(100000);
        units_[i] = new QLabel(this);
        grid->addWidget(new QLabel(axes[i], this), i, 0);
        grid->addWidget(fields_[i], i, 1);
        grid->addWidget(units_[i], i, 2);
    }
    bezosiZ_ = new QCheckBox(Q(env_.Text(TextId::MvWithoutZ)), this);
    bezosiZ_->setObjectName("bezosiZ");
    bezosiZ_->setChecked(true);
    grid->addWidget(bezosiZ_, 3, 0, 1, 3);

    auto button = [&](TextId t, const char* name) {
        auto* b = new QPushButton(Q(env_.Text(t)), this);
        b->setObjectName(name);
        return b;
    };
    wykonaj_ = button(TextId::MvExecute, "Wykonaj");
    wykonaj_->setDefault(true);
    cancel_ = button(TextId::MvCancel, "cancel");
    test_ = button(TextId::MvMotionTest, "test");
    scan_ = button(TextId::MvScan, "scan");
    heater_ = button(TextId::MvHeaterTest, "TestGrzalki");
    laser_ = button(TextId::MvLaserTest, "ButtonTestLasera");
    const QString hint = Q(env_.Text(TextId::MvLoopHint));
    for (QPushButton* b : {test_, scan_, heater_, laser_}) b->setToolTip(hint);

    auto* buttons = new QGridLayout;
    buttons->addWidget(wykonaj_, 0, 0);
    buttons->addWidget(cancel_, 0, 1);
    buttons->addWidget(test_, 1, 0);
    buttons->addWidget(scan_, 1, 1);
    buttons->addWidget(heater_, 2, 0);
    buttons->addWidget(laser_, 2, 1);
    auto* main = new QVBoxLayout(this);
    main->addWidget(przesun_);
    main->addLayout(grid);
    main->addLayout(buttons);

    connect(wykonaj_, &QPushButton::clicked, this, &Tprzesun::WykonajClick);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(test_, &QPushButton::clicked, this,
            [this] { RunLoop([this](UserInterrupt& i) { engine_.MotionTest(i); }); });
    connect(heater_, &QPushButton::clicked, this,
            [this] { RunLoop([this](UserInterrupt& i) { engine_.HeaterTest(i); }); });
    connect(laser_, &QPushButton::clicked, this,
            [this] { RunLoop([this](UserInterrupt& i) { engine_.LaserTest(i); }); });
    connect(scan_, &QPushButton::clicked, this, [this] {
        bool closes = false;
        RunLoop([&](UserInterrupt& i) { closes = engine_.Scan(i); });
        if (closes) accept();
    });
}

void Tprzesun::showEvent(QShowEvent* e) {
    for (int i = 0; i < 3; ++i) {
        fields_[i]->SetUnit(env_.LengthUnit);
        units_[i]->setText("[" + Q(UnitName(env_.LengthUnit)) + "]");
    }
    QDialog::showEvent(e);
}

void Tprzesun::ToEngine() {
    for (int i = 0; i < 3; ++i)
        if (modes_[i]->isChecked()) engine_.mode = i;
    engine_.x = fields_[0]->Value();
    engine_.y = fields_[1]->Value();
    engine_.z = fields_[2]->Value();
    engine_.withoutZ = bezosiZ_->isChecked();
}

void Tprzesun::WykonajClick() {
    bool closes = false;
    RunLoop([&](UserInterrupt& i) { closes = engine_.Execute(i); });
    if (engine_.mode == MoveDialog::ToMachine) {
        fields_[0]->SetValue(engine_.x);
        fields_[1]->SetValue(engine_.y);
        fields_[2]->SetValue(engine_.z);
    }
    if (closes) accept();
}

template <typename F>
void Tprzesun::RunLoop(F&& loop) {
    ToEngine();
    LoopInterrupt interrupt(panel_);
    RunReported(layer_.GetNotifier(), [&] { loop(interrupt); });
}

}  // namespace vellisk::ui
