#include "machine_link/ethernet_watch.h"

#include <sys/resource.h>
#include <unistd.h>

namespace vellisk {

tEthernetCzuwanie::tEthernetCzuwanie(TfEthernet& link) : link_(link) {
    thread_ = std::thread([this] { Execute(); });
}

tEthernetCzuwanie::~tEthernetCzuwanie() { Terminate(); }

void tEthernetCzuwanie::Resume() {
    {
        std::lock_guard lock(mutex_);
        resumed_ = true;
    }
    cv_.notify_all();
}

void tEthernetCzuwanie::Terminate() {
    {
        std::lock_guard lock(mutex_);
        terminated_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::int64_t tEthernetCzuwanie::Passes() const {
    std::lock_guard lock(mutex_);
    return passes_;
}

bool tEthernetCzuwanie::Suspended() const {
    std::lock_guard lock(mutex_);
    return suspended_;
}

void tEthernetCzuwanie::Execute() {
    // The lowest priority: a connect attempt must never compete with the main thread.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
    std::unique_lock lock(mutex_);
    for (;;) {
        suspended_ = true;
        cv_.wait(lock, [this] { return resumed_ || terminated_; });
        if (terminated_) break;
        resumed_ = false;  // one pass per resume
        suspended_ = false;
        lock.unlock();
        if (!link_.Connected()) link_.ConnectCommandClient();
        lock.lock();
        ++passes_;
    }
    suspended_ = true;
}

}  // namespace vellisk
