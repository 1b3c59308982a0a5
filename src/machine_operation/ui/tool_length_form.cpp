#include "machine_operation/ui/tool_length_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "machine_operation/ui/loop_interrupt.h"
#include "settings/ui/flt_edit.h"
#include "model/ui/qt_text.h"

namespace vellisk::ui {
TdlugoscForm::TdlugoscForm(CommandLayer& layer, const ProgramEnvironment& env, Settings& settings, JobPanel* panel,
                           QWidget* parent)
    : QDialog(parent), layer_(layer), env_(env), engine_(layer, env, settings), panel_(panel) {
    setObjectName("dlugoscForm");
    setModal(true);
    tool_ = new TFltEditU(this);
    tool_->setObjectName("tool");
    tool_->SetMinValue(-10000);
    tool_->SetMaxValue(10000);
    tool_->SetIncrement(0.1);
    unit_ = new QLabel(this);
    auto* label = new QLabel(this);
    label->setObjectName("Label1");
    middle_ = new QWidget(this);
    middle_->setObjectName("pPrzyciskiSrodkowe");
    pomiar_ = new QPushButton(middle_);
    pomiar_->setObjectName("pomiar");
    material_ = new QPushButton(middle_);
    material_->setObjectName("powierzchnia_materialu");
    stol_ = new QPushButton(middle_);
    stol_->setObjectName("powierzchnia_stolu");
    auto* mid = new QVBoxLayout(middle_);
    mid->addWidget(pomiar_);
    mid->addWidget(material_);
    mid->addWidget(stol_);
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("OK");
    ok_->setDefault(true);
    anuluj_ = new QPushButton(this);
    anuluj_->setObjectName("Anuluj");

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(tool_);
    row->addWidget(unit_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ok_);
    bottom->addWidget(anuluj_);
    auto* main = new QVBoxLayout(this);
    main->addLayout(row);
    main->addWidget(middle_);
    main->addLayout(bottom);

    Notifier& n = layer.GetNotifier();
    connect(ok_, &QPushButton::clicked, this, [this, &n] {
        if (RunReported(n, [this] { engine_.Ok(tool_->Value()); })) accept();
    });
    connect(anuluj_, &QPushButton::clicked, this, &QDialog::reject);
    connect(stol_, &QPushButton::clicked, this, [this, &n] {
        bool closes = false;
        RunReported(n, [&] { closes = engine_.OnTable(); });
        if (closes) accept();
    });
    connect(material_, &QPushButton::clicked, this, [this, &n] {
        bool closes = false;
        RunReported(n, [&] { closes = engine_.OnMaterial(); });
        if (closes) accept();
    });
    connect(pomiar_, &QPushButton::clicked, this, [this, &n] {
        bool closes = false;
        {
            LoopInterrupt interrupt(panel_);
            RunReported(n, [&] { closes = engine_.Probe(interrupt); });
        }
        if (closes) accept();
    });
}

void TdlugoscForm::showEvent(QShowEvent* e) {
    const ToolLengthDialog::View v = engine_.Activate();
    setWindowTitle(Q(env_.Text(TextId::TlCaption)));
    findChild<QLabel*>("Label1")->setText(Q(env_.Text(TextId::TlDistance)));
    pomiar_->setText(Q(env_.Text(TextId::TlAutomatic)));
    anuluj_->setText(Q(env_.Text(TextId::TlCancel)));
    material_->setText(Q(env_.Text(TextId::TlOnMaterial)));
    stol_->setText(Q(env_.Text(TextId::TlOnTable)));
    tool_->SetMaxValue(v.toolMax);
    pomiar_->setEnabled(v.probeEnabled);
    tool_->SetUnit(env_.LengthUnit);
    tool_->SetValue(v.toolMm);
    unit_->setText("[" + Q(UnitName(env_.LengthUnit)) + "]");
    middle_->setVisible(v.surfaceButtons);
    QDialog::showEvent(e);
}

}  // namespace vellisk::ui
