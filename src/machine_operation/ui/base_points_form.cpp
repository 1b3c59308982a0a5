#include "machine_operation/ui/base_points_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/number_text.h"
#include "settings/ui/flt_edit.h"
#include "model/ui/qt_text.h"

namespace vellisk::ui {
TPunkty_bazowe::TPunkty_bazowe(CommandLayer& layer, const ProgramEnvironment& env, QWidget* parent)
    : QDialog(parent), layer_(layer), env_(env), engine_(layer, env, LocaleDecimalSeparator()) {
    setObjectName("Punkty_bazowe");
    setModal(true);
    pbx_ = new TFltEditU(this);
    pbx_->setObjectName("pbx");
    pby_ = new TFltEditU(this);
    pby_->setObjectName("pby");
    for (TFltEditU* f : {pbx_, pby_}) {
        f->SetIncrement(1);
        f->SetMinValue(0);
    }
    pbx_->SetMaxValue(engine_.maxX);
    pby_->SetMaxValue(engine_.maxY);
    lx_ = new QLabel(this);
    lx_->setObjectName("lPbXjm");
    ly_ = new QLabel(this);
    ly_->setObjectName("lPbYjm");
    komentarz_ = new QLineEdit(this);
    komentarz_->setObjectName("komentarz");
    komentarz_->setMaxLength(static_cast<int>(kBaseRemarkLength));
    lista_ = new QListWidget(this);
    lista_->setObjectName("lista");
    auto button = [&](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(name);
        return b;
    };
    wpa_ = button("wpa");
    dodaj_ = button("Dodaj");
    usun_ = button("usun");
    przepisz_ = button("Przepisz");
    ustaw_ = button("ustaw");
    ustaw_->setDefault(true);
    anuluj_ = button("anuluj");
    usun_->setEnabled(false);
    przepisz_->setEnabled(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("X", this), 0, 0);
    grid->addWidget(pbx_, 0, 1);
    grid->addWidget(lx_, 0, 2);
    grid->addWidget(new QLabel("Y", this), 1, 0);
    grid->addWidget(pby_, 1, 1);
    grid->addWidget(ly_, 1, 2);
    grid->addWidget(komentarz_, 2, 0, 1, 3);
    auto* side = new QVBoxLayout;
    for (QPushButton* b : {wpa_, dodaj_, usun_, przepisz_}) side->addWidget(b);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(grid);
    top->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ustaw_);
    bottom->addWidget(anuluj_);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(lista_);
    main->addLayout(bottom);
    ShowList();

    connect(wpa_, &QPushButton::clicked, this, [this] {
        engine_.TakeMachinePosition();
        EngineToFields();
        accept();
    });
    connect(lista_, &QListWidget::currentRowChanged, this, [this](int row) {
        engine_.Select(row);
        usun_->setEnabled(engine_.LineActionsEnabled());
        przepisz_->setEnabled(engine_.LineActionsEnabled());
    });
    connect(przepisz_, &QPushButton::clicked, this, &TPunkty_bazowe::Copy);
    connect(lista_, &QListWidget::itemDoubleClicked, this, [this] {
        engine_.Select(lista_->currentRow());
        if (engine_.CopySelected()) {
            EngineToFields();
            accept();
        }
    });
    connect(dodaj_, &QPushButton::clicked, this, [this] {
        FieldsToEngine();
        engine_.Add();
        ShowList();
    });
    connect(usun_, &QPushButton::clicked, this, [this] {
        engine_.RemoveSelected();
        ShowList();
    });
    connect(ustaw_, &QPushButton::clicked, this, [this] {
        FieldsToEngine();
        accept();
    });
    connect(anuluj_, &QPushButton::clicked, this, &QDialog::reject);
}

TPunkty_bazowe::~TPunkty_bazowe() { engine_.Save(); }

void TPunkty_bazowe::showEvent(QShowEvent* e) {
    setWindowTitle(Q(env_.Text(TextId::BpCaption)));
    wpa_->setText(Q(env_.Text(TextId::BpTakePosition)));
    anuluj_->setText(Q(env_.Text(TextId::BpCancel)));
    ustaw_->setText(Q(env_.Text(TextId::BpSet)));
    przepisz_->setText(Q(env_.Text(TextId::BpCopy)));
    dodaj_->setText(Q(env_.Text(TextId::BpAdd)));
    usun_->setText(Q(env_.Text(TextId::BpRemove)));
    komentarz_->setPlaceholderText(Q(env_.Text(TextId::BpRemark)));
    engine_.Activate();
    for (TFltEditU* f : {pbx_, pby_}) f->SetUnit(env_.LengthUnit);
    EngineToFields();
    const QString unit = "[" + Q(UnitName(env_.LengthUnit)) + "]";
    lx_->setText(unit);
    ly_->setText(unit);
    QDialog::showEvent(e);
}

void TPunkty_bazowe::FieldsToEngine() {
    engine_.x = pbx_->Value();
    engine_.y = pby_->Value();
    engine_.remark = komentarz_->text().toStdString();
}

void TPunkty_bazowe::EngineToFields() {
    pbx_->SetValue(engine_.x);
    pby_->SetValue(engine_.y);
    komentarz_->setText(Q(engine_.remark));
}

void TPunkty_bazowe::ShowList() {
    const int selected = engine_.selected;
    lista_->blockSignals(true);
    lista_->clear();
    for (const std::string& l : engine_.lines) lista_->addItem(Q(l));
    lista_->setCurrentRow(selected);
    lista_->blockSignals(false);
    usun_->setEnabled(engine_.LineActionsEnabled());
    przepisz_->setEnabled(engine_.LineActionsEnabled());
}

void TPunkty_bazowe::Copy() {
    if (engine_.CopySelected()) EngineToFields();
}

}  // namespace vellisk::ui
