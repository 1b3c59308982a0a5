#include "app/ui/main_form.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QStyle>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QLocale>
#include <algorithm>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QStringList>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <exception>

#include "app/ui/mdi_drawing_child.h"
#include "app/ui/project_child.h"
#include "drawing_files/file_kind.h"
#include "machine_link/machine_context.h"
#include "platform/notifier.h"
#include "settings/config_dialog.h"
#include "settings/ui/dlgkonfig.h"

namespace vellisk::ui {

namespace {

// "label|pattern|label|pattern" as the file dialog's filter list; patterns match either case.
QStringList DialogFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        if (pattern != "*.*") pattern += " " + pattern.toUpper();
        else pattern = "*";
        out << parts[i] + " (" + pattern + ")";
    }
    return out;
}

// Gives the dialog the filter list, with filter number `index` (from 1) chosen when it exists.
QStringList SetFilters(QFileDialog& dlg, const QString& filter, int index) {
    const QStringList filters = DialogFilters(filter.toStdString());
    dlg.setNameFilters(filters);
    if (index >= 1 && index <= filters.size()) dlg.selectNameFilter(filters[index - 1]);
    return filters;
}

// Shows the dialog: the chosen file, and in `*index` the number of the filter it was chosen
// with; empty when cancelled.
// The file list shows its name, size, type and date columns whole: each column gets the room
// of its longest usual text, the name the rest, and the dialog is made as wide as that and its
// side bar need (never wider than the screen).
void WideEnoughForTheColumns(QFileDialog& dlg) {
    dlg.setViewMode(QFileDialog::Detail);
    auto* list = dlg.findChild<QTreeView*>();
    if (!list || list->header()->count() < 4) return;  // the system's own dialog sizes itself
    QHeaderView* header = list->header();
    const QFontMetrics fm = list->fontMetrics();
    auto room = [&](const QString& sample) { return fm.horizontalAdvance(sample) + fm.horizontalAdvance(QStringLiteral("MM")); };
    const QDateTime sampleDate(QDate(2026, 12, 28), QTime(23, 59, 59));
    header->resizeSection(1, room(QStringLiteral("1023.99 KiB")));
    header->resizeSection(2, room(QStringLiteral("plain text document")));
    header->resizeSection(3, std::max(room(QLocale().toString(sampleDate, QLocale::ShortFormat)),
                                      room(QLocale().toString(sampleDate, QLocale::LongFormat)) * 3 / 4));
    const int nameRoom = fm.horizontalAdvance(QStringLiteral("M")) * 28;
    header->resizeSection(0, nameRoom);
    int columns = 0;
    for (int i = 0; i < header->count(); ++i) columns += header->sectionSize(i);
    const int others = dlg.sizeHint().width() - list->sizeHint().width();
    int width = std::max(dlg.width(), columns + std::max(others, 0) + 40);
    int height = std::max(dlg.height(), dlg.sizeHint().height());
    if (const QScreen* screen = dlg.screen()) {
        width = std::min(width, screen->availableGeometry().width());
        height = std::min(height, screen->availableGeometry().height());
    }
    dlg.resize(width, height);
}

QString RunFileDialog(QFileDialog& dlg, const QStringList& filters, int* index) {
    WideEnoughForTheColumns(dlg);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    *index = filters.indexOf(dlg.selectedNameFilter()) + 1;
    if (*index < 1) *index = 1;
    return dlg.selectedFiles().front();
}

QString DefaultChooseOpen(QWidget* parent, const QString& folder, const QString& filter, int* index) {
    QFileDialog dlg(parent);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setDirectory(folder);
    const QStringList filters = SetFilters(dlg, filter, *index);
    return RunFileDialog(dlg, filters, index);
}

QString DefaultChooseSave(QWidget* parent, const QString& name, const QString& folder, const QString& filter,
                          int* index) {
    QFileDialog dlg(parent);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDirectory(folder);
    dlg.setDefaultSuffix("plt");
    const QStringList filters = SetFilters(dlg, filter, *index);
    dlg.selectFile(name);
    return RunFileDialog(dlg, filters, index);
}

}  // namespace

