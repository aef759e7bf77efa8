#pragma once
// The fixture of the send/receive run's tests (scheduler, worker, status dialog, dial-up):
// the send environment fixture with a clock the test moves, mails with reserve dates, and
// fakes of what a run drives - the status dialog as the scheduler sees it, the receive
// side, the send side and the system's dial-up networking. Every fake may be stopped from
// another thread and records what it was asked, so a test can tell which part a cancel
// reached.

#include <gtest/gtest.h>

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/sendrecv/comm_net.h"
#include "app/sendrecv/comm_net_rules.h"
#include "app/sendrecv/dialup_provider.h"
#include "app/sendrecv/send_receive_worker.h"
#include "app/sendrecv/send_receive_worker_parts.h"
#include "app/sendrecv/tests/send_env_fixture.h"
#include "core/foundation/cp932.h"

namespace srtest {

using sendtest::At;
using sendtest::Sjis;

// Waits up to 30 s for `done` (polling); its last answer.
inline bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 3000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

inline QString U8(const char* s) { return QString::fromUtf8(s); }
inline std::time_t T(int y, int mo, int d, int h, int mi, int s = 0) { return At(y, mo, d, h, mi, s).ToTimeT(); }

// Something a fake waits for until the test (or a stop) lets it go.
class Gate {
public:
    // Blocks until Open or Stop; true when opened, false when stopped.
    bool Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        waiting_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_ || stopped_; });
        waiting_ = false;
        return !stopped_;
    }
    void Open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void Stop() {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }
    bool IsWaiting() {
        std::lock_guard<std::mutex> lock(mutex_);
        return waiting_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false, stopped_ = false, waiting_ = false;
};

// The status dialog as the scheduler sees it.
class FakeLauncher : public SendReceiveLauncher {
public:
    bool IsRunning() const override { return running; }
    int RunKind() const override { return running ? 4 : 0; }
    void Launch(int mode, int chosenMailId) override { launches.push_back({mode, chosenMailId}); }
    void RequestStop() override { ++stops; }

    // The modes launched since the last call.
    std::vector<int> TakeModes() {
        std::vector<int> out;
        for (auto& l : launches) out.push_back(l.first);
        launches.clear();
        return out;
    }

    bool running = false;
    int stops = 0;
    std::vector<std::pair<int, int>> launches;
};

// The receive side: returns the results it is given; `block` makes the receive run or the
// login wait until opened or interrupted.
class FakeReceiver : public RunReceiver {
public:
    int Receive(std::string& lastUid, ReceiveRunObserver* observer) override {
        ++receives;
        seenLastUid = lastUid;
        if (observer) observer->OnMailKind(ReceiveRunObserver::kErrorMail);
        if (blockReceive && !gate.Wait()) return 1;  // cancelled
        lastUid = newLastUid;
        return receiveResult;
    }
    int TestLogin(const std::atomic<int>& cancel, SendRunObserver*) override {
        ++logins;
        if (blockLogin && !gate.Wait()) return 2;
        return cancel.load() != 0 ? 3 : loginResult;
    }
    void Interrupt() override {
        ++interrupts;
        gate.Stop();
    }

    int receiveResult = 0, loginResult = 0;
    bool blockReceive = false, blockLogin = false;
    std::string seenLastUid, newLastUid = "uid-9";
    std::atomic<int> receives{0}, logins{0}, interrupts{0};
    Gate gate;
};

// The send side over the environment's mail list: "sending" a mail stores the status the
// test chose for it ("C" by default) and returns the result chosen for it (0 by default).
class FakeSender : public RunSender {
public:
    int failedCount = 0, deferredCount = 0;  // what every send reports it left behind
    explicit FakeSender(CMailListViewer* mails) : mails_(mails) {}
    void SetSplitCount(int count) override { split = count; }
    void SetSendSettings(int delayMs, int before, int connected) override {
        delay = delayMs;
        timeouts = {before, connected};
    }
    int SendOneMail(int mailId, SendRunObserver* observer) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            sent.push_back(mailId);
        }
        last = mailId;
        if (onSend) onSend(mailId);
        if (observer) {
            observer->OnTotal(3);
            observer->OnProcessed(1);
        }
        if (block && !gate.Wait()) return -1;
        if (cancelled.load() || windowEnded.load()) return -1;
        const auto s = statusAfter.find(mailId);
        SetStatus(mailId, s != statusAfter.end() ? s->second : "C");
        const auto r = results.find(mailId);
        return r != results.end() ? r->second : 0;
    }
    int SetMailStatusAndDate(int mailId, const platform::DateTime& date, const char* status) override {
        rescheduled.push_back({mailId, status ? status : ""});
        if (failReschedule) return -1;
        COneMailData m;
        if (mails_->GetMailData(mailId, m) != 0) return -1;
        if (status) m.SetStatus(status, 0);
        m.SetDate(COneMailData::kReserveDate, date, 0);
        return mails_->SetMailData(m);
    }
    void Cancel() override {
        cancelled = 1;
        gate.Stop();
    }
    void EndWindow() override {
        windowEnded = 1;
        gate.Stop();
    }
    int LastFailedCount() const override { return failedCount; }
    int LastDeferredCount() const override { return deferredCount; }
    bool LastServerUnusable() const override { return unusable.count(last) != 0; }
    void Finish() override { ++finished; }

    std::vector<int> Sent() {
        std::lock_guard<std::mutex> lock(mutex_);
        return sent;
    }
    void SetStatus(int mailId, const std::string& status) {
        COneMailData m;
        if (mails_->GetMailData(mailId, m) != 0) return;
        m.SetStatus(status, 0);
        mails_->SetMailData(m);
    }

    int split = -1, delay = -1;
    std::pair<int, int> timeouts{-1, -1};
    std::map<int, int> results;
    std::map<int, std::string> statusAfter;
    std::set<int> unusable;  // mails whose send finds the server unusable
    int last = -1;           // the mail sent last
    std::vector<std::pair<int, std::string>> rescheduled;
    bool failReschedule = false, block = false;
    std::function<void(int mailId)> onSend;
    std::atomic<int> cancelled{0}, windowEnded{0}, finished{0};
    Gate gate;

