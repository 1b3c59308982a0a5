// The main frame's menu, speed buttons and zoom bar, built once with their component names, and
// their captions and hints in the language in force.
#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <iterator>

#include "app/ui/main_form.h"

namespace vellisk::ui {

namespace {

// The items' and buttons' component names, in the order of their enums.
const char* const kItemNames[] = {"File1",
                                  "FileOpenItem",
                                  "Zapistestowy1",
                                  "FileCloseItem",
                                  "info",
                                  "Symulacja",
                                  "About1",
                                  "FileExitItem",
                                  "Widok",
                                  "Kierunek",
                                  "Kolejnosc",
                                  "Warstwy",
                                  "Punktywej",
                                  "Cicie1",
                                  "Start1",
                                  "Kontynuacja1",
                                  "Powtrz1",
                                  "Wstrzymaj1",
                                  "Tnijwybran1",
                                  "Startodwybranej1",
                                  "nijwybranewarstwy1",
                                  "WypalBMP1",
                                  "sterowanie",
                                  "Konfiguracja",
                                  "mKonfigGlowna",
                                  "mWarstwy",
                                  "Window1",
                                  "WindowCascadeItem",
                                  "WindowTileItem",
                                  "CloseAll",
                                  "Funkcje1",
                                  "mKreskowanie"};
static_assert(std::size(kItemNames) == static_cast<std::size_t>(FrameItem::Count));
const char* const kButtonNames[] = {"OpenBtn",     "SpeedSymulacja", "SpeedStart", "SpeedStop", "Skont",
                                    "sbZoomToFit", "sbZoomOut",      "sbZoomIn",   "pZoom",     "tbZoom"};
static_assert(std::size(kButtonNames) == static_cast<std::size_t>(FrameButton::Count));

}  // namespace

QToolButton* TMainForm::ToolButton(FrameButton button) const {
    return static_cast<QToolButton*>(buttons_[static_cast<int>(button)]);
}

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

QAction* TMainForm::AddItem(QMenu* menu, FrameItem item, const QKeySequence& key, void (TMainForm::*slot)()) {
    QAction* a = menu->addAction(QString());
    a->setObjectName(kItemNames[static_cast<int>(item)]);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    if (slot) connect(a, &QAction::triggered, this, [this, slot] { RunHook([this, slot] { (this->*slot)(); }); });
    items_[static_cast<int>(item)] = a;
    return a;
}

QAction* TMainForm::AddCommand(QMenu* menu, FrameItem item, const QKeySequence& key, void (FrameCommands::*command)()) {
    QAction* a = AddItem(menu, item, key, nullptr);
    connect(a, &QAction::triggered, this, [this, command] { RunHook([this, command] { (commands_->*command)(); }); });
    return a;
}

void TMainForm::BuildMenu() {
    QMenuBar* bar = menuBar();
    auto top = [&](FrameItem item) {
        QMenu* m = bar->addMenu(QString());
        m->setObjectName(kItemNames[static_cast<int>(item)]);
        m->menuAction()->setObjectName(kItemNames[static_cast<int>(item)]);
        items_[static_cast<int>(item)] = m->menuAction();
        return m;
    };
    QMenu* file = top(FrameItem::FileMenu);
    AddItem(file, FrameItem::Open, Qt::Key_F3, &TMainForm::FileOpenItemClick);
    AddItem(file, FrameItem::SaveTest, {}, &TMainForm::FileSaveAsItemClick)->setVisible(false);
    AddItem(file, FrameItem::Close, {}, &TMainForm::FileCloseItemClick);
    AddItem(file, FrameItem::Info, {}, &TMainForm::infoClick);
    AddItem(file, FrameItem::Simulation, Qt::Key_F1, &TMainForm::SymulacjaClick);
    AddItem(file, FrameItem::About, {}, &TMainForm::HelpAboutItemClick);
    file->addSeparator();
    AddItem(file, FrameItem::Exit, QKeySequence(Qt::ALT | Qt::Key_X), &TMainForm::FileExitItemClick);

    QMenu* view = top(FrameItem::ViewMenu);
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    const std::pair<FrameItem, ViewItem> viewItems[] = {{FrameItem::Direction, ViewItem::Kierunek},
                                                        {FrameItem::Sequence, ViewItem::Kolejnosc},
                                                        {FrameItem::Layers, ViewItem::Warstwy},
                                                        {FrameItem::InputPoints, ViewItem::Punktywej}};
    for (const auto& [name, item] : viewItems) {
        QAction* a = AddItem(view, name, {}, nullptr);
        a->setCheckable(true);
        if (item != ViewItem::Punktywej) group->addAction(a);
        const ViewItem it = item;
        connect(a, &QAction::triggered, this, [this, it] { ChangeViewAtribute(it); });
    }

    QMenu* cut = top(FrameItem::CutMenu);
    connect(cut, &QMenu::aboutToShow, this, &TMainForm::Cicie1Click);
    AddCommand(cut, FrameItem::Start, Qt::Key_F2, &FrameCommands::Start1Click);
    AddCommand(cut, FrameItem::Continue, QKeySequence(Qt::SHIFT | Qt::Key_F2), &FrameCommands::Kontynuacja1Click);
    AddCommand(cut, FrameItem::Repeat, QKeySequence(Qt::CTRL | Qt::Key_F2), &FrameCommands::Powtrz1Click);
    AddCommand(cut, FrameItem::Hold, Qt::Key_Space, &FrameCommands::Wstrzymaj1Click);
    AddCommand(cut, FrameItem::CutSelected, {}, &FrameCommands::Tnijwybran1Click);
    AddCommand(cut, FrameItem::StartFromSelected, {}, &FrameCommands::Startodwybranej1Click);
    AddItem(cut, FrameItem::CutSelectedLayers, {}, nullptr)->setVisible(false);
    AddCommand(cut, FrameItem::BurnBitmap, {}, &FrameCommands::WypalBMP1Click)->setVisible(false);

    QAction* panel = bar->addAction(QString());
    panel->setObjectName(kItemNames[static_cast<int>(FrameItem::Panel)]);
    panel->setShortcut(Qt::Key_F5);
    connect(panel, &QAction::triggered, this, [this] { RunHook([this] { sterowanieClick(); }); });
    items_[static_cast<int>(FrameItem::Panel)] = panel;
    addAction(panel);  // the shortcut works from the frame, not only from the menu bar

    QMenu* config = top(FrameItem::ConfigMenu);
    // F6 sits on the menu itself and runs no command.
    auto* f6 = new QAction(this);
    f6->setShortcut(Qt::Key_F6);
    addAction(f6);
    AddItem(config, FrameItem::MainConfig, {}, &TMainForm::KonfiguracjaClick);
    AddItem(config, FrameItem::LayersConfig, {}, &TMainForm::mWarstwyClick);

    QMenu* windows = top(FrameItem::WindowMenu);
    AddItem(windows, FrameItem::Cascade, {}, &TMainForm::WindowCascadeItemClick);
    AddItem(windows, FrameItem::Tile, {}, &TMainForm::WindowTileItemClick);
    AddItem(windows, FrameItem::CloseAll, {}, &TMainForm::CloseAllClick);
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

    QMenu* functions = top(FrameItem::FunctionsMenu);
    AddItem(functions, FrameItem::Hatching, {}, &TMainForm::mKreskowanieClick);
}

QToolButton* TMainForm::AddButton(QWidget* bar, FrameButton button, std::function<void()> click) {
    auto* b = new QToolButton(bar);
    b->setObjectName(kButtonNames[static_cast<int>(button)]);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(b, &QToolButton::clicked, this, [this, click = std::move(click)] { RunHook(click); });
    buttons_[static_cast<int>(button)] = b;
    return b;
}

void TMainForm::BuildButtons() {
    QToolBar* bar = addToolBar(QString());
    bar->setObjectName("SpeedBar");
    bar->setMovable(false);
    bar->addWidget(AddButton(bar, FrameButton::Open, [this] { FileOpenItemClick(); }));
    ToolButton(FrameButton::Open)->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    ToolButton(FrameButton::Open)->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->addSeparator();
    bar->addWidget(AddButton(bar, FrameButton::Simulation, [this] { SymulacjaClick(); }));
    bar->addWidget(AddButton(bar, FrameButton::Start, [this] { commands_->Start1Click(); }));
    bar->addWidget(AddButton(bar, FrameButton::Stop, [this] { commands_->Wstrzymaj1Click(); }));
    bar->addWidget(AddButton(bar, FrameButton::Continue, [this] { commands_->Kontynuacja1Click(); }));
    bar->addSeparator();

    zoomPanel_ = new QWidget(bar);
    zoomPanel_->setObjectName(kButtonNames[static_cast<int>(FrameButton::ZoomPanel)]);
    buttons_[static_cast<int>(FrameButton::ZoomPanel)] = zoomPanel_;
    auto* lay = new QHBoxLayout(zoomPanel_);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(AddButton(zoomPanel_, FrameButton::ZoomToFit, [this] { sbZoomToFitClick(); }));
    ToolButton(FrameButton::ZoomToFit)->setText("1:1");
    lay->addWidget(AddButton(zoomPanel_, FrameButton::ZoomOut, [this] { sbZoomOutClick(); }));
    ToolButton(FrameButton::ZoomOut)->setText("-");
    zoom_ = new QSlider(Qt::Horizontal, zoomPanel_);
    zoom_->setObjectName(kButtonNames[static_cast<int>(FrameButton::ZoomBar)]);
    buttons_[static_cast<int>(FrameButton::ZoomBar)] = zoom_;
    zoom_->setRange(kZoomMin, kZoomMax);
    zoom_->setValue(1);
    zoom_->setPageStep(1);
    zoom_->setTickPosition(QSlider::TicksBelow);
    zoom_->setFixedWidth(160);
    connect(zoom_, &QSlider::valueChanged, this, &TMainForm::tbZoomChange);
    lay->addWidget(zoom_);
    lay->addWidget(AddButton(zoomPanel_, FrameButton::ZoomIn, [this] { sbZoomInClick(); }));
    ToolButton(FrameButton::ZoomIn)->setText("+");
    zoomPanel_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    bar->addWidget(zoomPanel_);
}

void TMainForm::SetMenuCaptions() {
    const std::pair<FrameItem, TextId> captions[] = {
        {FrameItem::FileMenu, TextId::MenuFile},
        {FrameItem::Open, TextId::MenuOpen},
        {FrameItem::Close, TextId::MenuClose},
        {FrameItem::Info, TextId::MenuInfo},
        {FrameItem::Simulation, TextId::MenuSimulation},
        {FrameItem::About, TextId::MenuAbout},
        {FrameItem::Exit, TextId::MenuExit},
        {FrameItem::ViewMenu, TextId::MenuView},
        {FrameItem::Direction, TextId::MenuDirection},
        {FrameItem::Sequence, TextId::MenuSequence},
        {FrameItem::Layers, TextId::MenuLayers},
        {FrameItem::InputPoints, TextId::MenuInputPoints},
        {FrameItem::CutMenu, TextId::MenuCut},
        {FrameItem::Start, TextId::MenuStart},
        {FrameItem::Continue, TextId::MenuContinuation},
        {FrameItem::Repeat, TextId::MenuRepeat},
        {FrameItem::Hold, TextId::MenuHold},
        {FrameItem::CutSelected, TextId::MenuCutSelected},
        {FrameItem::StartFromSelected, TextId::MenuStartFromSelected},
        {FrameItem::CutSelectedLayers, TextId::MenuCutSelectedLayers},
        {FrameItem::BurnBitmap, TextId::MenuBurnBmp},
        {FrameItem::Panel, TextId::MenuControl},
        {FrameItem::ConfigMenu, TextId::MenuConfiguration},
        {FrameItem::WindowMenu, TextId::MenuWindows},
        {FrameItem::Cascade, TextId::MenuCascade},
        {FrameItem::Tile, TextId::MenuTile},
        {FrameItem::CloseAll, TextId::MenuCloseAll},
        {FrameItem::FunctionsMenu, TextId::MenuFunctions},
        {FrameItem::Hatching, TextId::MenuLining},
    };
    for (const auto& [item, id] : captions) Item(item)->setText(T(id));
    Item(FrameItem::SaveTest)->setText("Zapis [testowy]");
    Item(FrameItem::MainConfig)->setText(T(TextId::MenuMainConfig) + "...");
    Item(FrameItem::LayersConfig)->setText(T(TextId::MenuLayersConfig) + "...");
    const std::pair<FrameItem, TextId> hints[] = {{FrameItem::Direction, TextId::HintViewDirection},
                                                  {FrameItem::Sequence, TextId::HintViewSequence},
                                                  {FrameItem::Layers, TextId::HintViewLayers},
                                                  {FrameItem::InputPoints, TextId::HintViewInputPoints}};
    for (const auto& [item, id] : hints) Item(item)->setStatusTip(T(id));

    auto button = [this](FrameButton which, const QString& text, const QString& hint) {
        QToolButton* b = ToolButton(which);
        if (!text.isEmpty()) b->setText(text);
        b->setToolTip(hint.isEmpty() ? b->text() : hint);
        b->setStatusTip(hint);
    };
    button(FrameButton::Open, {}, T(TextId::HintOpenFile));
    button(FrameButton::Simulation, T(TextId::ButtonSimulation), T(TextId::HintSimulation));
    button(FrameButton::Start, T(TextId::ButtonStart), {});
    button(FrameButton::Stop, T(TextId::ButtonStop), {});
    button(FrameButton::Continue, T(TextId::ButtonContinue), {});
    button(FrameButton::ZoomToFit, {}, T(TextId::HintZoomToFit));
    button(FrameButton::ZoomOut, {}, T(TextId::HintZoomOut));
    button(FrameButton::ZoomIn, {}, T(TextId::HintZoomIn));
}

}  // namespace vellisk::ui
