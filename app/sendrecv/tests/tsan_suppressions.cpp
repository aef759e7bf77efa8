// ThreadSanitizer's suppressions for this test program (compiled in only under
// -DSANITIZE=thread). Qt comes from the system's packages, not built with the sanitizer:
// the memory it allocates and frees on its own threads and the hand-over inside its
// queued and blocking calls (futex-based mutexes and semaphores) are invisible to it, so
// every crossing that goes through Qt reads as a race. Suppressed is only what Qt's own
// code does with memory (its allocations, copies and frees). The send/receive run's own
// reports and the GUI layer's bridge (ui::CallOnGuiThread) cross under std::mutex and
// std::condition_variable, which the sanitizer sees, and the flags are std::atomic, so
// they stay checked.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n";
}
#endif
