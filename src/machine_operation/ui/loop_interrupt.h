#pragma once
// The window side of a loop that drives the machine until the operator stops it: while the loop
// runs, every key and mouse button press anywhere in the program is taken away from the windows
// (so it never starts anything else on the machine) and ends the loop; the control panel's timer
// stays off, so that its status polls never come between the loop's commands; windows still
// repaint.
#include <QObject>

#include "machine_operation/user_interrupt.h"

namespace vellisk {
class JobPanel;
}

namespace vellisk::ui {

class LoopInterrupt : public QObject, public UserInterrupt {
public:
    // `panel` may be null (no panel timer to hold).
    explicit LoopInterrupt(JobPanel* panel);
    ~LoopInterrupt() override;

    bool Poll() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    JobPanel* panel_;
    bool hit_ = false;
};

}  // namespace vellisk::ui