TMainForm::TMainForm(MachineContext& ctx, Notifier& notifier, QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), notifier_(notifier) {
    ChooseOpenFile = [this](const QString& folder, const QString& filter, int* index) {
        return DefaultChooseOpen(this, folder, filter, index);
    };
    ChooseSaveFile = [this](const QString& name, const QString& folder, const QString& filter, int* index) {
        return DefaultChooseSave(this, name, folder, filter, index);
    };
    Build();
    SetMenuCaptions();
    UpdateMenuItems();
}

TMainForm::~TMainForm() {
    // The drawing windows go before the objects they use.
    // The hooks' owners may be gone already: the windows close without telling them.
    DrawingClosing = nullptr;
    disconnect(mdi_, nullptr, this, nullptr);
    for (QMdiSubWindow* w : order_) {
        disconnect(w, nullptr, this, nullptr);
        w->removeEventFilter(this);
    }
    mdi_->closeAllSubWindows();
    children_.clear();
}

QString TMainForm::T(TextId id) const { return QString::fromStdString(ctx_.Text(id)); }

void TMainForm::Build() {
    setObjectName("MainForm");
    setWindowTitle("Vellisk");
    mdi_ = new QMdiArea(this);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) { UpdateMenuItems(); });
    statusBar()->setObjectName("StatusBar");
    BuildMenu();
    BuildButtons();
    resize(1024, 768);
}

QAction* TMainForm::AddItem(QMenu* menu, const char* name, const QKeySequence& key, void (TMainForm::*slot)()) {
    QAction* a = menu->addAction(QString());
    a->setObjectName(name);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    if (slot) connect(a, &QAction::triggered, this, [this, slot] { RunHook([this, slot] { (this->*slot)(); }); });
    items_[name] = a;
    return a;
}

QAction* TMainForm::AddHooked(QMenu* menu, const char* name, const QKeySequence& key, std::function<void()>* hook) {
    QAction* a = AddItem(menu, name, key, nullptr);
    connect(a, &QAction::triggered, this, [this, hook] { RunHook(*hook); });
    return a;
}

