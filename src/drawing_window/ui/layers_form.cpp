#include "drawing_window/ui/layers_form.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "drawing_window/project.h"
#include "machine_link/machine_context.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "model/length_unit.h"
#include "settings/ui/numpad_form.h"
#include "settings/settings.h"
#include "settings/ui/flt_edit.h"
#include "model/ui/qt_text.h"

namespace vellisk::ui {
namespace {

QColor ColourOf(std::int32_t c) {
    std::uint8_t r = 0, g = 0, b = 0;
    SplitRgb(c, r, g, b);
    return QColor(r, g, b);
}

}  // namespace

TfWarstwy::TfWarstwy(LayersDialog& engine, const ProgramEnvironment& env, QWidget* parent)
    : QDialog(parent), engine_(engine) {
    setObjectName("fWarstwy");
    setModal(true);
    setMinimumSize(450, 310);
    resize(engine.Laser() ? 575 : 480, 310);
    const std::string unit = UnitName(engine.Unit());

    sgWarstwy_ = new QTableWidget(this);
    sgWarstwy_->setObjectName("sgWarstwy");
    sgWarstwy_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgWarstwy_->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgWarstwy_->setSelectionMode(QAbstractItemView::SingleSelection);
    sgWarstwy_->verticalHeader()->setVisible(false);
    sgWarstwy_->verticalHeader()->setDefaultSectionSize(20);
    sgWarstwy_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);

    pKolor_ = new QLabel(this);
    pKolor_->setObjectName("pKolor");
    pKolor_->setAlignment(Qt::AlignCenter);
    pKolor_->setAutoFillBackground(true);
    pKolor_->setMinimumHeight(24);

    pFrezarka_ = new QWidget(this);
    pFrezarka_->setObjectName("pFrezarka");
    auto* lDepth = new QLabel(Q(env.Text(TextId::LayerDepth)), pFrezarka_);
    depth_ = new TFltEditU(pFrezarka_);
    depth_->setObjectName("feuWarstwaGlebokosc");
    depth_->SetUnit(engine.Unit());
    depth_->SetMinValue(0);
    depth_->SetMaxValue(170);
    depth_->SetIncrement(0.1);
    auto* fr = new QHBoxLayout(pFrezarka_);
    fr->addWidget(lDepth);
    fr->addWidget(depth_);
    fr->addWidget(new QLabel(Q("[" + unit + "]"), pFrezarka_));

    pLaser_ = new QWidget(this);
    pLaser_->setObjectName("pLaser");
    auto* lPower = new QLabel(Q(env.Text(TextId::LayerLaserPower)), pLaser_);
    power_ = new TFloatEdit(pLaser_);
    power_->setObjectName("feWarstwaMoc");
    power_->SetMinValue(0);
    power_->SetMaxValue(100);
    power_->SetIncrement(1);
    auto* lSpeed = new QLabel(Q(env.Text(TextId::LayerSpeed)), pLaser_);
    speed_ = new TFltEditU(pLaser_);
    speed_->setObjectName("feuWarstwaSzybkosc");
    speed_->SetUnit(engine.Unit());
    speed_->SetMinValue(0);
    speed_->SetMaxValue(engine.MaxSpeed());
    auto* la = new QHBoxLayout(pLaser_);
    la->addWidget(lPower);
    la->addWidget(power_);
    la->addWidget(new QLabel("[%]", pLaser_));
    la->addWidget(lSpeed);
    la->addWidget(speed_);
    la->addWidget(new QLabel(Q("[" + unit + "/min]"), pLaser_));
    pLaser_->setVisible(engine.Laser());
    pFrezarka_->setVisible(!engine.Laser());

    auto* pDol = new QWidget(this);
    pDol->setObjectName("pDol");
    aktywna_ = new QCheckBox(Q(env.Text(TextId::LayerEnabled)), pDol);
    aktywna_->setObjectName("cbWarstwaAktywna");
    zatwierdz_ = new QPushButton(Q(env.Text(TextId::LayerApply)), pDol);
    zatwierdz_->setObjectName("btnZatwierdz");
    zatwierdz_->setDefault(true);
    auto* dl = new QHBoxLayout(pDol);
    dl->addWidget(aktywna_);
    dl->addStretch();
    dl->addWidget(zatwierdz_);

    zapisz_ = new QPushButton("OK", this);
    zapisz_->setObjectName("btnZapisz");
    zapisz_->setAutoDefault(false);
    anuluj_ = new QPushButton(Q(env.Text(TextId::LayerCancel)), this);
    anuluj_->setObjectName("btnAnuluj");
    anuluj_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(zapisz_);
    buttons->addWidget(anuluj_);

    auto* main = new QVBoxLayout(this);
    main->addWidget(sgWarstwy_, 1);
    main->addWidget(pKolor_);
    main->addWidget(pFrezarka_);
    main->addWidget(pLaser_);
    main->addWidget(pDol);
    main->addLayout(buttons);

