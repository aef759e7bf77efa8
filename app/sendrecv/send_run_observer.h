#pragma once
// What a send run tells whoever shows it (the send/receive status dialog): status lines,
// the number of recipients once connected, and the number dealt with after each one. The
// run calls these on its own (worker) thread; an observer that drives widgets carries the
// values to the GUI thread itself (they are passed by value or copied before returning).
//
// A status line stays up for a moment so that the user can read it: the run asks the
// observer to Pause after the lines that need it. The default pause sleeps in short steps
// and ends early as soon as `stop` says the run is being stopped (cancel, end of the send
// window). A run without an observer shows nothing and so never pauses; an observer in a
// test may pause for no time at all.

#include <functional>
#include <string>

class SendRunObserver {
public:
    virtual ~SendRunObserver() = default;

    // A status line in Shift_JIS: a fixed text of the run or the text of an error.
    virtual void OnStatus(const std::string& text) = 0;
    // The number of recipients left to deal with, once the server was reached.
    virtual void OnTotal(int total) = 0;
    // The number of recipients dealt with so far in this run (sent, failed or skipped).
    virtual void OnProcessed(int processed) = 0;

    // Holds the run for `ms` milliseconds, or until `stop` returns true.
    virtual void Pause(int ms, const std::function<bool()>& stop);
};

// Sleeps `ms` milliseconds in steps of at most 20, returning early (false) as soon as
// `stop` returns true; true when the whole time passed.
bool SleepUnlessStopped(int ms, const std::function<bool()>& stop);