void TMainForm::BuildMenu() {
    QMenuBar* bar = menuBar();
    auto top = [&](const char* name) {
        QMenu* m = bar->addMenu(QString());
        m->setObjectName(name);
        m->menuAction()->setObjectName(name);
        items_[name] = m->menuAction();
        return m;
    };
    QMenu* file = top("File1");
    AddItem(file, "FileOpenItem", Qt::Key_F3, &TMainForm::FileOpenItemClick);
    AddItem(file, "Zapistestowy1", {}, &TMainForm::FileSaveAsItemClick)->setVisible(false);
    AddItem(file, "FileCloseItem", {}, &TMainForm::FileCloseItemClick);
    AddItem(file, "info", {}, &TMainForm::infoClick);
    AddItem(file, "Symulacja", Qt::Key_F1, &TMainForm::SymulacjaClick);
    AddItem(file, "About1", {}, &TMainForm::HelpAboutItemClick);
    file->addSeparator();
    AddItem(file, "FileExitItem", QKeySequence(Qt::ALT | Qt::Key_X), &TMainForm::FileExitItemClick);

    QMenu* view = top("Widok");
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    const std::pair<const char*, ViewItem> viewItems[] = {{"Kierunek", ViewItem::Kierunek},
                                                          {"Kolejnosc", ViewItem::Kolejnosc},
                                                          {"Warstwy", ViewItem::Warstwy},
                                                          {"Punktywej", ViewItem::Punktywej}};
    for (const auto& [name, item] : viewItems) {
        QAction* a = AddItem(view, name, {}, nullptr);
        a->setCheckable(true);
        if (item != ViewItem::Punktywej) group->addAction(a);
        const ViewItem it = item;
        connect(a, &QAction::triggered, this, [this, it] { ChangeViewAtribute(it); });
    }

    QMenu* cut = top("Cicie1");
    connect(cut, &QMenu::aboutToShow, this, &TMainForm::Cicie1Click);
    AddHooked(cut, "Start1", Qt::Key_F2, &Start1Click);
    AddHooked(cut, "Kontynuacja1", QKeySequence(Qt::SHIFT | Qt::Key_F2), &Kontynuacja1Click);
    AddHooked(cut, "Powtrz1", QKeySequence(Qt::CTRL | Qt::Key_F2), &Powtrz1Click);
    AddHooked(cut, "Wstrzymaj1", Qt::Key_Space, &Wstrzymaj1Click);
    AddHooked(cut, "Tnijwybran1", {}, &Tnijwybran1Click);
    AddHooked(cut, "Startodwybranej1", {}, &Startodwybranej1Click);
    AddItem(cut, "nijwybranewarstwy1", {}, nullptr)->setVisible(false);
    AddHooked(cut, "WypalBMP1", {}, &WypalBMP1Click)->setVisible(false);

    QAction* panel = bar->addAction(QString());
    panel->setObjectName("sterowanie");
    panel->setShortcut(Qt::Key_F5);
    connect(panel, &QAction::triggered, this, [this] { RunHook([this] { sterowanieClick(); }); });
    items_["sterowanie"] = panel;
    addAction(panel);  // the shortcut works from the frame, not only from the menu bar

    QMenu* config = top("Konfiguracja");
    // F6 sits on the menu itself and runs no command.
    auto* f6 = new QAction(this);
    f6->setShortcut(Qt::Key_F6);
    addAction(f6);
    AddItem(config, "mKonfigGlowna", {}, &TMainForm::KonfiguracjaClick);
    AddItem(config, "mWarstwy", {}, &TMainForm::mWarstwyClick);

    QMenu* windows = top("Window1");
    AddItem(windows, "WindowCascadeItem", {}, &TMainForm::WindowCascadeItemClick);
    AddItem(windows, "WindowTileItem", {}, &TMainForm::WindowTileItemClick);
    AddItem(windows, "CloseAll", {}, &TMainForm::CloseAllClick);
    // The window list: one checkable item per drawing window, built when the menu opens.
    connect(windows, &QMenu::aboutToShow, this, [this, windows] {
        for (QAction* a : windows->actions())
            if (a->property("windowList").toBool()) windows->removeAction(a), a->deleteLater();
        const auto list = mdi_->subWindowList();
        if (!list.isEmpty()) windows->addSeparator()->setProperty("windowList", true);
        for (QMdiSubWindow* w : list) {
            QAction* a = windows->addAction(w->windowTitle());
            a->setProperty("windowList", true);
            a->setCheckable(true);
            a->setChecked(w == mdi_->activeSubWindow());
            connect(a, &QAction::triggered, this, [this, w] { mdi_->setActiveSubWindow(w); });
        }
    });

    QMenu* functions = top("Funkcje1");
    AddItem(functions, "mKreskowanie", {}, &TMainForm::mKreskowanieClick);
}

QToolButton* TMainForm::AddButton(QWidget* bar, const char* name, std::function<void()> click) {
    auto* b = new QToolButton(bar);
    b->setObjectName(name);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(b, &QToolButton::clicked, this, [this, click = std::move(click)] { RunHook(click); });
    buttons_[name] = b;
    return b;
}

