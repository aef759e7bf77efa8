#pragma once
// ScreenWorker: one piece of long work of a screen (a search, a delete, an export) run on
// its own thread, its result handed back to the screen on the GUI thread.
//
// The work gets no widget: it takes copies of what it needs and returns a value; the
// result is delivered by a queued call to `done` on the receiver's thread, so the screen's
// window keeps painting while the work runs. A worker that must ask the user something
// uses ui::MessageBox, which carries the question over to the GUI thread.
//
// The screen owns its ScreenWorker as a member: the destructor waits for the thread, and
// a result whose receiver is gone is dropped (posted events die with their object). The
// screen refuses to close while Busy(), so that wait is never felt; the GUI thread never
// waits on a running worker otherwise.

#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <memory>
#include <thread>
#include <utility>

namespace addressui {

class ScreenWorker {
public:
    ScreenWorker() = default;
    ~ScreenWorker() { Join(); }
    ScreenWorker(const ScreenWorker&) = delete;
    ScreenWorker& operator=(const ScreenWorker&) = delete;

    // Runs `work()` on a new thread and then `done(result)` on `receiver`'s thread.
    // Refused (false) while an earlier work is still running.
    template <class Work, class Done>
    bool Start(QObject* receiver, Work work, Done done) {
        if (Busy()) return false;
        Join();
        busy_->store(true);
        thread_ = std::thread([receiver, busy = busy_, work = std::move(work), done = std::move(done)]() mutable {
            auto result = work();
            QMetaObject::invokeMethod(
                receiver,
                [busy, done = std::move(done), result = std::move(result)]() mutable {
                    busy->store(false);
                    done(std::move(result));
                },
                Qt::QueuedConnection);
        });
        return true;
    }

    // True from Start until `done` has been called.
    bool Busy() const { return busy_->load(); }

private:
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

    std::shared_ptr<std::atomic<bool>> busy_ = std::make_shared<std::atomic<bool>>(false);
    std::thread thread_;
};

}  // namespace addressui
