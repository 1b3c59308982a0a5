#pragma once
// A notifier that may be called from a worker thread. Calls on the GUI thread go straight to
// the front end's notifier; calls from any other thread (the bitmap burn talks to the machine
// through the same command layer, which reports a lost link) are handed to the GUI thread and
// not waited for: a message box from a worker never blocks it, so the GUI thread can always
// join the worker. Such a message is answered with its first button.
#include <thread>

#include "platform/notifier.h"
#include "platform/worker_thread.h"

namespace vellisk {

class GuiThreadNotifier : public Notifier {
public:
    // Made on the GUI thread.
    GuiThreadNotifier(Notifier& gui, GuiDispatcher& dispatcher)
        : gui_(gui), dispatcher_(dispatcher), guiThread_(std::this_thread::get_id()) {}

    Answer Message(const std::string& text, MessageKind kind, Buttons buttons, const std::string& caption) override {
        if (OnGuiThread()) return gui_.Message(text, kind, buttons, caption);
        dispatcher_.Post([this, text, kind, buttons, caption] { gui_.Message(text, kind, buttons, caption); });
        return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
    }
    void Status(const std::string& text, int panel) override {
        if (OnGuiThread()) return gui_.Status(text, panel);
        dispatcher_.Post([this, text, panel] { gui_.Status(text, panel); });
    }
    void Busy(bool on) override {
        if (OnGuiThread()) gui_.Busy(on);  // the hourglass belongs to the GUI thread's commands
    }

private:
    bool OnGuiThread() const { return std::this_thread::get_id() == guiThread_; }

    Notifier& gui_;
    GuiDispatcher& dispatcher_;
    std::thread::id guiThread_;
};

}  // namespace vellisk
