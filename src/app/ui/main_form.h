#pragma once
// The main frame: the program's MDI window with the menu, the speed buttons, the zoom bar and the
// status bar. It opens drawings into drawing windows, arranges them, switches the view options of
// all drawings, zooms the active one, opens the configuration and the other dialogs, re-prepares
// the open drawings after a configuration change, and carries the job commands. Pieces made
// elsewhere (drawing windows, the control panel, job control, the dialogs) are reached through
// the hooks, which the program sets at start-up.
#include <QMainWindow>
#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "app/frame_rules.h"
#include "app/shutdown_rules.h"
#include "app/ui/drawing_child.h"
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
class Notifier;
}  // namespace vellisk

namespace vellisk::ui {

class TDlgkonfig;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    TMainForm(MachineContext& ctx, Notifier& notifier, QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- what the program wires in ----
    // A new drawing window for a project kind (default, once the configuration is known: the
    // project's contour view).
    std::function<std::unique_ptr<DrawingChild>(int kind)> CreateDrawing;
    // Job commands (menu items and buttons).
    std::function<void()> Start1Click, Kontynuacja1Click, Powtrz1Click, Wstrzymaj1Click, Tnijwybran1Click,
        Startodwybranej1Click, WypalBMP1Click;
    // The control panel (shown non-modal), the About box, the project information form, the
    // layers dialog of the active drawing, the hatching dialog (true: OK) of the active drawing.
    std::function<void()> ShowPanel, ShowAbout, ShowInfo, ShowLayers;
    std::function<bool()> ShowHatching;
    // What the close query looks at, ending the stream of a held job, ending the burn.
    std::function<CloseState()> CloseStateNow;
    std::function<void()> StopStream, EndBurn;
    // A drawing window is closing (its burn must end before its drawing goes).
    std::function<void(DrawingChild*)> DrawingClosing;
    // Picks the drawing to open: folder, filter ("label|pattern|..."), filter index (in: the kept
    // one, out: the chosen one). Empty: cancelled. Default: the file dialog.
    std::function<QString(const QString& folder, const QString& filter, int* filterIndex)> ChooseOpenFile;
    // Picks the save-as file: suggested name, folder, filter, filter index in/out.
    std::function<QString(const QString& name, const QString& folder, const QString& filter, int* filterIndex)>
        ChooseSaveFile;

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
    // A menu item or button by its component name ("Start1", "SpeedStart", "Kierunek", ...).
    QAction* Item(const QString& name) const;
    QWidget* Button(const QString& name) const;
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
    QAction* AddItem(QMenu* menu, const char* name, const QKeySequence& key, void (TMainForm::*slot)());
    QAction* AddHooked(QMenu* menu, const char* name, const QKeySequence& key, std::function<void()>* hook);
    QToolButton* AddButton(QWidget* bar, const char* name, std::function<void()> click);
    void RunHook(const std::function<void()>& hook);
    void ApplyViewChecks();
    bool FormCloseQuery();
    void FormClose();
    QString T(TextId id) const;

    MachineContext& ctx_;
    Notifier& notifier_;
    ConfigDialog* config_ = nullptr;
    TDlgkonfig* configDialog_ = nullptr;
    QMdiArea* mdi_ = nullptr;
    QSlider* zoom_ = nullptr;
    QWidget* zoomPanel_ = nullptr;
    std::map<QString, QAction*> items_;
    std::map<QString, QWidget*> buttons_;
    std::map<QMdiSubWindow*, std::unique_ptr<DrawingChild>> children_;
    std::vector<QMdiSubWindow*> order_;
    ViewOptions view_;
    int saveFilterIndex_ = 1;
    QString openFileName_;
};

}  // namespace vellisk::ui