void TMainForm::BuildButtons() {
    QToolBar* bar = addToolBar(QString());
    bar->setObjectName("SpeedBar");
    bar->setMovable(false);
    bar->addWidget(AddButton(bar, "OpenBtn", [this] { FileOpenItemClick(); }));
    static_cast<QToolButton*>(buttons_["OpenBtn"])->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    static_cast<QToolButton*>(buttons_["OpenBtn"])->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->addSeparator();
    bar->addWidget(AddButton(bar, "SpeedSymulacja", [this] { SymulacjaClick(); }));
    bar->addWidget(AddButton(bar, "SpeedStart", [this] { RunHook(Start1Click); }));
    bar->addWidget(AddButton(bar, "SpeedStop", [this] { RunHook(Wstrzymaj1Click); }));
    bar->addWidget(AddButton(bar, "Skont", [this] { RunHook(Kontynuacja1Click); }));
    bar->addSeparator();

    zoomPanel_ = new QWidget(bar);
    zoomPanel_->setObjectName("pZoom");
    auto* lay = new QHBoxLayout(zoomPanel_);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(AddButton(zoomPanel_, "sbZoomToFit", [this] { sbZoomToFitClick(); }));
    buttons_["sbZoomToFit"]->setProperty("text", "1:1");
    lay->addWidget(AddButton(zoomPanel_, "sbZoomOut", [this] { sbZoomOutClick(); }));
    buttons_["sbZoomOut"]->setProperty("text", "-");
    zoom_ = new QSlider(Qt::Horizontal, zoomPanel_);
    zoom_->setObjectName("tbZoom");
    zoom_->setRange(kZoomMin, kZoomMax);
    zoom_->setValue(1);
    zoom_->setPageStep(1);
    zoom_->setTickPosition(QSlider::TicksBelow);
    zoom_->setFixedWidth(160);
    connect(zoom_, &QSlider::valueChanged, this, &TMainForm::tbZoomChange);
    lay->addWidget(zoom_);
    lay->addWidget(AddButton(zoomPanel_, "sbZoomIn", [this] { sbZoomInClick(); }));
    buttons_["sbZoomIn"]->setProperty("text", "+");
    zoomPanel_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    bar->addWidget(zoomPanel_);
}

void TMainForm::SetMenuCaptions() {
    const std::pair<const char*, TextId> captions[] = {
        {"File1", TextId::MenuFile},
        {"FileOpenItem", TextId::MenuOpen},
        {"FileCloseItem", TextId::MenuClose},
        {"info", TextId::MenuInfo},
        {"Symulacja", TextId::MenuSimulation},
        {"About1", TextId::MenuAbout},
        {"FileExitItem", TextId::MenuExit},
        {"Widok", TextId::MenuView},
        {"Kierunek", TextId::MenuDirection},
        {"Kolejnosc", TextId::MenuSequence},
        {"Warstwy", TextId::MenuLayers},
        {"Punktywej", TextId::MenuInputPoints},
        {"Cicie1", TextId::MenuCut},
        {"Start1", TextId::MenuStart},
        {"Kontynuacja1", TextId::MenuContinuation},
        {"Powtrz1", TextId::MenuRepeat},
        {"Wstrzymaj1", TextId::MenuHold},
        {"Tnijwybran1", TextId::MenuCutSelected},
        {"Startodwybranej1", TextId::MenuStartFromSelected},
        {"nijwybranewarstwy1", TextId::MenuCutSelectedLayers},
        {"WypalBMP1", TextId::MenuBurnBmp},
        {"sterowanie", TextId::MenuControl},
        {"Konfiguracja", TextId::MenuConfiguration},
        {"Window1", TextId::MenuWindows},
        {"WindowCascadeItem", TextId::MenuCascade},
        {"WindowTileItem", TextId::MenuTile},
        {"CloseAll", TextId::MenuCloseAll},
        {"Funkcje1", TextId::MenuFunctions},
        {"mKreskowanie", TextId::MenuLining},
    };
    for (const auto& [name, id] : captions) items_[name]->setText(T(id));
    items_["Zapistestowy1"]->setText("Zapis [testowy]");
    items_["mKonfigGlowna"]->setText(T(TextId::MenuMainConfig) + "...");
    items_["mWarstwy"]->setText(T(TextId::MenuLayersConfig) + "...");
    const std::pair<const char*, TextId> hints[] = {{"Kierunek", TextId::HintViewDirection},
                                                    {"Kolejnosc", TextId::HintViewSequence},
                                                    {"Warstwy", TextId::HintViewLayers},
                                                    {"Punktywej", TextId::HintViewInputPoints}};
    for (const auto& [name, id] : hints) items_[name]->setStatusTip(T(id));

    auto button = [this](const char* name, const QString& text, const QString& hint) {
        auto* b = static_cast<QToolButton*>(buttons_[name]);
        if (!text.isEmpty()) b->setText(text);
        b->setToolTip(hint.isEmpty() ? b->text() : hint);
        b->setStatusTip(hint);
    };
    button("OpenBtn", {}, T(TextId::HintOpenFile));
    button("SpeedSymulacja", T(TextId::ButtonSimulation), T(TextId::HintSimulation));
    button("SpeedStart", T(TextId::ButtonStart), {});
    button("SpeedStop", T(TextId::ButtonStop), {});
    button("Skont", T(TextId::ButtonContinue), {});
    button("sbZoomToFit", {}, T(TextId::HintZoomToFit));
    button("sbZoomOut", {}, T(TextId::HintZoomOut));
    button("sbZoomIn", {}, T(TextId::HintZoomIn));
}

