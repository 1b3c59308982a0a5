#pragma once
// The drawing window: one per open drawing, holding its project. It shows the picture of the
// drawing in a scroll box with its own status bar, selects the figure under a click, drags a
// figure's start point, offers the popup menu (information, figure to cut, layers) and plays
// the simulated job from its own timer while the rest of the program keeps running.
//
// What the main frame calls:
//   - construct with the project kind, Load(path) (false: nothing loaded, delete the window);
//     the window title is the file name;
//   - Zoom() / SetZoom(1..10) for the zoom bar (read Zoom() when a window becomes active and put
//     the bar there without zooming); zoomLowered(z) tells that a picture could not be made and
//     the window went one step down;
//   - SetViewOptions() for the view menu's colour modes and entry points;
//   - StartSimulation() / StopSimulation() / Simulating(); simulationFinished() at the end;
//   - PrzeliczPoWaznejZmianie() after the configuration dialog changed settings;
//   - SelectedFigure(), project() for the saves (Project::Save, Save_selected, Save_from_selected);
//   - ShowLayersDialog / ShowInfo: the layer dialog and the information form, set by their owner.
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "drawing_window/drawing_window.h"
#include "drawing_window/ui/drawing_painter.h"

class QAction;
class QMenu;
class QScrollArea;
class QStatusBar;
class QTimer;

namespace vellisk::ui {

class DrawingCanvas;

class TMDIChild : public QWidget, private DrawingWindowView {
    Q_OBJECT
public:
    TMDIChild(int kind, const Settings& settings, MachineContext& ctx, const ProgramEnvironment& env, JobValues& job,
              Notifier& notifier, QWidget* parent = nullptr);
    ~TMDIChild() override;

    bool Load(const QString& path);

    DrawingWindow& Engine() { return engine_; }
    Project& project() { return engine_.project(); }
    int ProjectKind() const { return engine_.project().ProjectKind; }
    int SelectedFigure() const { return engine_.SelectedFigure(); }

    int Zoom() const { return engine_.Zoom(); }
    void SetZoom(int zoom);
    void SetViewOptions(const ViewOptions& options);
    void UpdateScrollRatios();

    void StartSimulation();
    void StopSimulation();
    bool Simulating() const { return walk_ != nullptr; }
    bool SimulationAborted() const { return simulationAborted_; }
    // Called for every step of the simulated tool (tests follow the walk with it).
    std::function<void(const SimulationStep&)> OnSimulationStep;

    void PrzeliczPoWaznejZmianie();

    // The layer dialog (true when confirmed with OK) and the project information form.
    std::function<bool()> ShowLayersDialog;
    std::function<void()> ShowInfo;

    // The parts of the window.
    QScrollArea* sbProjekt() const { return scroll_; }
    QWidget* iWektorowy() const;
    QStatusBar* StatusBar() const { return status_; }
    QMenu* PopupMenu1() const { return popup_; }
    QAction* pmInfo() const { return pmInfo_; }
    QAction* pmFiguraDoCiecia() const { return pmFiguraDoCiecia_; }
    QAction* pmWarstwy() const { return pmWarstwy_; }

signals:
    void zoomLowered(int zoom);
    void simulationFinished();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class DrawingCanvas;
    // DrawingWindowView
    void SetWindowStatus(const std::string& text) override;
    void RepaintAll() override;
    void RepaintRect(const PixelRect& rect) override;
    void SetFigureToCutItem(bool enabled, bool checked) override;

    void Relayout();
    void SimulationTick();
    void EndSimulation(bool aborted);
    void pmWarstwyClick();
    void FormDblClick();

    const ProgramEnvironment& env_;
    Notifier& notifier_;
    DrawingWindow engine_;
    QScrollArea* scroll_;
    DrawingCanvas* canvas_;
    QStatusBar* status_;
    QMenu* popup_;
    QAction* pmInfo_;
    QAction* pmFiguraDoCiecia_;
    QAction* pmWarstwy_;
    QTimer* simTimer_;
    QElapsedTimer simClock_;
    double simBudgetMs_ = 0.0;
    std::unique_ptr<SimulationWalk> walk_;
    std::vector<SimulationMark> marks_;
    bool simulationAborted_ = false;
};

}  // namespace vellisk::ui
