#pragma once
// The Ethernet watch thread: it makes the command connection so that a slow or failing connect
// never holds the main thread. Created suspended; each Resume() wakes it for one pass: when the
// command client is not connected, it connects it (and with it runs the identity request), then
// it suspends itself again. The control panel resumes it on its timer while the Ethernet
// connection is switched on and the client is not connected.
//
// The thread runs at the lowest priority and touches nothing but the link, which keeps what it
// learns for the main thread (TfEthernet::DeliverPending). Destroying the object stops and joins
// the thread; it must go before the link.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "machine_link/ethernet_link.h"

namespace vellisk {

class tEthernetCzuwanie {
public:
    explicit tEthernetCzuwanie(TfEthernet& link);
    ~tEthernetCzuwanie();
    tEthernetCzuwanie(const tEthernetCzuwanie&) = delete;
    tEthernetCzuwanie& operator=(const tEthernetCzuwanie&) = delete;

    // Wakes the thread for one pass. A Resume during a pass gives one more pass after it.
    void Resume();
    // Asks the thread to end and waits for it.
    void Terminate();

    // Passes made so far, and whether the thread is waiting to be resumed.
    std::int64_t Passes() const;
    bool Suspended() const;

private:
    void Execute();

    TfEthernet& link_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool resumed_ = false;
    bool terminated_ = false;
    bool suspended_ = true;
    std::int64_t passes_ = 0;
    std::thread thread_;
};

}  // namespace vellisk
