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

#include <functional>
#include <type_traits>

namespace ui {

// True on the thread of the application object (and when there is none yet).
inline bool OnGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

// Runs `fn` on the GUI thread and returns its result; on the GUI thread it runs at once.
template <class F>
auto CallOnGuiThread(F&& fn) -> std::invoke_result_t<F&> {
    using R = std::invoke_result_t<F&>;
    if (OnGuiThread()) return fn();
    if constexpr (std::is_void_v<R>) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { fn(); },
                                  Qt::BlockingQueuedConnection);
    } else {
        R result{};
        QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { result = fn(); },
                                  Qt::BlockingQueuedConnection);
        return result;
    }
}

// Queues `fn` to run on the GUI thread and returns at once.
inline void PostToGuiThread(std::function<void()> fn) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

}  // namespace ui
