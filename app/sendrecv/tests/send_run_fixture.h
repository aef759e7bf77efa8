#pragma once
// The fixture of the send-run tests: the send environment fixture, a real SMTP server on
// loopback (the project's aiosmtpd handler with the misbehaviours of
// testdata/send_test_server.py), the system options that point the run at it, a transfer
// log folder of the test's own, an observer that records what the run shows, and the
// received messages as Python's email package reads them.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/send_fault_probe.h"
#include "app/sendrecv/send_job.h"
#include "app/sendrecv/send_run_observer.h"
#include "app/sendrecv/tests/send_env_fixture.h"
#include "core/foundation/cp932.h"
#include "core/foundation/log_writer.h"
#include "core/mailstore/attach_writer.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_data_structure.h"
#include "core/mailstore/mime_decode_tool.h"
#include "platform/netssl/tests/net_test_servers.h"

namespace sendtest {

// Waits up to 30 s for `done` (polling); its last answer.
inline bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 1500; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

inline std::string TestData(const char* name) { return std::string(QUENDREL_TESTDATA) + "/" + name; }

// The server of testdata/send_test_server.py, saving into a folder of its own.
class SendTestServer {
public:
    explicit SendTestServer(std::vector<std::string> extra = {})
        : server_(Args(out_, std::move(extra)), std::chrono::seconds(5)) {}

    int port() const { return server_.port(); }
    const std::filesystem::path& out() const { return out_.path(); }
    // Messages saved so far.
    int Count() const {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(out()))
            if (e.path().extension() == ".eml") ++n;
        return n;
    }
    // Sessions greeted so far.
    int Sessions() const {
        const std::string log = nettest::ReadFile(out() / "sessions.log");
        return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
    }

private:
    static std::vector<std::string> Args(const nettest::TempDir& out, std::vector<std::string> extra) {
        std::vector<std::string> argv = {"/usr/bin/python3", TestData("send_test_server.py"), "--servers",
                                         OMBREL_NET_TEST_SERVERS, "--out", out.path().string()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        return argv;
    }
    nettest::TempDir out_;  // first: the server writes into it until it stops
    nettest::SpawnedScript server_;
};

// The stored body of an HTML mail: a MIME text with a text part and an HTML part.
inline std::string StoredHtmlMail(const std::string& text, const std::string& html) {
    CMailDataStructure model;
    MimeFormatStruct part;
    std::string entity, header, body;
    EXPECT_EQ(MakeTextPartHeader(text, 0, entity), 0);
    MimeDecodeTool::MimeDecode(entity, part);
    model.SetMIMETextBody(part);
    EXPECT_EQ(MakeHtmlPartHeader(html, 0, entity), 0);
    MimeDecodeTool::MimeDecode(entity, part);
    model.SetMIMEHtmlBody(part);
    EXPECT_EQ(model.GetMimeString(header, body, 1, nullptr), 0);
    return header + "\r\n" + body;
}

// Gives mail `mailId` of environment `env` the attachment `name` (Shift_JIS) holding
// `bytes` for terminal type `termType`, as the composing screens store one.
inline void AttachFile(EnvManager* env, int mailId, int termType, const std::string& name, const std::string& bytes) {
    AttachWriter w;
    w.SetEnvManager(env);
    w.SetVersion(5);
    w.SetMailID(mailId);
    w.SetTermType(termType);
    ASSERT_EQ(w.SetAttachListRecordToMemory(name, std::to_string(bytes.size())), 0);
    const std::string work = w.GetFolderPathForAttachFileTemporary();
    std::filesystem::create_directories(work);
    {
        std::ofstream f(work + name, std::ios::binary);
        f << bytes;
    }
    ASSERT_EQ(w.ReplaceAttachList({AttachData{name, std::to_string(bytes.size())}}, 0), 1) << w.GetErrMsg().GetLastCode();
}

// One received message as a mail reader shows it.
struct Received {
    std::string mailFrom;
    std::vector<std::string> rcpts;
    QString toName, toAddress, subject, text, html, from, dispositionTo;
    std::string messageId, date;
    QStringList attachments, headers;
    QStringList images;  // the Content-IDs of the inline images, as written
    int defects = 0;
};

inline std::vector<Received> ReadReceived(const std::filesystem::path& folder) {
    // Spawned without QProcess, whose fork confuses the thread sanitizer's later reports.
    nettest::TempDir work;
    const std::string json = (work.path() / "received.json").string();
    std::vector<Received> out;
    if (nettest::RunProgram({"/usr/bin/python3", TestData("read_received.py"), folder.string(), json}) != 0) {
        ADD_FAILURE() << "read_received.py failed on " << folder;
        return out;
    }
    for (const auto& v : QJsonDocument::fromJson(QByteArray::fromStdString(nettest::ReadFile(json))).array()) {
        const QJsonObject o = v.toObject();
        Received r;
        r.mailFrom = o["mailFrom"].toString().toStdString();
        for (const auto& a : o["rcpts"].toArray()) r.rcpts.push_back(a.toString().toStdString());
        r.toName = o["toName"].toString();
        r.toAddress = o["toAddress"].toString();
        r.subject = o["subject"].toString();
        r.text = o["text"].toString();
        r.html = o["html"].toString();
        r.from = o["from"].toString();
        r.dispositionTo = o["dispositionTo"].toString();
        r.messageId = o["messageId"].toString().toStdString();
        r.date = o["date"].toString().toStdString();
        for (const auto& a : o["attachments"].toArray()) r.attachments << a.toString();
        for (const auto& a : o["headers"].toArray()) r.headers << a.toString();
        for (const auto& a : o["images"].toArray()) r.images << a.toString();
        r.defects = o["defects"].toInt();
        out.push_back(std::move(r));
    }
    return out;
}

// Records what a run shows, without pausing (any thread).
class RecordingObserver : public SendRunObserver {
public:
    void OnStatus(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        statuses_.push_back(QString::fromStdString(SjisToUtf8(text)));
    }
    void OnTotal(int total) override { total_ = total; }
    void OnProcessed(int processed) override { processed_ = processed; }
    void Pause(int, const std::function<bool()>&) override {}

