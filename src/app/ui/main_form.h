#pragma once
// The main frame: the program's MDI window with the menu, the speed buttons, the zoom bar and the
// status bar. It opens drawings into drawing windows, arranges them, switches the view options of
// all drawings, zooms the active one, opens the configuration and the other dialogs, re-prepares
// the open drawings after a configuration change, and carries the job commands. Pieces made
// elsewhere (drawing windows, the control panel, job control, the dialogs) are reached through
// one FrameCommands, which the program hands over at start-up.
#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "app/frame_rules.h"
#include "app/shutdown_rules.h"
#include "app/ui/drawing_child.h"
#include "app/ui/frame_commands.h"
#include "app/ui/frame_items.h"
#include "model/lang_texts.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QSlider;
class QToolButton;
class QWidget;

namespace vellisk {
class ConfigDialog;
class MachineContext;
struct JobValues;
class Notifier;
struct ProgramEnvironment;
}  // namespace vellisk

namespace vellisk::ui {

class TDlgkonfig;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    TMainForm(MachineContext& ctx, const ProgramEnvironment& env, JobValues& job, Notifier& notifier,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    // What the frame runs of the rest of the program (null: nothing), and who picks its files
    // (null: the file dialogs). The frame does not own them.
    void SetCommands(FrameCommands* commands) { commands_ = commands ? commands : &none_; }
    void SetPicker(FramePicker* picker);

    // The configuration (created after the frame); the view options and folders live in its
    // global state record.
    void SetConfig(ConfigDialog* core, TDlgkonfig* dialog);

    // ---- the frame's commands ----
    void FileOpenItemClick();
    // Steps 3-5 of the open command for a chosen file (also the files named on the command line).
    bool OpenDrawing(const QString& file);
    void FileCloseItemClick();
    void FileSaveAsItemClick();
    void FileExitItemClick() { close(); }
    void WindowCascadeItemClick();
    void WindowTileItemClick();
    void CloseAllClick();
    void UpdateMenuItems();
    void HelpAboutItemClick();
    void infoClick();
    void KonfiguracjaClick();
    void mWarstwyClick();
    void mKreskowanieClick();
    void ChangeViewAtribute(ViewItem item);
    void SymulacjaClick();
    void sterowanieClick();
    void Cicie1Click();
    void tbZoomChange(int position);
    void sbZoomToFitClick();
    void sbZoomOutClick();
    void sbZoomInClick();
    void SetMenuCaptions();

    // ---- what others read ----
    QMdiArea* MdiArea() const { return mdi_; }
    QSlider* tbZoom() const { return zoom_; }
    // A menu item or speed button (their object names are the component names).
    QAction* Item(FrameItem item) const { return items_[static_cast<int>(item)]; }
    QWidget* Button(FrameButton button) const { return buttons_[static_cast<int>(button)]; }
    // The open drawings, in the order they were opened, and the active one (or null).
    std::vector<DrawingChild*> Drawings() const;
    DrawingChild* ActiveDrawing() const;
    ViewOptions View() const;
    // The drawing file last chosen to open.
    QString OpenFileName() const { return openFileName_; }
    int SaveFilterIndex() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    std::vector<QMdiSubWindow*> OpenWindows() const;
    void KeepInsideTheFrame(QMdiSubWindow* w);
    void Build();
    void BuildMenu();
    void BuildButtons();
    QAction* AddItem(QMenu* menu, FrameItem item, const QKeySequence& key, void (TMainForm::*slot)());
    QAction* AddCommand(QMenu* menu, FrameItem item, const QKeySequence& key, void (FrameCommands::*command)());
    QToolButton* AddButton(QWidget* bar, FrameButton button, std::function<void()> click);
    QToolButton* ToolButton(FrameButton button) const;
    void RunHook(const std::function<void()>& hook);
    void ApplyViewChecks();
    bool FormCloseQuery();
    void FormClose();
    QString T(TextId id) const;

    MachineContext& ctx_;
    const ProgramEnvironment& env_;
    JobValues& job_;
    Notifier& notifier_;
    ConfigDialog* config_ = nullptr;
    TDlgkonfig* configDialog_ = nullptr;
    QMdiArea* mdi_ = nullptr;
    QSlider* zoom_ = nullptr;
    QWidget* zoomPanel_ = nullptr;
    FrameCommands none_;
    FrameCommands* commands_ = &none_;
    std::unique_ptr<FramePicker> dialogs_;
    FramePicker* picker_ = nullptr;
    std::array<QAction*, static_cast<int>(FrameItem::Count)> items_{};
    std::array<QWidget*, static_cast<int>(FrameButton::Count)> buttons_{};
    std::map<QMdiSubWindow*, std::unique_ptr<DrawingChild>> children_;
    std::vector<QMdiSubWindow*> order_;
    ViewOptions view_;
    int saveFilterIndex_ = 1;
    QString openFileName_;
};

}  // namespace vellisk::ui