QAction* TMainForm::Item(const QString& name) const {
    auto it = items_.find(name);
    return it == items_.end() ? nullptr : it->second;
}

QWidget* TMainForm::Button(const QString& name) const {
    if (name == "pZoom") return zoomPanel_;
    if (name == "tbZoom") return zoom_;
    auto it = buttons_.find(name);
    return it == buttons_.end() ? nullptr : it->second;
}

std::vector<QMdiSubWindow*> TMainForm::OpenWindows() const {
    // A closed window leaves the area at once and is deleted later.
    const auto open = mdi_->subWindowList();
    std::vector<QMdiSubWindow*> out;
    for (QMdiSubWindow* w : order_)
        if (open.contains(w)) out.push_back(w);
    return out;
}

std::vector<DrawingChild*> TMainForm::Drawings() const {
    std::vector<DrawingChild*> out;
    for (QMdiSubWindow* w : OpenWindows()) out.push_back(children_.at(w).get());
    return out;
}

DrawingChild* TMainForm::ActiveDrawing() const {
    QMdiSubWindow* w = mdi_->activeSubWindow();
    const auto open = OpenWindows();
    if (std::find(open.begin(), open.end(), w) == open.end()) w = open.empty() ? nullptr : open.back();
    auto it = children_.find(w);
    return it == children_.end() ? nullptr : it->second.get();
}

ViewOptions TMainForm::View() const { return view_; }

int TMainForm::SaveFilterIndex() const { return config_ ? config_->Global.SaveFilterIndex : saveFilterIndex_; }

void TMainForm::SetConfig(ConfigDialog* core, TDlgkonfig* dialog) {
    config_ = core;
    configDialog_ = dialog;
    if (config_ && !CreateDrawing) {
        CreateDrawing = [this](int kind) -> std::unique_ptr<DrawingChild> {
            if (kind == KindBitmap)
                return std::make_unique<ProjectChild>(kind, config_->settings(), ctx_, notifier_, config_);
            return std::make_unique<MdiDrawingChild>(kind, config_->settings(), ctx_, notifier_,
                                                     [this] { return view_; });
        };
    }
    if (config_) {
        view_.Kierunek = config_->Live.Kierunek;
        view_.Kolejnosc = config_->Live.Kolejnosc;
        view_.Warstwy = config_->Live.Warstwy;
        view_.Punktywej = config_->Live.Punktywej;
        // Exactly one colour mode, whatever the record held.
        if (view_.Kierunek + view_.Kolejnosc + view_.Warstwy != 1) {
            const ViewItem first = view_.Kierunek ? ViewItem::Kierunek
                                   : view_.Kolejnosc ? ViewItem::Kolejnosc : ViewItem::Warstwy;
            vellisk::ChangeViewAtribute(view_, first);
        }
    }
    ApplyViewChecks();
    UpdateMenuItems();
}

