#pragma once
// The program's notifier: message boxes over the active window, texts in the main frame's status
// bar, the hourglass as the application's override cursor.
#include <QPointer>
#include <QStatusBar>

#include "platform/notifier.h"

namespace vellisk::ui {

class FrameNotifier : public Notifier {
public:
    void SetStatusBar(QStatusBar* bar) { bar_ = bar; }

    Answer Message(const std::string& text, MessageKind kind, Buttons buttons, const std::string& caption) override;
    void Status(const std::string& text, int panel) override;
    void Busy(bool on) override;

private:
    QPointer<QStatusBar> bar_;
    int busy_ = 0;
};

}  // namespace vellisk::ui
