#include "app/sendrecv/send_run_observer.h"

#include <algorithm>
#include <chrono>
#include <thread>

void SendRunObserver::Pause(int ms, const std::function<bool()>& stop) { SleepUnlessStopped(ms, stop); }

bool SleepUnlessStopped(int ms, const std::function<bool()>& stop) {
    using clock = std::chrono::steady_clock;
    const auto end = clock::now() + std::chrono::milliseconds(std::max(ms, 0));
    for (;;) {
        if (stop && stop()) return false;
        const auto now = clock::now();
        if (now >= end) return true;
        std::this_thread::sleep_for(std::min<clock::duration>(end - now, std::chrono::milliseconds(20)));
    }
}
