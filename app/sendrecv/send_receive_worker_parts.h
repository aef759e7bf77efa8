#pragma once
// What one send/receive run works with, as the run's worker (send_receive_worker.h) sees
// it: the receive side (the POP receive run, or only the login before sending), the send
// side (the send job), the dial-up line, the scheduler's rules over the environment, and
// the environment's ini file. The status dialog makes a fresh set for every run and keeps
// it until the run's worker has ended, so nothing a run uses is deleted while it runs;
// tests make sets with fakes.
//
// Every member of RunReceiver and RunSender is called on the worker thread, except the
// stop calls (Interrupt, Cancel, EndWindow), which may come from any thread at any time,
// also before or after the call they stop.

#include <atomic>
#include <memory>
#include <string>

#include "app/sendrecv/comm_net_rules.h"
#include "app/sendrecv/dialup_connection.h"
#include "platform/date_time.h"

class CPopReceiveSession;
class CSendJob;
class QWidget;
class ReceiveRunObserver;
class SendRunObserver;
struct SendEnvironment;

class RunReceiver {
public:
    virtual ~RunReceiver() = default;
    // The receive run from `lastUid` on (the unique id of the last message handled; it is
    // updated): a CPopReceiveSession::RunResult.
    virtual int Receive(std::string& lastUid, ReceiveRunObserver* observer) = 0;
    // The login to the receive server before sending: TestReceiveServerLogin's result
    // (0 logged in and out). `cancel` is polled.
    virtual int TestLogin(const std::atomic<int>& cancel, SendRunObserver* observer) = 0;
    // Any thread: the receive run stops, a network call under way returns at once.
    virtual void Interrupt() = 0;
};

class RunSender {
public:
    virtual ~RunSender() = default;
    // The split count (0: off), the wait between recipients and the two time-outs (ms).
    virtual void SetSplitCount(int count) = 0;
    virtual void SetSendSettings(int delayMs, int timeoutBeforeConnectMs, int timeoutConnectedMs) = 0;
    // Sends mail `mailId` (CSendJob::SendOneMail: its results), then stores its final
    // status (SaveProgress(1)); the send's result.
    virtual int SendOneMail(int mailId, SendRunObserver* observer) = 0;
    // Gives mail `mailId` a new reserve date and, when `status` is not null, a new status
    // letter: 0, or -1 (the user was told).
    virtual int SetMailStatusAndDate(int mailId, const platform::DateTime& date, const char* status) = 0;
    // Any thread: stops the send at once (the mail becomes a draft, as a cancel makes it).
    virtual void Cancel() = 0;
    // Any thread: ends the send as at the end of its sending window.
    virtual void EndWindow() = 0;
    // The run is over: writes what is left and frees the mail's stores (on the worker, so
    // the GUI thread never does that work).
    virtual void Finish() {}
    // Of the last SendOneMail: recipients refused for good, and recipients the server asked
    // to try later (they stay in the list for the next run).
    virtual int LastFailedCount() const { return 0; }
    virtual int LastDeferredCount() const { return 0; }
    // Of the last SendOneMail: the server could not be reached or refused the sender, so no
    // other mail can be sent now either.
    virtual bool LastServerUnusable() const { return false; }
};

struct SendReceiveRunParts {
    std::unique_ptr<RunReceiver> receiver;
    std::unique_ptr<RunSender> sender;
    std::unique_ptr<CDialupConnection> dialup;
    CommNetRules rules;
    std::string iniFile;  // the environment's "QuendrelT.ini" ("" without an environment)
};

// The parts of a run over `environment` (SendEnvironment::Program(): the open one): a POP
// receive session, a send job, a dial-up line through the current dial-up provider, the
// rules over its options and mail list. Boxes of the job and the session are owned by
// `owner`.
SendReceiveRunParts MakeSendReceiveRunParts(const SendEnvironment& environment, QWidget* owner);
