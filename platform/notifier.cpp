#include "platform/notifier.h"

#include <cstdio>
#include <mutex>

namespace platform {
namespace {
std::mutex& Lock() { static std::mutex m; return m; }
NotifierFunction& Slot() { static NotifierFunction f; return f; }
}  // namespace

NotifierFunction SetNotifier(NotifierFunction fn) {
    std::lock_guard<std::mutex> lock(Lock());
    NotifierFunction old = std::move(Slot());
    Slot() = std::move(fn);
    return old;
}

int Notify(const std::string& text, const std::string& caption, unsigned style) {
    NotifierFunction fn;
    {
        std::lock_guard<std::mutex> lock(Lock());
        fn = Slot();
    }
    if (fn) return fn(text, caption, style);
    std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
    switch (style & 0xF) {
        case kMbYesNo:
        case kMbYesNoCancel: return kIdYes;
        default: return kIdOk;
    }
}

}  // namespace platform
