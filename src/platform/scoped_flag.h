#pragma once
// A flag held for the life of a scope: an action that others must see as running (a panel
// action that talks to the machine, the parallel-port transfer), or that must not run inside
// itself (a timer event whose message box runs the event loop, where the timer fires again).
// The scope takes the flag only when it is free and the caller allows it, and lets it go on
// every way out; a scope that did not take it leaves it alone.
namespace vellisk {

class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag, bool allowed = true) : flag_(allowed && !flag ? &flag : nullptr) {
        if (flag_) *flag_ = true;
    }
    ~ScopedFlag() {
        if (flag_) *flag_ = false;
    }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

    // Whether this scope holds the flag (false: it was set already, or not allowed).
    explicit operator bool() const { return flag_ != nullptr; }

private:
    bool* flag_;
};

}  // namespace vellisk
