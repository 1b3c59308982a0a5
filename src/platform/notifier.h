#pragma once
// The one way the core talks to the operator: message boxes, status-bar texts and the hourglass.
// The front end implements it with real dialogs; tests record what was said.
#include <exception>
#include <string>

namespace vellisk {

enum class MessageKind { Information, Warning, Error, Confirmation };

// Answers a confirmation can get.
enum class Answer { Ok, Cancel, Yes, No };

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };

class Notifier {
public:
    virtual ~Notifier() = default;

    // A modal message box. Returns the button the operator pressed (Ok for a plain message).
    virtual Answer Message(const std::string& text, MessageKind kind = MessageKind::Information,
                           Buttons buttons = Buttons::Ok, const std::string& caption = {}) = 0;

    // A text in the status bar (panel 0 unless said otherwise).
    virtual void Status(const std::string& text, int panel = 0) = 0;

    // The hourglass cursor on (true) or back to the default cursor (false).
    virtual void Busy(bool on) = 0;
};

// A notifier that says nothing and answers every question with its first button.
class SilentNotifier : public Notifier {
public:
    Answer Message(const std::string&, MessageKind, Buttons buttons, const std::string&) override {
        return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
    }
    void Status(const std::string&, int) override {}
    void Busy(bool) override {}
};

// Shows the hourglass for its lifetime and restores the default cursor on every way out.
class BusyCursor {
public:
    explicit BusyCursor(Notifier& n) : n_(n) { n_.Busy(true); }
    ~BusyCursor() { n_.Busy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    Notifier& n_;
};

// Runs an operator's command; an error (a value out of range, a file that cannot be read) stops
// it with the error's message instead of leaving the window's event handler. False when it was
// stopped so.
template <typename F>
bool RunReported(Notifier& notifier, F&& command) {
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        notifier.Message(e.what(), MessageKind::Error);
        return false;
    }
}

}  // namespace vellisk