    QStringList Statuses() {
        std::lock_guard<std::mutex> lock(mutex_);
        return statuses_;
    }
    int total() const { return total_; }
    int processed() const { return processed_; }

private:
    std::mutex mutex_;
    QStringList statuses_;
    std::atomic<int> total_{-1}, processed_{-1};
};

class SendRunTest : public SendEnvTest {
protected:
    void SetUp() override {
        SendEnvTest::SetUp();
        logDir_ = std::make_unique<nettest::TempDir>();
        LogWriter::SetLogFolderForTesting(logDir_->path().string() + "/");
        SetOption(0, "info@example.jp");
        SetOption(82, "Quendrel Shop");
        SetOption(8, "127.0.0.1");
        SetOption(10, "+0900");
        SetOption(54, "N");
        SetOption(65, "3");
        SetOption(66, "30");
        SetOption(67, "N");
        SetOption(85, "N");
        SetOption(90, "N");
        SetOption(100, "N");
    }
    void TearDown() override {
        SetSendFaultProbeForTesting({});
        LogWriter::SetLogFolderForTesting("");
        SendEnvTest::TearDown();
    }

    SendEnvironment Stores() { return {env_.get(), options_.get(), book_.get(), mails_.get()}; }
    void UseServer(int port) { SetOption(9, std::to_string(port)); }

