#include "drawing_window/ui/hatching_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "drawing_window/project.h"
#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "model/length_unit.h"
#include "settings/ui/flt_edit.h"
#include "model/ui/qt_text.h"

namespace vellisk::ui {

TFormKreski::TFormKreski(Project& project, const Settings& settings, const ProgramEnvironment& env, JobValues& job,
                         Notifier& notifier, const HatchOptions& options, QWidget* parent)
    : QDialog(parent), project_(project), settings_(settings), env_(env), job_(job), notifier_(notifier) {
    setObjectName("FormKreski");
    setModal(true);
    setWindowTitle(Q(env.Text(TextId::HatchCaption)));
    odstep_ = new TFltEditU(this);
    odstep_->setObjectName("Odstep");
    odstep_->SetUnit(env.LengthUnit);
    odstep_->SetMinValue(0);
    odstep_->SetMaxValue(100);
    odstep_->SetIncrement(0.1);
    odstep_->LiniowyInkrement = true;
    odstep_->SetValue(options.SpacingMm);
    kat_ = new TFloatEdit(this);
    kat_->setObjectName("Kat");
    kat_->SetMinValue(-360);
    kat_->SetMaxValue(360);
    kat_->SetIncrement(0.1);
    kat_->SetValue(options.AngleDeg);
    wytnij_ = new QCheckBox(Q(env.Text(TextId::HatchCutOutline)), this);
    wytnij_->setObjectName("WytnijObrys");
    wytnij_->setChecked(options.CutOutline);
    dwukierunkowo_ = new QCheckBox(Q(env.Text(TextId::HatchTwoWay)), this);
    dwukierunkowo_->setObjectName("kreskiDwukierunkowo");
    dwukierunkowo_->setChecked(options.TwoWay);
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("ButtonOk");
    ok_->setDefault(true);
    cancel_ = new QPushButton(Q(env.Text(TextId::CfgCancel)), this);
    cancel_->setObjectName("ButtonCancel");
    cancel_->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Q(env.Text(TextId::HatchSpacing)), this), 0, 0);
    grid->addWidget(odstep_, 0, 1);
    grid->addWidget(new QLabel(Q("[" + UnitName(env.LengthUnit) + "]"), this), 0, 2);
    grid->addWidget(new QLabel(Q(env.Text(TextId::HatchAngle)), this), 1, 0);
    grid->addWidget(kat_, 1, 1);
    grid->addWidget(new QLabel(Q(env.Text(TextId::HatchAngleUnit)), this), 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addWidget(wytnij_);
    main->addWidget(dwukierunkowo_);
    main->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &TFormKreski::ButtonOkClick);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormKreski::ButtonOkClick() {
    HatchOptions chosen;
    chosen.SpacingMm = odstep_->Value();
    chosen.AngleDeg = kat_->Value();
    chosen.CutOutline = wytnij_->isChecked();
    chosen.TwoWay = dwukierunkowo_->isChecked();
    bool done = false;
    {
        BusyCursor busy(notifier_);
        RunReported(notifier_, [&] { done = HatchWithChoices(project_, settings_, env_, job_, notifier_, chosen); });
    }
    if (!done) {
        odstep_->setFocus();
        return;
    }
    accept();
}

bool ShowHatchingDialog(Project& project, const Settings& settings, const ProgramEnvironment& env, JobValues& job,
                        Notifier& notifier, QWidget* parent) {
    TFormKreski form(project, settings, env, job, notifier, job.HatchChoices, parent);
    if (form.exec() != QDialog::Accepted) return false;
    BusyCursor busy(notifier);
    RunReported(notifier, [&] { AfterHatching(project, settings, job); });
    return true;
}

}  // namespace vellisk::ui
