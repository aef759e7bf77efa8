#pragma once
// The one way a worker thread reaches the GUI thread. Qt objects live on the GUI thread
// only; a worker that needs something of it (a question answered, a value read off a
// widget) hands a function over and waits for its result. The GUI thread never waits on a
// worker, so the wait always ends.
//
// Reports that need no answer travel as queued signals carrying copies, or through
// PostToGuiThread.

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <type_traits>

namespace ui {

// True on the thread of the application object (and when there is none yet).
inline bool OnGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

// Runs `fn` on the GUI thread and returns its result; on the GUI thread it runs at once.
// The handover is a mutex and a condition variable of the standard library (not Qt's
// blocking connection), so the thread sanitizer sees the order of the two threads' work.
template <class F>
auto CallOnGuiThread(F&& fn) -> std::invoke_result_t<F&> {
    using R = std::invoke_result_t<F&>;
    if (OnGuiThread()) return fn();
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
    std::conditional_t<std::is_void_v<R>, int, R> result{};
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
            if constexpr (std::is_void_v<R>) fn();
            else result = fn();
            std::lock_guard<std::mutex> hold(lock);
            done = true;
            changed.notify_one();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return done; });
    if constexpr (!std::is_void_v<R>) return result;
}

// Queues `fn` to run on the GUI thread and returns at once.
inline void PostToGuiThread(std::function<void()> fn) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

}  // namespace ui