    // A waiting mail of `kind` ("NN" text, "NY" PC HTML, "NM" mobile HTML) with the same
    // subject and body on every terminal row, the honorific, and its recipients.
    int MakeMail(const std::vector<int>& recipients, const std::string& subject, const std::string& body,
                 const char* specialFlag = "NN", const std::string& honorific = "") {
        const int id = AddMail("W", specialFlag);
        COneMailData m = Mail(id);
        m.SetHonorific(honorific);
        EXPECT_EQ(mails_->SetMailData(m), 0);
        EXPECT_EQ(mails_->WriteMailList(1), 0);
        WriteBodies(id, subject, body);
        WriteRecipients(id, recipients);
        return id;
    }

    // One send run of `mailId` with a fresh job, then the worker's final save; the run's
    // result. `configure` may set up the job first.
    int Send(int mailId, const std::function<void(CSendJob&)>& configure = {}) {
        CSendJob job(Stores());
        job.SetObserver(&observer_);
        if (configure) configure(job);
        const int result = job.SendOneMail(mailId);
        flags_.clear();
        for (int f = 0; f < CSendJob::kFlagCount; ++f)
            if (job.GetFlag(static_cast<CSendJob::Flag>(f))) flags_.push_back(f);
        lastError_ = SjisToUtf8(job.GetErrMsg().GetLastMsg());
        EXPECT_EQ(job.SaveProgress(1), 0);
        return result;
    }

    // The history of mail `id` as the files hold it: customer -> (state, Message-ID).
    std::map<int, std::pair<std::string, std::string>> HistoryOnDisk(int id) {
        HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
        EXPECT_EQ(h.SetMailID(id, 1), 0);
        const int read = h.GetHDataFromFileToMemory(0, nullptr);
        EXPECT_TRUE(read == 0 || read == -21 || read == -22) << read;
        std::vector<HistorySet> rows;
        h.GetHDataFromMemoryToStruct(rows, -1, -1);
        std::map<int, std::pair<std::string, std::string>> out;
        for (const HistorySet& r : rows) out[r.customerID] = {r.state, r.messageID};
        return out;
    }

    // Makes mail `mailId` wait to be sent again, as the user's reservation of a draft or an
    // ended mail does (a run sends only a mail that waits).
    void ReserveAgain(int mailId) {
        COneMailData m = Mail(mailId);
        ASSERT_EQ(m.SetStatus("W", 0), 0);
        ASSERT_EQ(mails_->SetMailData(m), 0);
        ASSERT_EQ(mails_->WriteMailList(0), 0);
    }

    // The mail's sent and error counts are what its send history says.
    void ExpectCountsAsTheHistorySays(int mail) {
        HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
        ASSERT_EQ(h.SetMailID(mail, 1), 0);
        const int read = h.GetHDataFromFileToMemory(0, nullptr);
        ASSERT_TRUE(read == 0 || read == -21 || read == -22) << read;
        int attempts = 0, failed = 0, opened = 0, recipients = 0;
        h.GetNumOneMail(attempts, failed, opened, recipients);
        const COneMailData m = MailOnDisk(mail);
        EXPECT_EQ(m.GetSentNumber(), attempts);
        EXPECT_EQ(m.GetErrorNumber(), failed);
    }

    // The permission of `id` in an address book opened from the disk.
    std::string PermissionOnDisk(int id) {
        CDatabaseEdit fresh(env_.get(), options_.get());
        EXPECT_GE(fresh.ReadCustomerList(), 0);
        return fresh.GetCustomerDataPinPoint(id, kElemDMOk);
    }

    // Copies the server saved, by the local part of the first recipient's address.
    static std::map<std::string, int> CopiesByName(const SendTestServer& server) {
        std::map<std::string, int> out;
        for (const Received& r : ReadReceived(server.out())) ++out[r.rcpts.at(0).substr(0, r.rcpts.at(0).find('@'))];
        return out;
    }

    std::unique_ptr<nettest::TempDir> logDir_;
    RecordingObserver observer_;
    std::vector<int> flags_;  // the job's flags raised by the last Send
    std::string lastError_;   // its error text (UTF-8)
};

}  // namespace sendtest
