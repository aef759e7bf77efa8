#pragma once
// The send/receive scheduler as the shell sees it. One exists while an environment is
// open (the environment service makes it with the environment's other managers). Its
// enabled flag pauses it: while the flag is off its timer does nothing. Screens that
// change data, the environment commands and the address-book save turn it off while they
// work, through ScopedSchedulerPause, and on again afterwards.
//
// The send/receive engine supplies the real scheduler through the environment service's
// factory; until then the service makes a SchedulerFacade, which only keeps the flag.

#include <atomic>
#include <functional>

namespace shell {

class SchedulerControl {
public:
    virtual ~SchedulerControl() = default;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool IsEnabled() const = 0;
};

class SchedulerFacade : public SchedulerControl {
public:
    void SetEnabled(bool enabled) override { enabled_.store(enabled); }
    bool IsEnabled() const override { return enabled_.load(); }

private:
    std::atomic<bool> enabled_{true};
};

// Turns the scheduler off for its lifetime and on again at its end, as the commands do
// (on, not back to the former state). The scheduler is looked up at both ends, since a
// command may switch the environment (and so replace the scheduler) in between; a null
// one is left alone.
class ScopedSchedulerPause {
public:
    using Lookup = std::function<SchedulerControl*()>;
    explicit ScopedSchedulerPause(Lookup current) : current_(std::move(current)) { Set(false); }
    ~ScopedSchedulerPause() { Set(true); }
    ScopedSchedulerPause(const ScopedSchedulerPause&) = delete;
    ScopedSchedulerPause& operator=(const ScopedSchedulerPause&) = delete;

private:
    void Set(bool enabled) {
        if (SchedulerControl* s = current_ ? current_() : nullptr) s->SetEnabled(enabled);
    }
    Lookup current_;
};

}  // namespace shell
