#include "drawing_window/ui/tmdichild.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "model/lang_texts.h"
#include "model/numeric.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "settings/settings.h"

namespace vellisk::ui {

// The picture inside the scroll box: paints the part of the drawing that is shown and hands
// the mouse to the window.
class DrawingCanvas : public QWidget {
public:
    explicit DrawingCanvas(TMDIChild& window) : QWidget(nullptr), window_(window) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(false);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        PaintDrawing(painter, event->rect(), window_.engine_, window_.marks_);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        const QPoint p = event->position().toPoint();
        window_.UpdateScrollRatios();
        window_.engine_.MouseDown(p.x(), p.y());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint p = event->position().toPoint();
        window_.engine_.MouseMove(p.x(), p.y(), (event->buttons() & Qt::LeftButton) != 0);
    }
    void mouseReleaseEvent(QMouseEvent*) override { window_.engine_.MouseUp(); }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) window_.FormDblClick();
    }
    void contextMenuEvent(QContextMenuEvent* event) override { window_.popup_->popup(event->globalPos()); }

private:
    TMDIChild& window_;
};

TMDIChild::TMDIChild(int kind, const Settings& settings, MachineContext& ctx, const ProgramEnvironment& env,
                     JobValues& job, Notifier& notifier, QWidget* parent)
    : QWidget(parent),
      env_(env),
      notifier_(notifier),
      engine_(kind, settings, ctx, env, job, notifier),
      scroll_(new QScrollArea(this)),
      canvas_(new DrawingCanvas(*this)),
      status_(new QStatusBar(this)),
      popup_(new QMenu(this)),
      simTimer_(new QTimer(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(scroll_, 1);
    layout->addWidget(status_);
    scroll_->setWidget(canvas_);
    scroll_->setWidgetResizable(false);
    QPalette pal = scroll_->palette();
    pal.setColor(QPalette::Window, PictureBackground());
    scroll_->setPalette(pal);
    scroll_->setBackgroundRole(QPalette::Window);
    status_->setSizeGripEnabled(false);

    pmInfo_ = popup_->addAction(QString::fromStdString(env.Text(TextId::PopupInfo)), this, &TMDIChild::FormDblClick);
    pmFiguraDoCiecia_ = popup_->addAction(QString::fromStdString(env.Text(TextId::PopupFigureToCut)));
    pmFiguraDoCiecia_->setCheckable(true);
    pmFiguraDoCiecia_->setEnabled(false);
    connect(pmFiguraDoCiecia_, &QAction::triggered, this, [this] { engine_.ToggleFigureToCut(); });
    pmWarstwy_ = popup_->addAction(QString::fromStdString(env.Text(TextId::PopupLayers) + "..."), this,
                                   &TMDIChild::pmWarstwyClick);
    pmWarstwy_->setEnabled(settings.Choice(setting::ProjectType) == 1);

    simTimer_->setInterval(10);
    connect(simTimer_, &QTimer::timeout, this, &TMDIChild::SimulationTick);
    engine_.SetView(this);
    resize(640, 480);
}

TMDIChild::~TMDIChild() {
    if (walk_) qApp->removeEventFilter(this);
    engine_.SetView(nullptr);
}

QWidget* TMDIChild::iWektorowy() const { return canvas_; }

bool TMDIChild::Load(const QString& path) {
    setWindowTitle(QFileInfo(path).fileName());
    const bool ok = engine_.Load(path.toStdString());
    Relayout();
    return ok;
}

void TMDIChild::SetZoom(int zoom) {
    UpdateScrollRatios();
    engine_.SetZoom(zoom);
    Relayout();
}

void TMDIChild::SetViewOptions(const ViewOptions& options) {
    engine_.Options() = options;
    canvas_->update();
}

void TMDIChild::UpdateScrollRatios() {
    const QScrollBar* h = scroll_->horizontalScrollBar();
    const QScrollBar* v = scroll_->verticalScrollBar();
    engine_.UpdateScrollRatios(h->value(), h->maximum() - h->minimum(), v->value(), v->maximum() - v->minimum());
}

void TMDIChild::Relayout() {
    const QSize client = scroll_->maximumViewportSize();
    const ViewTransform* view = &engine_.Layout(client.width(), client.height());
    while (view->TooLarge) {
        notifier_.Message(env_.Text(TextId::ViewOutOfResources), MessageKind::Error, Buttons::Ok, "");
        if (!engine_.ZoomDownAfterFailedPicture()) break;
        emit zoomLowered(engine_.Zoom());
        view = &engine_.Layout(client.width(), client.height());
    }
    canvas_->resize(std::max(view->ImageWidth, 1), std::max(view->ImageHeight, 1));
    QScrollBar* h = scroll_->horizontalScrollBar();
    QScrollBar* v = scroll_->verticalScrollBar();
    h->setValue(static_cast<int>(RoundHalfEven((h->maximum() - h->minimum()) * engine_.ScrollRatioX())));
    v->setValue(static_cast<int>(RoundHalfEven((v->maximum() - v->minimum()) * engine_.ScrollRatioY())));
    canvas_->update();
}

void TMDIChild::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void TMDIChild::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Relayout();
}