    for (QWidget* w : {static_cast<QWidget*>(depth_), static_cast<QWidget*>(power_), static_cast<QWidget*>(speed_)})
        w->installEventFilter(this);

    connect(sgWarstwy_, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
        if (!loading_ && row >= 0) engine_.Select(row);
    });
    connect(sgWarstwy_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row != engine_.Current()) engine_.Select(row);
        engine_.ToggleAndApply(Editors());
    });
    connect(zatwierdz_, &QPushButton::clicked, this, [this] {
        engine_.Apply(Editors());
        if (QWidget* w = ValueEditor()) {
            w->setFocus();
            if (auto* e = qobject_cast<NumberEditBase*>(w)) e->selectAll();
        }
    });
    connect(zapisz_, &QPushButton::clicked, this, [this] {
        engine_.Ok();
        accept();
    });
    connect(anuluj_, &QPushButton::clicked, this, &QDialog::reject);

    engine_.SetView(this);
    setWindowTitle(Q(env.Text(TextId::LayersCaption)));
    const auto headers = engine.Headers();
    sgWarstwy_->setColumnCount(static_cast<int>(headers.size()));
    QStringList h;
    for (const auto& t : headers) h << Q(t);
    sgWarstwy_->setHorizontalHeaderLabels(h);
    loading_ = true;
    sgWarstwy_->setRowCount(static_cast<int>(engine.Rows().size()));
    for (std::int32_t r = 0; r < static_cast<std::int32_t>(engine.Rows().size()); ++r) ShowRow(r);
    sgWarstwy_->resizeColumnsToContents();
    loading_ = false;
}

void TfWarstwy::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!engine_.Rows().empty() && engine_.Current() < 0) {
        engine_.Select(0);
        if (QWidget* w = ValueEditor()) w->setFocus();
    }
}

QWidget* TfWarstwy::ValueEditor() const {
    return engine_.Laser() ? static_cast<QWidget*>(power_) : static_cast<QWidget*>(depth_);
}

bool TfWarstwy::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == power_)
                speed_->setFocus();
            else
                aktywna_->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

LayerEditors TfWarstwy::Editors() {
    LayerEditors e;
    if (engine_.Laser()) {
        e.Value = power_->Value();
        e.Speed = speed_->Value();
    } else {
        e.Value = depth_->Value();
    }
    e.Active = aktywna_->isChecked();
    return e;
}

void TfWarstwy::ShowRow(std::int32_t row) {
    const LayerRow& r = engine_.Rows()[static_cast<std::size_t>(row)];
    QStringList texts{QString::number(r.RowNumber), Q(r.ValueText)};
    if (engine_.Laser()) texts << Q(r.SpeedText);
    const QColor back = ColourOf(r.Colour), fore = ColourOf(LayersDialog::TextColour(r.Colour));
    for (int c = 0; c < texts.size(); ++c) {
        auto* item = sgWarstwy_->item(row, c);
        if (!item) {
            item = new QTableWidgetItem;
            sgWarstwy_->setItem(row, c, item);
        }
        item->setText(texts[c]);
        if (c == 0) continue;  // the fixed column of row numbers
        item->setBackground(back);
        item->setForeground(fore);
        QFont f = item->font();
        f.setStrikeOut(!r.Active);
        item->setFont(f);
    }
}

void TfWarstwy::LoadEditors(std::int32_t row, const LayerEditors& editors) {
    const LayerRow& r = engine_.Rows()[static_cast<std::size_t>(row)];
    QPalette p = pKolor_->palette();
    p.setColor(QPalette::Window, ColourOf(r.Colour));
    p.setColor(QPalette::WindowText, ColourOf(LayersDialog::TextColour(r.Colour)));
    pKolor_->setPalette(p);
    pKolor_->setText(Q(engine_.RowCaption(row)));
    if (engine_.Laser()) {
        power_->SetValue(editors.Value);
        speed_->SetValue(editors.Speed);
    } else {
        depth_->SetValue(editors.Value);
    }
    aktywna_->setChecked(editors.Active);
    loading_ = true;
    if (sgWarstwy_->currentRow() != row) sgWarstwy_->setCurrentCell(row, 0);
    loading_ = false;
}

bool ShowLayersDialog(Project& project, const Settings& settings, const MachineContext& ctx,
                      const ProgramEnvironment& env, Notifier& notifier, QWidget* parent) {
    bool ok = false;
    RunReported(notifier, [&] {
        LayersDialog engine(project.EnsureLayers(), ctx.PlotParams.Laser != 0, settings.Maximum(setting::WorkSpeed),
                            env.LengthUnit, UnitDecimals(env.LengthUnit, ctx.PlotParams.MmDecimals), env,
                            LocaleSeparator());
        TfWarstwy form(engine, env, parent);
        if (form.exec() != QDialog::Accepted) return;
        ok = true;
        BusyCursor busy(notifier);
        AfterLayersDialog(project);
    });
    return ok;
}

}  // namespace vellisk::ui
