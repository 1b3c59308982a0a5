#include "machine_operation/ui/loop_interrupt.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <utility>

#include "machine_operation/job_panel.h"

namespace vellisk::ui {

LoopInterrupt::LoopInterrupt(JobPanel* panel) : panel_(panel) {
    if (panel_) panel_->StopTimer();
    QCoreApplication::instance()->installEventFilter(this);
}

LoopInterrupt::~LoopInterrupt() {
    QCoreApplication::instance()->removeEventFilter(this);
    if (panel_) panel_->StartTimer();
}

bool LoopInterrupt::Poll() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return std::exchange(hit_, false);
}

bool LoopInterrupt::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: hit_ = true; return true;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) hit_ = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::Close: return true;
        default: return QObject::eventFilter(watched, event);
    }
}

}  // namespace vellisk::ui
