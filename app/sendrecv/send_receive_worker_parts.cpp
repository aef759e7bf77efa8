#include "app/sendrecv/send_receive_worker_parts.h"

#include "app/sendrecv/pop_receive_session.h"
#include "app/sendrecv/receive_run_observer.h"
#include "app/sendrecv/send_job.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"

namespace {

class PopRunReceiver : public RunReceiver {
public:
    PopRunReceiver(const SendEnvironment& environment, QWidget* owner)
        : environment_(environment), session_(environment) {
        session_.SetOwnerWindow(owner);
    }
    int Receive(std::string& lastUid, ReceiveRunObserver* observer) override {
        session_.SetObserver(observer);
        session_.SetLastUid(lastUid.c_str());
        const int r = session_.Run();
        session_.SetObserver(nullptr);
        lastUid = session_.GetLastUid();
        return r;
    }
    int TestLogin(const std::atomic<int>& cancel, SendRunObserver* observer) override {
        std::string errorText;
        return TestReceiveServerLogin(errorText, &cancel, observer, environment_);
    }
    void Interrupt() override { session_.InterruptReceive(); }

private:
    SendEnvironment environment_;
    CPopReceiveSession session_;
};

class JobRunSender : public RunSender {
public:
    JobRunSender(const SendEnvironment& environment, QWidget* owner) : job_(environment) { job_.SetOwnerWindow(owner); }
    void SetSplitCount(int count) override { job_.SetSplitCount(count); }
    void SetSendSettings(int delayMs, int timeoutBeforeConnectMs, int timeoutConnectedMs) override {
        job_.SetSendDelay(delayMs);
        job_.SetTimeouts(timeoutBeforeConnectMs, timeoutConnectedMs);
    }
    int SendOneMail(int mailId, SendRunObserver* observer) override {
        job_.SetObserver(observer);
        const int r = job_.SendOneMail(mailId);
        job_.SaveProgress(1);
        job_.SetObserver(nullptr);
        return r;
    }
    int SetMailStatusAndDate(int mailId, const platform::DateTime& date, const char* status) override {
        return job_.SetMailStatusAndDate(mailId, date, status);
    }
    void Cancel() override { job_.Cancel(); }
    void EndWindow() override { job_.SetFlag(CSendJob::kWindowEnded); }
    void Finish() override { job_.ReleaseStores(); }
    int LastFailedCount() const override { return job_.Counters().error; }
    int LastDeferredCount() const override { return job_.Counters().deferred; }
    bool LastServerUnusable() const override { return job_.Counters().serverUnusable; }

private:
    CSendJob job_;
};

}  // namespace

SendReceiveRunParts MakeSendReceiveRunParts(const SendEnvironment& environment, QWidget* owner) {
    SendReceiveRunParts parts;
    parts.rules = CommNetRules(environment.options, environment.mails);
    parts.receiver = std::make_unique<PopRunReceiver>(environment, owner);
    parts.sender = std::make_unique<JobRunSender>(environment, owner);
    parts.dialup = std::make_unique<CDialupConnection>(parts.rules, CurrentDialupProvider());
    parts.dialup->SetOwnerWindow(owner);
    if (environment.env != nullptr) parts.iniFile = env_layout::EnvIniFile(*environment.env);
    return parts;
}
