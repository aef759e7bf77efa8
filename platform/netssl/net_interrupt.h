#pragma once
// The interrupt of a component: another thread asks the blocked call to give up.
//
// Request() is the only call that may come from another thread. It raises a flag and
// makes a descriptor readable, so that a poll() waiting on the socket wakes at once. The
// request stays pending until a blocking call observes it (and returns 301) or Clear()
// drops it, so an interrupt that arrives between two calls still stops the next one.

#include <atomic>

namespace netssl {

class NetInterrupt {
public:
    NetInterrupt();
    ~NetInterrupt();
    NetInterrupt(const NetInterrupt&) = delete;
    NetInterrupt& operator=(const NetInterrupt&) = delete;

    void Request();                   // thread-safe
    bool Pending() const { return pending_.load(std::memory_order_acquire); }
    void Clear();                     // drops a pending request
    int Fd() const { return fd_; }    // readable while a request is pending

private:
    int fd_ = -1;
    std::atomic<bool> pending_{false};
};

}  // namespace netssl