void TMDIChild::PrzeliczPoWaznejZmianie() {
    engine_.Reprepare();
    Relayout();
}

// --- the engine's view ---

void TMDIChild::SetWindowStatus(const std::string& text) { status_->showMessage(QString::fromStdString(text)); }

void TMDIChild::RepaintAll() { canvas_->update(); }

void TMDIChild::RepaintRect(const PixelRect& r) {
    canvas_->update(QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)));
}

void TMDIChild::SetFigureToCutItem(bool enabled, bool checked) {
    pmFiguraDoCiecia_->setEnabled(enabled);
    pmFiguraDoCiecia_->setChecked(checked);
}

// --- popup ---

void TMDIChild::pmWarstwyClick() {
    if (ShowLayersDialog && ShowLayersDialog()) {
        engine_.LayersConfirmed();
        Relayout();
    }
}

void TMDIChild::FormDblClick() {
    if (ShowInfo) ShowInfo();
}

// --- simulation ---

void TMDIChild::StartSimulation() {
    if (walk_) return;
    Relayout();
    walk_ = engine_.StartSimulation();
    if (!walk_) return;
    marks_.clear();
    canvas_->update();
    simulationAborted_ = false;
    qApp->installEventFilter(this);
    simBudgetMs_ = 0.0;
    simClock_.start();
    simTimer_->start();
}

void TMDIChild::StopSimulation() {
    if (walk_) EndSimulation(true);
}

void TMDIChild::EndSimulation(bool aborted) {
    simTimer_->stop();
    qApp->removeEventFilter(this);
    walk_.reset();
    simulationAborted_ = aborted;
    canvas_->update();
    emit simulationFinished();
}

void TMDIChild::SimulationTick() {
    if (!walk_) return;
    // The tool goes at 1 ms a pixel of travel and 2 ms a pixel of cutting; a late tick catches
    // up, but never by more than a fifth of a second.
    simBudgetMs_ = std::min(simBudgetMs_ + static_cast<double>(simClock_.restart()), 200.0);
    QRect dirty;
    QPoint last(-1, -1);
    SimulationStep step;
    while (simBudgetMs_ > 0.0) {
        if (!walk_->Next(step)) {
            if (!dirty.isNull()) canvas_->update(dirty);
            EndSimulation(false);
            return;
        }
        simBudgetMs_ -= step.delayMs;
        if (step.kind != SimulationStep::Travel) {
            marks_.push_back({step.at.x, step.at.y, step.radius, true});
            const int r = step.radius + 1;
            dirty |= QRect(step.at.x - r, step.at.y - r, 2 * r + 1, 2 * r + 1);
        }
        last = QPoint(step.at.x, step.at.y);
        if (OnSimulationStep) OnSimulationStep(step);
        if (!walk_) return;  // the step's observer ended the simulation
    }
    if (!dirty.isNull()) canvas_->update(dirty);
    if (last.x() >= 0) {
        scroll_->ensureVisible(last.x(), last.y(), 20, 20);
        QCursor::setPos(canvas_->mapToGlobal(QPoint(last.x() + 2, last.y() + 3)));
    }
}

bool TMDIChild::eventFilter(QObject* watched, QEvent* event) {
    if (walk_) {
        const bool key = event->type() == QEvent::KeyPress;
        const bool click =
            event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        if (key || click) {
            EndSimulation(true);
            return true;  // the key or click only ends the simulation
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace vellisk::ui
