#include "settings/ui/dlgkonfig.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "machine_link/machine_context.h"
#include "model/lang_texts.h"
#include "model/program_environment.h"
#include "settings/config_dialog.h"
#include "settings/settings.h"
#include "settings/ui/flt_edit.h"

namespace vellisk::ui {

namespace {

// A check box that the operator can only check or uncheck (a greyed state read from a file is
// shown, and the next click checks it).
class TwoStateCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }
};

struct CheckCaption {
    const char* name;
    TextId text;
    TextId laserText;
};

const CheckCaption kChecks[] = {
    {"auto_add", TextId::CfgAutoAdd, TextId::CfgAutoAdd},
    {"auto_remove", TextId::CfgAutoRemove, TextId::CfgAutoRemove},
    {"Auto_kierunek", TextId::CfgAutoDirection, TextId::CfgAutoDirection},
    {"Auto_kolejnosc", TextId::CfgAutoSequence, TextId::CfgAutoSequence},
    {"crosstopoint", TextId::CfgCrossToPoint, TextId::CfgCrossToPoint},
    {"negatyw", TextId::CfgNegative, TextId::CfgNegative},
    {"bezramki", TextId::CfgSkipFrame, TextId::CfgSkipFrame},
    {"grawer3d", TextId::CfgEngrave3d, TextId::CfgEngrave3d},
    {"WszystkieWjednej", TextId::CfgAllInOne, TextId::CfgAllInOne},
    {"polerowanie", TextId::CfgPolishing, TextId::CfgPolishing},
    {"doOutline", TextId::CfgOutline, TextId::CfgOutlineLaser},
    {"wygladzanie", TextId::CfgSmoothing, TextId::CfgSmoothing},
    {"LaserMiekkiStart", TextId::CfgSoftStart, TextId::CfgSoftStart},
    {"LotnyStart", TextId::CfgEarlyStart, TextId::CfgEarlyStart},
    {"cbEthernetConnection", TextId::CfgEthernet, TextId::CfgEthernet},
    {"PodczasCiecia", TextId::CfgOilCutting, TextId::CfgOilCutting},
    {"PodczasPrzestawczych", TextId::CfgOilTravel, TextId::CfgOilTravel},
    {"PodczasWiercenia", TextId::CfgOilDrilling, TextId::CfgOilDrilling},
    {"PrzedWierceniem", TextId::CfgOilBeforeDrill, TextId::CfgOilBeforeDrill},
    {"Proporcjonalnie", TextId::CfgProportional, TextId::CfgProportional},
    {"Jednokierukowo", TextId::CfgOneWay, TextId::CfgOneWay},
};

const CheckCaption kLabels[] = {
    {"skala", TextId::CfgScale, TextId::CfgScale},
    {"mnoznikZ", TextId::CfgDepthMultiply, TextId::CfgDepthMultiply},
    {"srednica", TextId::CfgFraiseDiameter, TextId::CfgBeamDiameter},
    {"grubosc", TextId::CfgThickness, TextId::CfgThickness},
    {"Glebokosc", TextId::CfgMillingDepth, TextId::CfgMillingDepth},
    {"skok", TextId::CfgSpiralSlip, TextId::CfgSpiralSlip},
    {"ponad_stol", TextId::CfgGroundwork, TextId::CfgGroundwork},
    {"WorkSpeed", TextId::CfgWorkSpeed, TextId::CfgWorkSpeed},
    {"nadmat", TextId::CfgAboveMaterial, TextId::CfgAboveMaterial},
    {"CzasRozruchu", TextId::CfgSpinUpTime, TextId::CfgSpinUpTime},
    {"work_power", TextId::CfgSpindleRotations, TextId::CfgLaserPower},
    {"poler_grubosc", TextId::CfgPolishThickness, TextId::CfgPolishThickness},
    {"Polerspeed", TextId::CfgPolishSpeed, TextId::CfgPolishSpeed},
    {"Poler_start", TextId::CfgPolishStart, TextId::CfgPolishStart},
    {"poler_power", TextId::CfgSpindleRotations, TextId::CfgSpindleRotations},
    {"przespeed", TextId::CfgTravelSpeed, TextId::CfgTravelSpeed},
    {"wiercenie_posuw", TextId::CfgDrillForward, TextId::CfgDrillForward},
    {"wiercenie_cofanie", TextId::CfgDrillBack, TextId::CfgDrillBack},
    {"Skok_wiercenia", TextId::CfgDrillSlip, TextId::CfgDrillSlip},
    {"GruboscPlytki", TextId::CfgPlateThickness, TextId::CfgPlateThickness},
    {"SpoczynkowaMocLasera", TextId::CfgIdlePower, TextId::CfgIdlePower},
    {"CzasImpulsu", TextId::CfgImpulseTime, TextId::CfgImpulseTime},
    {"SzerokoscObrazu", TextId::CfgPictureWidth, TextId::CfgPictureWidth},
    {"WysokoscObrazu", TextId::CfgPictureHeight, TextId::CfgPictureHeight},
    {"BMPKrok", TextId::CfgBurningStep, TextId::CfgBurningStep},
    {"MocDlaBialego", TextId::CfgPowerOfWhite, TextId::CfgPowerOfWhite},
    {"MocDlaCzarnego", TextId::CfgPowerOfBlack, TextId::CfgPowerOfBlack},
};

