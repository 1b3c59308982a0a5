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
#include <iterator>

#include "app/ui/file_dialog_picker.h"
#include "app/ui/mdi_drawing_child.h"
#include "app/ui/project_child.h"
#include "drawing_files/file_kind.h"
#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "settings/config_dialog.h"
#include "settings/ui/dlgkonfig.h"

namespace vellisk::ui {

TMainForm::TMainForm(MachineContext& ctx, const ProgramEnvironment& env, JobValues& job, Notifier& notifier,
                     QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), env_(env), job_(job), notifier_(notifier) {
    dialogs_ = std::make_unique<FileDialogPicker>(this);
    picker_ = dialogs_.get();
    Build();
    SetMenuCaptions();
    UpdateMenuItems();
}

TMainForm::~TMainForm() {
    // The drawing windows go before the objects they use.
    // The commands' owners may be gone already: the windows close without telling them.
    commands_ = &none_;
    disconnect(mdi_, nullptr, this, nullptr);
    for (QMdiSubWindow* w : order_) {
        disconnect(w, nullptr, this, nullptr);
        w->removeEventFilter(this);
    }
    mdi_->closeAllSubWindows();
    children_.clear();
}

void TMainForm::SetPicker(FramePicker* picker) { picker_ = picker ? picker : dialogs_.get(); }

QString TMainForm::T(TextId id) const { return QString::fromStdString(env_.Text(id)); }

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
    if (config_) {
        view_.Kierunek = config_->Live.Kierunek;
        view_.Kolejnosc = config_->Live.Kolejnosc;
        view_.Warstwy = config_->Live.Warstwy;
        view_.Punktywej = config_->Live.Punktywej;
        // Exactly one colour mode, whatever the record held.
        if (view_.Kierunek + view_.Kolejnosc + view_.Warstwy != 1) {
            const ViewItem first = view_.Kierunek    ? ViewItem::Kierunek
                                   : view_.Kolejnosc ? ViewItem::Kolejnosc
                                                     : ViewItem::Warstwy;
            vellisk::ChangeViewAtribute(view_, first);
        }
    }
    ApplyViewChecks();
    UpdateMenuItems();
}

void TMainForm::ApplyViewChecks() {
    Item(FrameItem::Direction)->setChecked(view_.Kierunek);
    Item(FrameItem::Sequence)->setChecked(view_.Kolejnosc);
    Item(FrameItem::Layers)->setChecked(view_.Warstwy);
    Item(FrameItem::InputPoints)->setChecked(view_.Punktywej);
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
    Button(FrameButton::Start)->setEnabled(e.SpeedStart);
    Item(FrameItem::Close)->setEnabled(e.FileCloseItem);
    Item(FrameItem::Simulation)->setEnabled(e.Symulacja);
    Item(FrameItem::Cascade)->setEnabled(e.WindowCascadeItem);
    Item(FrameItem::Tile)->setEnabled(e.WindowTileItem);
    Item(FrameItem::ViewMenu)->setEnabled(e.Widok);
    Item(FrameItem::WindowMenu)->setEnabled(e.Window1);
    Item(FrameItem::Info)->setEnabled(e.info);
    Item(FrameItem::LayersConfig)->setEnabled(e.mWarstwy);
    Button(FrameButton::Simulation)->setEnabled(e.SpeedSymulacja);
    Item(FrameItem::CutSelected)->setEnabled(e.Tnijwybran1);
    Item(FrameItem::StartFromSelected)->setEnabled(e.Startodwybranej1);
    Item(FrameItem::CutSelectedLayers)->setEnabled(e.nijwybranewarstwy1);
    Item(FrameItem::Hatching)->setEnabled(e.mKreskowanie);
    zoomPanel_->setEnabled(e.Zoom);
    for (FrameButton b : {FrameButton::ZoomToFit, FrameButton::ZoomOut, FrameButton::ZoomIn})
        Button(b)->setEnabled(e.Zoom);
    zoom_->setEnabled(e.Zoom);
}

void TMainForm::Cicie1Click() { Item(FrameItem::Start)->setEnabled(!OpenWindows().empty()); }

// ---- files ----

