#pragma once
// Work handed to the GUI thread through Qt's event loop: a worker thread's Synchronize and the
// messages a worker raises are run there, later, in the order given.
#include <QObject>

#include "platform/worker_thread.h"

namespace vellisk::ui {

class QtGuiDispatcher : public GuiDispatcher {
public:
    // `context` lives on the GUI thread (the main window); work posted after it is gone is
    // dropped by Qt.
    explicit QtGuiDispatcher(QObject* context) : context_(context) {}
    void Post(std::function<void()> work) override;

private:
    QObject* context_;
};

}  // namespace vellisk::ui