struct RadioCaption {
    const char* name;
    TextId title;
    std::vector<TextId> items;
};

const std::vector<RadioCaption>& Radios() {
    static const std::vector<RadioCaption> r = {
        {"ProjektType", TextId::CfgProjectType, {TextId::CfgSingleLayer, TextId::CfgMultilayer}},
        {"order_fig",
         TextId::CfgObjectInObject,
         {TextId::CfgKeepSequence, TextId::CfgInternalFirst, TextId::CfgExternalFirst}},
        {"Order_global",
         TextId::CfgCuttingImprovement,
         {TextId::CfgKeepProjectSequence, TextId::CfgMiddleToOutside, TextId::CfgOutsideToMiddle, TextId::CfgFromRight,
          TextId::CfgFromLeft, TextId::CfgMixedRightLeft}},
        {"out_dir", TextId::CfgExternalObjects, {TextId::CfgKeepDirection, TextId::CfgToRight, TextId::CfgToLeft}},
        {"in_dir", TextId::CfgInternalObjects, {TextId::CfgLikeExternal, TextId::CfgOppositeToExternal}},
        {"PolozeniePlytki",
         TextId::CfgPlatePosition,
         {TextId::CfgOnTable, TextId::CfgOnGroundwork, TextId::CfgOnMaterial}},
        {"rgJm", TextId::CfgUnit, {}},  // items "mm", "inch", "feet" in every language
    };
    return r;
}

// The label of the tool diameter keeps its own name: other windows quote its caption.
QString LabelName(const std::string& name) {
    if (name == "srednica") return "lSrednicaFreza";
    return QString::fromStdString("l" + name);
}

}  // namespace

TDlgkonfig::TDlgkonfig(ConfigDialog& core, QWidget* parent) : QDialog(parent), core_(core) {
    setObjectName("Dlgkonfig");
    setModal(true);
    Build();
    Captions();
    if (core_.environment().LengthUnit != 0) ApplyUnit();
    RefreshAll();
    ApplyControlStates();
    listener_ = core_.settings().AddListener([this](const std::string& name) {
        QMetaObject::invokeMethod(
            this, [this, name] { RefreshSetting(name); }, Qt::AutoConnection);
    });
}

TDlgkonfig::~TDlgkonfig() { core_.settings().RemoveListener(listener_); }

QString TDlgkonfig::T(TextId id) const { return QString::fromStdString(core_.environment().Text(id)); }

QWidget* TDlgkonfig::Control(const QString& name) const {
    if (objectName() == name) return const_cast<TDlgkonfig*>(this);
    return findChild<QWidget*>(name);
}

