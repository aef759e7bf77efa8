#pragma once
// ImportProgress: the progress block an import shares with the screen that shows it. The
// import writes it on its worker thread while the screen's timer reads it on the GUI
// thread, so the counts and the phase are atomics and the text is read as a copy taken
// under a small lock (a string being reassigned must never be read).

#include <atomic>
#include <mutex>
#include <string>

class ImportProgress {
public:
    // Records added or updated so far.
    std::atomic<int> imported{0};
    // Records rejected so far.
    std::atomic<int> errors{0};
    // 1 while the text is to be shown, 0 while the imported count is.
    std::atomic<int> phase{0};

    // The progress text, Shift_JIS.
    void SetText(std::string text) {
        std::lock_guard<std::mutex> hold(lock_);
        text_ = std::move(text);
    }
    std::string GetText() const {
        std::lock_guard<std::mutex> hold(lock_);
        return text_;
    }

private:
    mutable std::mutex lock_;
    std::string text_;
};