void TMainForm::ApplyViewChecks() {
    items_["Kierunek"]->setChecked(view_.Kierunek);
    items_["Kolejnosc"]->setChecked(view_.Kolejnosc);
    items_["Warstwy"]->setChecked(view_.Warstwy);
    items_["Punktywej"]->setChecked(view_.Punktywej);
    if (config_) {
        config_->Live.Kierunek = view_.Kierunek;
        config_->Live.Kolejnosc = view_.Kolejnosc;
        config_->Live.Warstwy = view_.Warstwy;
        config_->Live.Punktywej = view_.Punktywej;
    }
}

void TMainForm::RunHook(const std::function<void()>& hook) {
    if (!hook) return;
    try {
        hook();
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        notifier_.Message(e.what(), MessageKind::Error, Buttons::Ok, "Vellisk");
    }
}

void TMainForm::UpdateMenuItems() {
    FrameState s;
    s.drawings = static_cast<int>(OpenWindows().size());
    if (DrawingChild* d = ActiveDrawing()) {
        s.activeKind = d->ProjectKind();
        s.activeZoom = d->Zoom();
    }
    s.configExists = config_ != nullptr;
    s.projektType = config_ ? config_->settings().Choice(setting::ProjectType) : 0;
    const MenuEnabling e = vellisk::UpdateMenuItems(s);
    buttons_["SpeedStart"]->setEnabled(e.SpeedStart);
    items_["FileCloseItem"]->setEnabled(e.FileCloseItem);
    items_["Symulacja"]->setEnabled(e.Symulacja);
    items_["WindowCascadeItem"]->setEnabled(e.WindowCascadeItem);
    items_["WindowTileItem"]->setEnabled(e.WindowTileItem);
    items_["Widok"]->setEnabled(e.Widok);
    items_["Window1"]->setEnabled(e.Window1);
    items_["info"]->setEnabled(e.info);
    items_["mWarstwy"]->setEnabled(e.mWarstwy);
    buttons_["SpeedSymulacja"]->setEnabled(e.SpeedSymulacja);
    items_["Tnijwybran1"]->setEnabled(e.Tnijwybran1);
    items_["Startodwybranej1"]->setEnabled(e.Startodwybranej1);
    items_["nijwybranewarstwy1"]->setEnabled(e.nijwybranewarstwy1);
    items_["mKreskowanie"]->setEnabled(e.mKreskowanie);
    zoomPanel_->setEnabled(e.Zoom);
    for (const char* b : {"sbZoomToFit", "sbZoomOut", "sbZoomIn"}) buttons_[b]->setEnabled(e.Zoom);
    zoom_->setEnabled(e.Zoom);
}

void TMainForm::Cicie1Click() { items_["Start1"]->setEnabled(!OpenWindows().empty()); }

// ---- files ----

void TMainForm::FileOpenItemClick() {
    const bool laser = ctx_.PlotParams.Laser != 0;
    int index = config_ ? config_->Live.OpenFilterIndex : 1;
    const QString folder = config_ ? QString::fromStdString(config_->Global.OpenDir) : QString();
    const QString file = ChooseOpenFile(folder, QString::fromStdString(OpenFilter(laser)), &index);
    if (config_) config_->Live.OpenFilterIndex = index;
    if (file.isEmpty()) {
        UpdateMenuItems();
        return;
    }
    OpenDrawing(file);
}