NumberEditBase* TDlgkonfig::Edit(const std::string& name) const {
    auto it = edits_.find(name);
    return it == edits_.end() ? nullptr : it->second;
}

void TDlgkonfig::Build() {
    Settings& s = core_.settings();
    auto* top = new QVBoxLayout(this);
    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageControl1");
    // Every sheet's tab in sight: the dialog is as wide as its row of tabs.
    pages_->setUsesScrollButtons(false);
    top->addWidget(pages_);

    const auto page = [&](const char* name) {
        auto* w = new QWidget;
        w->setObjectName(name);
        pages_->addTab(w, name);
        auto* l = new QVBoxLayout(w);
        return l;
    };
    const auto group = [&](QVBoxLayout* into, const char* name) {
        auto* g = new QGroupBox;
        g->setObjectName(name);
        into->addWidget(g);
        return new QVBoxLayout(g);
    };
    const auto makeCheck = [&](const char* name) {
        auto* c = new TwoStateCheckBox;
        c->setObjectName(name);
        checks_[name] = c;
        connect(c, &QCheckBox::clicked, this, [this, c, n = std::string(name)] {
            core_.settings().SetCheckState(n, c->checkState() == Qt::Checked ? kChecked : kUnchecked);
        });
        return c;
    };
    const auto check = [&](QVBoxLayout* into, const char* name) { into->addWidget(makeCheck(name)); };
    // A check box across both columns of a form, so that the fields above and below it line up.
    const auto checkRow = [&](QFormLayout* form, const char* name) { form->addRow(makeCheck(name)); };
    const auto radio = [&](QVBoxLayout* into, const char* name) {
        auto* g = new QGroupBox;
        g->setObjectName(name);
        auto* l = new QVBoxLayout(g);
        auto* bg = new QButtonGroup(g);
        const auto& def = Settings::Definition(name);
        for (int i = 0; i <= static_cast<int>(def.maximum); ++i) {
            auto* b = new QRadioButton(g);
            b->setObjectName(QString("%1_%2").arg(name).arg(i));
            l->addWidget(b);
            bg->addButton(b, i);
        }
        connect(bg, &QButtonGroup::idClicked, this,
                [this, n = std::string(name)](int id) { core_.settings().SetChoice(n, id); });
        radios_[name] = bg;
        into->addWidget(g);
    };
    const auto number = [&](QFormLayout* form, const char* name) {
        const auto& def = Settings::Definition(name);
        NumberEditBase* e;
        if (def.editor == NumberEditor::Plain) {
            auto* f = new TFloatEdit;
            f->SetIncrement(def.step);
            e = f;
        } else {
            auto* u = new TFltEditU;
            if (def.shown == NumberShown::Fixed) {
                u->SetPrecision(8);
                u->SetDigit(2);
            }
            e = u;
        }
        e->setObjectName(name);
        e->Bind(&s, name);
        auto* label = new QLabel;
        label->setObjectName(LabelName(name));
        label->setBuddy(e);
        auto* unit = new QLabel;
        unit->setObjectName(QString::fromStdString(std::string("u") + name));
        // One width for every unit, so that the fields of a sheet end in one line.
        unit->setMinimumWidth(unit->fontMetrics().horizontalAdvance(QStringLiteral("[mm/min]")));
        auto* row = new QHBoxLayout;
        row->addWidget(e, 1);
        row->addWidget(unit);
        form->addRow(label, row);
        edits_[name] = e;
        labels_[name] = label;
        unitLabels_[name] = unit;
    };
    const auto formIn = [&](QVBoxLayout* into) {
        auto* f = new QFormLayout;
        into->addLayout(f);
        return f;
    };

    // Import
    auto* import = page("TabSheet2");
    auto* automatics = group(import, "hpgl_load");
    for (const char* n : {"auto_add", "auto_remove", "Auto_kierunek", "Auto_kolejnosc"}) check(automatics, n);
    radio(import, "ProjektType");
    for (const char* n : {"crosstopoint", "negatyw", "bezramki", "grawer3d", "WszystkieWjednej"}) check(import, n);
    auto* importForm = formIn(import);
    number(importForm, "skala");
    number(importForm, "mnoznikZ");
    import->addStretch();
    // Order, Directions
    auto* order = page("obj_in_obj");
    radio(order, "order_fig");
    radio(order, "Order_global");
    order->addStretch();
    auto* dirs = page("TabSheet4");
    radio(dirs, "out_dir");
    radio(dirs, "in_dir");
    dirs->addStretch();
    // Machining
    auto* cnc = page("TabSheet5");
    auto* cncForm = formIn(cnc);
    number(cncForm, "srednica");
    checkRow(cncForm, "doOutline");
    for (const char* n : {"grubosc", "Glebokosc", "skok", "ponad_stol"}) number(cncForm, n);
    checkRow(cncForm, "wygladzanie");
    for (const char* n : {"WorkSpeed", "nadmat", "CzasRozruchu", "work_power", "przespeed"}) number(cncForm, n);
    checkRow(cncForm, "polerowanie");
    for (const char* n : {"poler_grubosc", "Polerspeed", "Poler_start", "poler_power"}) number(cncForm, n);
    auto* laser = group(cnc, "Laser");
    check(laser, "LaserMiekkiStart");
    auto* laserForm = formIn(laser);
    number(laserForm, "SpoczynkowaMocLasera");
    number(laserForm, "CzasImpulsu");
    check(laser, "LotnyStart");
    cnc->addStretch();
    // Drilling
    auto* drill = page("wiercenie");
    auto* drillForm = formIn(drill);
    for (const char* n : {"wiercenie_posuw", "wiercenie_cofanie", "Skok_wiercenia"}) number(drillForm, n);
    drill->addStretch();
    // Machine
    auto* machine = page("Ploter");
    auto* plate = group(machine, "ramkaplytki");
    number(formIn(plate), "GruboscPlytki");
    radio(plate, "PolozeniePlytki");
    check(machine, "cbEthernetConnection");
    auto* ip = group(machine, "GroupBoxIP");
    auto* ipRow = new QHBoxLayout;
    ip->addLayout(ipRow);
    for (const NumberKey key : setting::kControllerIp) {
        const char* n = key.file;
        auto* e = new TFltEditU;
        e->setObjectName(n);
        e->Bind(&s, n);
        ipRow->addWidget(e);
        edits_[n] = e;
    }
    auto* ipButton = new QPushButton;
    ipButton->setObjectName("ButtonProgramujIPplotera");
    ipButton->setAutoDefault(false);
    ip->addWidget(ipButton);
    connect(ipButton, &QPushButton::clicked, this, &TDlgkonfig::ButtonProgramujIPploteraClick);
    machine->addStretch();
    // Lubrication, General, Bitmap
    auto* oil = page("Smarowanie");
    for (const char* n : {"PodczasCiecia", "PodczasPrzestawczych", "PodczasWiercenia", "PrzedWierceniem"})
        check(oil, n);
    oil->addStretch();
    auto* general = page("Ogolne");
    radio(general, "rgJm");
    general->addStretch();
    auto* bmp = page("TabSheetBMP");
    auto* bmpForm = formIn(bmp);
    for (const char* n : {"SzerokoscObrazu", "WysokoscObrazu", "BMPKrok", "MocDlaBialego", "MocDlaCzarnego"})
        number(bmpForm, n);
    check(bmp, "Proporcjonalnie");
    check(bmp, "Jednokierukowo");
    bmp->addStretch();

    // Buttons
    auto* buttons = new QHBoxLayout;
    top->addLayout(buttons);
    const auto button = [&](const char* name, void (TDlgkonfig::*slot)()) {
        auto* b = new QPushButton;
        b->setObjectName(name);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    button("zapis", &TDlgkonfig::zapisClick)->setAutoDefault(false);
    button("Odczyt", &TDlgkonfig::OdczytClick)->setAutoDefault(false);
    buttons->addStretch();
    button("Button1", &TDlgkonfig::OkClick)->setDefault(true);
    button("cancel", &TDlgkonfig::cancelClick)->setAutoDefault(false);
}

void TDlgkonfig::Captions() {
    const bool laser = core_.context().PlotParams.Laser != 0;
    const auto tab = [&](const char* name, const QString& text) {
        if (auto* w = findChild<QWidget*>(name)) pages_->setTabText(pages_->indexOf(w), text);
    };
    tab("TabSheet2", T(TextId::CfgTabImport));
    tab("obj_in_obj", T(TextId::CfgTabOrder));
    tab("TabSheet4", T(TextId::CfgTabDirections));
    tab("TabSheet5", T(laser ? TextId::CfgTabCutting : TextId::CfgTabCnc));
    tab("wiercenie", T(TextId::CfgTabDrilling));
    tab("Ploter", "Ploter");
    tab("Smarowanie", T(TextId::CfgTabOil));
    tab("Ogolne", T(TextId::CfgTabGeneral));
    tab("TabSheetBMP", T(TextId::CfgTabBmp));
    const auto groupTitle = [&](const char* name, TextId id) {
        if (auto* g = findChild<QGroupBox*>(name)) g->setTitle(T(id));
    };
    groupTitle("hpgl_load", TextId::CfgAutomatics);
    groupTitle("ramkaplytki", TextId::CfgPlateGroup);
    groupTitle("Laser", TextId::CfgLaserGroup);
    groupTitle("GroupBoxIP", TextId::CfgIpGroup);
    for (const auto& c : kChecks) checks_[c.name]->setText(T(laser ? c.laserText : c.text));
    for (const auto& c : kLabels) labels_[c.name]->setText(T(laser ? c.laserText : c.text));
    for (const auto& r : Radios()) {
        groupTitle(r.name, r.title);
        const auto buttons = radios_[r.name]->buttons();
        for (auto* b : buttons) {
            const int id = radios_[r.name]->id(b);
            if (r.items.empty())
                b->setText(QStringList{"mm", "inch", "feet"}.value(id));
            else
                b->setText(T(r.items[static_cast<std::size_t>(id)]));
        }
    }
    const auto buttonText = [&](const char* name, TextId id) {
        if (auto* b = findChild<QPushButton*>(name)) b->setText(T(id));
    };
    buttonText("Button1", TextId::CfgOk);
    buttonText("cancel", TextId::CfgCancel);
    buttonText("zapis", TextId::CfgSave);
    buttonText("Odczyt", TextId::CfgLoad);
    buttonText("ButtonProgramujIPplotera", TextId::CfgSetIp);
    setWindowTitle(QString::fromStdString(core_.Caption()));
}

void TDlgkonfig::ApplyUnit() {
    const int unit = core_.environment().LengthUnit;
    for (const auto& [name, e] : edits_) {
        const auto& def = Settings::Definition(name);
        // only a real change of unit switches a field (and gives it the unit's decimals); a
        // refresh with the unit it already shows leaves the field as it is
        if (def.followsUnit)
            if (auto* u = dynamic_cast<TFltEditU*>(e); u && u->sunit() != unit) u->SetUnit(unit);
    }
    for (const auto& [name, l] : unitLabels_) l->setText(QString::fromStdString(core_.UnitLabel(name)));
}

void TDlgkonfig::RefreshSetting(const std::string& name) {
    if (auto it = checks_.find(name); it != checks_.end()) {
        const int st = core_.settings().CheckState(name);
        it->second->setCheckState(st == kChecked ? Qt::Checked : st == kGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
    }
    if (auto it = radios_.find(name); it != radios_.end()) {
        QButtonGroup* g = it->second;
        const int index = core_.settings().Choice(name);
        if (QAbstractButton* b = g->button(index)) {
            b->setChecked(true);
        } else {
            g->setExclusive(false);
            for (auto* x : g->buttons()) x->setChecked(false);
            g->setExclusive(true);
        }
    }
    if (name == "rgJm") ApplyUnit();
    if (name == "ProjektType") ApplyControlStates();
    if (name == "wygladzanie" || name == "ProjektType") {
        // limits may have moved; the edits show the values as they are
        for (const auto& [n, e] : edits_) e->Refresh();
    }
}

void TDlgkonfig::RefreshAll() {
    for (const auto& name : core_.settings().Names()) RefreshSetting(name);
    for (const auto& [n, e] : edits_) e->Refresh();
    for (const auto& [name, l] : unitLabels_) l->setText(QString::fromStdString(core_.UnitLabel(name)));
}

void TDlgkonfig::ApplyControlStates() {
    for (const auto& [name, st] : core_.ControlStates()) {
        QWidget* w = findChild<QWidget*>(QString::fromStdString(name));
        if (!w) continue;
        const int tab = pages_->indexOf(w);
        if (tab >= 0) {
            pages_->setTabVisible(tab, st.visible);
            pages_->setTabEnabled(tab, st.enabled);
            w->setEnabled(st.enabled);
            continue;
        }
        w->setEnabled(st.enabled);
        w->setVisible(st.visible);
        w->setToolTip(QString::fromStdString(st.hint));
        if (auto it = labels_.find(name); it != labels_.end()) {
            it->second->setEnabled(st.enabled);
            it->second->setToolTip(QString::fromStdString(st.hint));
        }
        if (auto it = unitLabels_.find(name); it != unitLabels_.end()) it->second->setEnabled(st.enabled);
    }
}

void TDlgkonfig::FormActivate() {
    Captions();
    core_.Activate();
    RefreshAll();
    ApplyControlStates();
}

void TDlgkonfig::showEvent(QShowEvent* e) {
    FormActivate();
    QDialog::showEvent(e);
}

void TDlgkonfig::CommitEdits() {
    for (const auto& [n, e] : edits_) e->Commit();
}

void TDlgkonfig::OkClick() {
    CommitEdits();
    core_.Ok();
    accept();
}

void TDlgkonfig::cancelClick() { reject(); }

void TDlgkonfig::reject() {
    if (!closingByBox_) {
        // what was typed and not yet taken is cancelled too
        for (const auto& [n, e] : edits_) e->DiscardTyped();
        core_.Cancel();
        RefreshAll();
    }
    QDialog::reject();
}

void TDlgkonfig::closeEvent(QCloseEvent* e) {
    // the window's close box keeps the changed values in effect, unsaved
    CommitEdits();
    closingByBox_ = true;
    QDialog::closeEvent(e);
    closingByBox_ = false;
}

namespace {

QString PickFile(QWidget* parent, bool save, const QString& folder) {
    QFileDialog d(parent);
    d.setDirectory(folder);
    d.setNameFilter("Vellisk Config (*.vks)");
    d.setDefaultSuffix("vks");
    d.selectFile("*.vks");
    d.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
    return d.selectedFiles().front();
}

}  // namespace

void TDlgkonfig::zapisClick() {
    CommitEdits();
    const QString folder = QFileInfo(QString::fromStdString(core_.Caption())).absolutePath();
    const QString file = ChooseFile ? ChooseFile(true, folder) : PickFile(this, true, folder);
    if (file.isEmpty()) return;
    if (core_.SaveAs(file.toStdString())) setWindowTitle(QString::fromStdString(core_.Caption()));
}

void TDlgkonfig::OdczytClick() {
    const QString folder = QFileInfo(QString::fromStdString(core_.Caption())).absolutePath();
    const QString file = ChooseFile ? ChooseFile(false, folder) : PickFile(this, false, folder);
    if (file.isEmpty()) return;
    if (core_.LoadFrom(file.toStdString())) setWindowTitle(QString::fromStdString(core_.Caption()));
    RefreshAll();
    ApplyControlStates();
}

void TDlgkonfig::ButtonProgramujIPploteraClick() {
    CommitEdits();
    const bool present = UsbPresent && UsbPresent();
    core_.ProgramIp(present, SendCommand, RestartEthernet);
    accept();
}

}  // namespace vellisk::ui
