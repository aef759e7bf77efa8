#pragma once
// What the shell needs to know of the send/receive run: whether one is under way and of
// which kind. Screens that may change data, and every command that closes or changes the
// environment, ask first. The send/receive engine installs its status dialog's answer;
// until then no run is ever under way.

#include <QString>

namespace shell {

// Run kinds of the send/receive status dialog.
enum RunKind : int {
    kRunNone = 0,
    kRunManualSendReceive = 1,
    kRunManualReceive = 2,
    kRunManualSend = 3,
    kRunAutoSendReceive = 4,
    kRunSelectedMail = 5,
    kRunScheduledSend = 6,
    kRunAutoReceive = 7,
};

class RunMonitor {
public:
    virtual ~RunMonitor() = default;
    virtual bool IsRunning() const = 0;
    // The kind of the run under way (kRunNone when none).
    virtual int RunKind() const = 0;
};

// The monitor in use (one that reports no run unless another was installed).
RunMonitor& CurrentRunMonitor();
// Installs `monitor` (null: the idle one again); returns the one it replaces.
RunMonitor* SetRunMonitor(RunMonitor* monitor);

// The words that name a run in the refusals ("手動受信中" ...). Every run is named, the
// one-mail send and a kind this table does not know included, so a refusal never lets a
// run be pulled from under its worker.
QString RunKindText(int kind);

}  // namespace shell
