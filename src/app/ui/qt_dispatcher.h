#pragma once
// Runs work on the GUI thread from any thread (the bitmap burn's status refresh and messages):
// the work is queued to the application's event loop and not waited for.
#include <QCoreApplication>
#include <QMetaObject>

#include "platform/worker_thread.h"

namespace vellisk::ui {

class QtDispatcher : public GuiDispatcher {
public:
    void Post(std::function<void()> work) override {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
    }
};

}  // namespace vellisk::ui
