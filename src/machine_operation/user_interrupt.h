#pragma once
// How the operator ends a loop that drives the machine until stopped (the motion, heater and
// laser tests, the surface scan, the tool probe): any key press or left mouse click. While such
// a loop runs, the window takes that input away from everything else, so a key meant to stop
// the machine never starts something on it.
namespace vellisk {

class UserInterrupt {
public:
    virtual ~UserInterrupt() = default;
    // True when a key was pressed or the left mouse button clicked since the last call.
    virtual bool Poll() = 0;
};

}  // namespace vellisk