private:
    CMailListViewer* mails_;
    std::mutex mutex_;
    std::vector<int> sent;
};

// Dial-up networking that the test scripts: the entries, which is connected, what the
// stored parameters give, and how a dial goes on (the states reported, then up or an
// error), reported from a thread of its own like the system's service.
class FakeDialupProvider : public DialupProvider {
public:
    ~FakeDialupProvider() override {
        if (reporter_.joinable()) reporter_.join();
    }
    bool Available() const override { return available; }
    std::vector<std::string> Entries() override { return entries; }
    bool IsConnected(const std::string& entry) override { return connected == entry; }
    int GetEntryDialParams(DialParams& params) override {
        params.userName = storedUser;
        params.password = storedPassword;
        return paramsResult;
    }
    int Dial(const DialParams& params, Progress progress, long& connection) override {
        ++dials;
        dialled = params;
        if (dialResult != 0) return dialResult;
        connection = 77;
        if (reporter_.joinable()) reporter_.join();
        reporter_ = std::thread([this, progress] {
            for (int s : states) progress(s, 0);
            if (!hold.load()) {
                if (error != 0) {
                    progress(0, error);
                } else if (!neverAnswers) {
                    progress(0x2000, 0);
                }
            }
        });
        return 0;
    }
    int HangUp(long connection) override {
        hangUps.push_back(connection);
        return hangUpResult;
    }
    std::string ErrorText(int e) override { return "error " + std::to_string(e); }

    bool available = true;
    std::vector<std::string> entries{"office"};
    std::string connected;
    std::string storedUser = "user", storedPassword = "secret";
    int paramsResult = 0, dialResult = 0, error = 0, hangUpResult = 0;
    std::vector<int> states{0, 5, 14};
    bool neverAnswers = false;
    std::atomic<bool> hold{false};
    std::atomic<int> dials{0};
    DialParams dialled;
    std::vector<long> hangUps;

private:
    std::thread reporter_;
};

// Records what a run reports (any thread), without pauses.
class RecordingRunObserver : public SendReceiveObserver {
public:
    void OnStatus(const std::string& text) override { Add("status", QString::fromStdString(SjisToUtf8(text))); }
    void OnTotal(int) override {}
    void OnProcessed(int) override {}
    void OnMailKind(int kind) override { Add("kind", QString::number(kind)); }
    void OnRunStarted() override { Add("started", {}); }
    void OnState(int state) override { Add("state", QString::number(state)); }
    void OnMailId(int mailId) override { Add("mail", QString::number(mailId)); }
    void OnRunFinished(RunOutcome outcome) override { Add("finished", QString::number(static_cast<int>(outcome))); }
    void Pause(int, const std::function<bool()>&) override {}

    // The values of events of kind `what`, in order.
    QStringList Of(const char* what) {
        std::lock_guard<std::mutex> lock(mutex_);
        QStringList out;
        for (const auto& e : events_)
            if (e.first == what) out << e.second;
        return out;
    }

private:
    void Add(const char* what, const QString& value) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back({what, value});
    }
    std::mutex mutex_;
    std::vector<std::pair<std::string, QString>> events_;
};

class SendReceiveEnvTest : public sendtest::SendEnvTest {
protected:
    void SetUp() override {
        SendEnvTest::SetUp();
        now_ = T(2024, 5, 10, 10, 0);
    }
    CommNetRules Rules() {
        return CommNetRules(options_.get(), mails_.get(), [this] { return now_.load(); });
    }
    // A mail of `status` reserved for `reserve`: its ID.
    int Reserved(const char* status, const platform::DateTime& reserve) {
        const int id = AddMail(status);
        COneMailData m = Mail(id);
        EXPECT_EQ(m.SetDate(COneMailData::kReserveDate, reserve, 0), 0);
        EXPECT_EQ(mails_->SetMailData(m), 0);
        return id;
    }
    // A mail of `status` reserved for `hour`:`minute` on the fixture's day.
    int Due(const char* status, int hour, int minute) { return Reserved(status, At(2024, 5, 10, hour, minute, 0)); }
    void Window(const char* on, int fromHour, int fromMinute, int toHour, int toMinute) {
        SetOption(CommNetRules::kOptionDialupUsed, "Y");
        SetOption(CommNetRules::kOptionWindowOn, on);
        SetOption(CommNetRules::kOptionWindowStartHour, std::to_string(fromHour));
        SetOption(CommNetRules::kOptionWindowStartMinute, std::to_string(fromMinute));
        SetOption(CommNetRules::kOptionWindowEndHour, std::to_string(toHour));
        SetOption(CommNetRules::kOptionWindowEndMinute, std::to_string(toMinute));
    }

    std::atomic<std::time_t> now_{0};
};

}  // namespace srtest