bool TMainForm::OpenDrawing(const QString& file) {
    openFileName_ = file;
    if (!QFileInfo::exists(file)) {
        notifier_.Message(file.toStdString(), MessageKind::Information, Buttons::OkCancel,
                          ctx_.Text(TextId::CannotOpenTheFileCaption));
        return false;
    }
    const int kind = FileKindOf(file.toStdString());
    if (kind == KindBitmap && !ctx_.PlotParams.Laser) {
        // A name typed past the filter: a bitmap's raster burn is a laser's work, not a spindle's.
        notifier_.Message(ctx_.Text(TextId::BitmapNeedsLaser), MessageKind::Error, Buttons::Ok,
                          QFileInfo(file).fileName().toStdString());
        UpdateMenuItems();
        return false;
    }
    if (!CreateDrawing) return false;
    std::unique_ptr<DrawingChild> child = CreateDrawing(kind);
    bool loaded = false;
    RunHook([&] { loaded = child->Load(file); });
    if (config_) config_->Global.OpenDir = FolderOfFile(QFileInfo(file).absoluteFilePath().toStdString());
    ctx_.HatchingDone = false;
    if (loaded) {
        QWidget* widget = child->Widget();
        QMdiSubWindow* w = mdi_->addSubWindow(widget);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->setWindowTitle(QFileInfo(file).fileName());
        w->setProperty("fileName", QFileInfo(file).absoluteFilePath());
        w->resize(640, 480);
        children_[w] = std::move(child);
        order_.push_back(w);
        connect(w, &QObject::destroyed, this, [this, w] {
            order_.erase(std::remove(order_.begin(), order_.end(), w), order_.end());
            children_.erase(w);
            UpdateMenuItems();
        });
        // The frame's menus follow a window that closes.
        w->installEventFilter(this);
        w->show();
        KeepInsideTheFrame(w);
        mdi_->setActiveSubWindow(w);
    }
    UpdateMenuItems();
    return loaded;
}

// A new drawing window lies wholly inside the frame's area: no bigger than it, and moved back
// into it where the cascade placed it beyond its right or bottom edge.
void TMainForm::KeepInsideTheFrame(QMdiSubWindow* w) {
    // Before the frame is on the screen its area has no size yet (a drawing named on the
    // command line): the window keeps its own.
    if (!mdi_->isVisible()) return;
    const QRect area = mdi_->viewport()->rect();
    if (area.isEmpty()) return;
    QRect g = w->geometry();
    g.setSize(g.size().boundedTo(area.size()));
    if (g.right() > area.right()) g.moveRight(area.right());
    if (g.bottom() > area.bottom()) g.moveBottom(area.bottom());
    if (g.left() < area.left()) g.moveLeft(area.left());
    if (g.top() < area.top()) g.moveTop(area.top());
    if (g != w->geometry()) w->setGeometry(g);
}

void TMainForm::FileCloseItemClick() {
    if (QMdiSubWindow* w = mdi_->activeSubWindow()) w->close();
}

void TMainForm::FileSaveAsItemClick() {
    QMdiSubWindow* w = mdi_->activeSubWindow();
    DrawingChild* d = ActiveDrawing();
    if (!w || !d) return;
    int index = SaveFilterIndex();
    const QString name = QString::fromStdString(SaveAsDefaultName(w->windowTitle().toStdString()));
    const QString folder = config_ ? QString::fromStdString(config_->Global.SaveDir) : QString();
    const QString file = ChooseSaveFile(name, folder, QString::fromStdString(SaveFilter()), &index);
    if (file.isEmpty()) return;
    if (config_) config_->Global.SaveFilterIndex = index;
    saveFilterIndex_ = index;
    d->Save(file, index);
    if (config_) config_->Global.SaveDir = FolderOfFile(QFileInfo(file).absoluteFilePath().toStdString());
}

// ---- windows ----

void TMainForm::WindowCascadeItemClick() { mdi_->cascadeSubWindows(); }
void TMainForm::WindowTileItemClick() { mdi_->tileSubWindows(); }

void TMainForm::CloseAllClick() {
    const auto list = OpenWindows();
    for (auto it = list.rbegin(); it != list.rend(); ++it) (*it)->close();
}

// ---- dialogs ----

void TMainForm::HelpAboutItemClick() {
    if (ShowAbout) ShowAbout();
}

void TMainForm::infoClick() {
    if (ShowInfo && !OpenWindows().empty()) ShowInfo();
}

void TMainForm::sterowanieClick() {
    if (ShowPanel) ShowPanel();
}

void TMainForm::KonfiguracjaClick() {
    if (!config_ || !configDialog_) return;
    config_->SettingsChanged = false;
    configDialog_->exec();
    const auto drawings = Drawings();
    std::vector<int> kinds;
    for (const DrawingChild* d : drawings) kinds.push_back(d->ProjectKind());
    for (std::size_t i : DrawingsToReprepare(config_->SettingsChanged, kinds)) drawings[i]->Reprepare();
    for (auto it = drawings.rbegin(); it != drawings.rend(); ++it) (*it)->Repaint();
    UpdateMenuItems();
}

