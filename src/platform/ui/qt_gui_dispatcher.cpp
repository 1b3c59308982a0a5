#include "platform/ui/qt_gui_dispatcher.h"

#include <QMetaObject>

namespace vellisk::ui {

void QtGuiDispatcher::Post(std::function<void()> work) {
    QMetaObject::invokeMethod(context_, [work = std::move(work)] { work(); }, Qt::QueuedConnection);
}

}  // namespace vellisk::ui
