#pragma once
// NamedMutex: a process-wide registry of recursive mutexes looked up by name. Two objects
// made with the same name share one mutex, which the owning thread may lock again (as the
// stores' named mutexes allow). Waiting has no time limit. The program's single-instance
// guard keeps other processes off an environment, so no cross-process lock is needed.
// Usable with std::lock_guard / std::unique_lock.

#include <memory>
#include <mutex>
#include <string>

namespace platform {

class NamedMutex {
public:
    explicit NamedMutex(const std::string& name);
    void lock() { m_->lock(); }
    void unlock() { m_->unlock(); }
    bool try_lock() { return m_->try_lock(); }
    const std::string& name() const { return name_; }

private:
    std::string name_;
    std::shared_ptr<std::recursive_mutex> m_;
};

}  // namespace platform