void TMainForm::FileOpenItemClick() {
    const bool laser = ctx_.PlotParams.Laser != 0;
    int index = config_ ? config_->Live.OpenFilterIndex : 1;
    const QString folder = config_ ? QString::fromStdString(config_->Global.OpenDir) : QString();
    const QString file = picker_->ChooseOpenFile(folder, QString::fromStdString(OpenFilter(laser)), &index);
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
                          env_.Text(TextId::CannotOpenTheFileCaption));
        return false;
    }
    const int kind = FileKindOf(file.toStdString());
    if (kind == KindBitmap && !ctx_.PlotParams.Laser) {
        // A name typed past the filter: a bitmap's raster burn is a laser's work, not a spindle's.
        notifier_.Message(env_.Text(TextId::BitmapNeedsLaser), MessageKind::Error, Buttons::Ok,
                          QFileInfo(file).fileName().toStdString());
        UpdateMenuItems();
        return false;
    }
    std::unique_ptr<DrawingChild> child = commands_->CreateDrawing(kind);
    if (!child && config_) {
        // The frame's own: the project's contour view.
        if (kind == KindBitmap)
            child = std::make_unique<ProjectChild>(kind, config_->settings(), env_, job_, notifier_, config_);
        else
            child = std::make_unique<MdiDrawingChild>(kind, config_->settings(), ctx_, env_, job_, notifier_,
                                                      [this] { return view_; });
    }
    if (!child) return false;
    bool loaded = false;
    RunHook([&] { loaded = child->Load(file); });
    if (config_) config_->Global.OpenDir = FolderOfFile(QFileInfo(file).absoluteFilePath().toStdString());
    job_.HatchingDone = false;
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
    const QString file = picker_->ChooseSaveFile(name, folder, QString::fromStdString(SaveFilter()), &index);
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

void TMainForm::HelpAboutItemClick() { commands_->ShowAbout(); }

void TMainForm::infoClick() {
    if (!OpenWindows().empty()) commands_->ShowInfo();
}

void TMainForm::sterowanieClick() { commands_->ShowPanel(); }

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
        commands_->ShowLayers();
        return;
    }
    notifier_.Message(env_.Text(TextId::OnlyForMultilayerProject), MessageKind::Information, Buttons::Ok, " ");
}

void TMainForm::mKreskowanieClick() {
    DrawingChild* d = ActiveDrawing();
    if (!d) return;
    commands_->ShowHatching();
    d->Repaint();
}

void TMainForm::ChangeViewAtribute(ViewItem item) {
    vellisk::ChangeViewAtribute(view_, item);
    ApplyViewChecks();
    static constexpr FrameItem kItems[] = {FrameItem::Direction, FrameItem::Sequence, FrameItem::Layers,
                                           FrameItem::InputPoints};
    const QString hint = Item(kItems[static_cast<int>(item)])->statusTip();
    for (DrawingChild* d : Drawings()) {
        d->ShowViewHint(hint);
        d->Repaint();
    }
}

void TMainForm::SymulacjaClick() {
    if (!Button(FrameButton::Simulation)->isEnabled()) return;
    if (DrawingChild* d = ActiveDrawing()) d->Simulate();
}

// ---- zoom ----

void TMainForm::tbZoomChange(int position) {
    if (DrawingChild* d = ActiveDrawing()) {
        d->SetZoom(position);
        Button(FrameButton::Simulation)->setEnabled(position == 1);
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
    const CloseState s = commands_->CloseStateNow();
    switch (CloseQuery(s)) {
        case CloseAnswer::Allow: return true;
        case CloseAnswer::StopStreamAndAllow: commands_->StopStream(); return true;
        case CloseAnswer::RefuseStreaming:
            notifier_.Message(env_.Text(TextId::CannotCloseWhileCutting), MessageKind::Error, Buttons::Ok, "Uwaga");
            return false;
        case CloseAnswer::RefuseTransfer:
            notifier_.Message(env_.Text(TextId::CannotCloseWhileTransfer), MessageKind::Error, Buttons::Ok, "Uwaga");
            return false;
    }
    return true;
}

void TMainForm::FormClose() {
    try {
        commands_->EndBurn();
    } catch (...) {
        // the burn is ending with the program; nothing more to do about it
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Close) {
        auto it = children_.find(qobject_cast<QMdiSubWindow*>(watched));
        if (it != children_.end()) RunHook([&] { commands_->DrawingClosing(it->second.get()); });
        QMetaObject::invokeMethod(
            this, [this] { UpdateMenuItems(); }, Qt::QueuedConnection);
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