void TMainForm::mWarstwyClick() {
    if (config_ && config_->settings().Choice(setting::ProjectType) == 1) {
        if (ShowLayers) ShowLayers();
        return;
    }
    notifier_.Message(ctx_.Text(TextId::OnlyForMultilayerProject), MessageKind::Information, Buttons::Ok, " ");
}

void TMainForm::mKreskowanieClick() {
    DrawingChild* d = ActiveDrawing();
    if (!d || !ShowHatching) return;
    ShowHatching();
    d->Repaint();
}

void TMainForm::ChangeViewAtribute(ViewItem item) {
    vellisk::ChangeViewAtribute(view_, item);
    ApplyViewChecks();
    static const char* names[] = {"Kierunek", "Kolejnosc", "Warstwy", "Punktywej"};
    const QString hint = items_[names[static_cast<int>(item)]]->statusTip();
    for (DrawingChild* d : Drawings()) {
        d->ShowViewHint(hint);
        d->Repaint();
    }
}

void TMainForm::SymulacjaClick() {
    if (!buttons_["SpeedSymulacja"]->isEnabled()) return;
    if (DrawingChild* d = ActiveDrawing()) d->Simulate();
}

// ---- zoom ----

void TMainForm::tbZoomChange(int position) {
    if (DrawingChild* d = ActiveDrawing()) {
        d->SetZoom(position);
        buttons_["SpeedSymulacja"]->setEnabled(position == 1);
        d->Repaint();
    }
}

void TMainForm::sbZoomToFitClick() {
    if (DrawingChild* d = ActiveDrawing()) d->UpdateScrollRatios();
    zoom_->setValue(1);
}

void TMainForm::sbZoomOutClick() {
    if (DrawingChild* d = ActiveDrawing()) d->UpdateScrollRatios();
    zoom_->setValue(ZoomOutStep(zoom_->value()));
}

void TMainForm::sbZoomInClick() {
    if (DrawingChild* d = ActiveDrawing()) d->UpdateScrollRatios();
    zoom_->setValue(ZoomInStep(zoom_->value()));
}

// ---- close ----

bool TMainForm::FormCloseQuery() {
    const CloseState s = CloseStateNow ? CloseStateNow() : CloseState{};
    switch (CloseQuery(s)) {
        case CloseAnswer::Allow: return true;
        case CloseAnswer::StopStreamAndAllow:
            if (StopStream) StopStream();
            return true;
        case CloseAnswer::RefuseStreaming:
            notifier_.Message(ctx_.Text(TextId::CannotCloseWhileCutting), MessageKind::Error, Buttons::Ok, "Uwaga");
            return false;
        case CloseAnswer::RefuseTransfer:
            notifier_.Message(ctx_.Text(TextId::CannotCloseWhileTransfer), MessageKind::Error, Buttons::Ok, "Uwaga");
            return false;
    }
    return true;
}

void TMainForm::FormClose() {
    try {
        if (EndBurn) EndBurn();
    } catch (...) {
        // the burn is ending with the program; nothing more to do about it
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Close) {
        auto it = children_.find(qobject_cast<QMdiSubWindow*>(watched));
        if (it != children_.end() && DrawingClosing) RunHook([&] { DrawingClosing(it->second.get()); });
        QMetaObject::invokeMethod(this, [this] { UpdateMenuItems(); }, Qt::QueuedConnection);
    }
    return QMainWindow::eventFilter(watched, e);
}

void TMainForm::closeEvent(QCloseEvent* e) {
    bool allow = true;
    try {
        allow = FormCloseQuery();
    } catch (const std::exception&) {
        allow = true;
    }
    if (!allow) {
        e->ignore();
        return;
    }
    FormClose();
    e->accept();
}

}  // namespace vellisk::ui
