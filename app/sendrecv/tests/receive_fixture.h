#pragma once
// The fixture of the receive-run tests: the send-run fixture (an environment, the real
// send run against aiosmtpd) plus a mailbox on the real test POP server (Dovecot) that the
// system options point at, and replies to the mails the test itself sent: bounces in the
// layouts of several mail systems, read receipts, refusals, registrations and ordinary
// mail, written from the templates of testdata/replies around the very bytes that the SMTP
// server received.

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/pop_receive_session.h"
#include "app/sendrecv/receive_run_observer.h"
#include "app/sendrecv/receive_stores.h"
#include "app/sendrecv/tests/send_run_fixture.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/kcode.h"
#include "core/foundation/record_table.h"
#include "core/foundation/store_key.h"
#include "core/transport/my_pops.h"
#include "core/transport/tests/transport_test_servers.h"

namespace rcvtest {

// Text with every line ending in CR LF.
inline std::string Crlf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 20);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

inline void ReplaceAll(std::string& text, const std::string& key, const std::string& value) {
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
}

inline std::string Template(const std::string& name) {
    std::ifstream in(std::string(QUENDREL_TESTDATA) + "/replies/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_FALSE(s.str().empty()) << name;
    return s.str();
}

// A registration mail's body: the tags in ISO-2022-JP, as a form mailer sends them.
inline std::string RegistrationBody(const std::string& address, const char* familyUtf8, const char* givenUtf8,
                                    const std::string& extraA = "") {
    std::string sjis = "<REGISTER>\r\n<EMAIL>" + address + "</EMAIL>\r\n<NAME_SEI>" + Utf8ToSjis(familyUtf8) +
                       "</NAME_SEI><NAME_MEI>" + Utf8ToSjis(givenUtf8) +
                       "</NAME_MEI>\r\n<ZIPCODE_1>150</ZIPCODE_1><ZIPCODE_2>0001</ZIPCODE_2>\r\n<PHONE_1>03</PHONE_1>"
                       "<PHONE_2>1234-5678</PHONE_2>\r\n<DMOK>Y</DMOK>\r\n";
    if (!extraA.empty()) sjis += "<EXTRA_A>" + extraA + "</EXTRA_A>\r\n";
    KCodeC k;
    return k.sjtojis7(sjis, 1);
}

// One copy of a sent mail as the SMTP server received it.
struct SentCopy {
    int customer = 0;
    std::string address;
    std::string messageId;  // with angle brackets, as the send history keeps it
    std::string raw;        // CR LF lines
    std::string Headers() const { return raw.substr(0, raw.find("\r\n\r\n") + 2); }
};

// Records what a receive run shows, without pausing (any thread).
class RecordingReceiveObserver : public ReceiveRunObserver {
public:
    void OnStatus(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        statuses_ << QString::fromStdString(SjisToUtf8(text));
    }
    void OnTotal(int total) override { total_ = total; }
    void OnProcessed(int processed) override { processed_ = processed; }
    void OnMailKind(int kind) override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++kinds_[kind >= 1 && kind <= 4 ? kind : 0];
    }
    void Pause(int, const std::function<bool()>&) override {}

    QStringList Statuses() {
        std::lock_guard<std::mutex> lock(mutex_);
        return statuses_;
    }
    // Messages counted as {unrelated, registration, refusal, error mail, read receipt}.
    std::array<int, 5> Kinds() {
        std::lock_guard<std::mutex> lock(mutex_);
        return kinds_;
    }
    int total() const { return total_; }
    int processed() const { return processed_; }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        statuses_.clear();
        kinds_ = {};
        total_ = processed_ = -1;
    }

private:
    std::mutex mutex_;
    QStringList statuses_;
    std::array<int, 5> kinds_{};
    std::atomic<int> total_{-1}, processed_{-1};
};

class ReceiveRunTest : public sendtest::SendRunTest {
protected:
    void SetUp() override {
        sendtest::SendRunTest::SetUp();
        dovecot_ = &transporttest::SharedDovecot();
        user_ = dovecot_->AddUser("secret");
        SetOption(CPopReceiveSession::kOptionServer, "127.0.0.1");
        SetOption(CPopReceiveSession::kOptionPort, std::to_string(dovecot_->pop3Port()));
        SetOption(CPopReceiveSession::kOptionLoginMethod, "0");
        SetOption(CPopReceiveSession::kOptionUser, user_);
        SetOption(CPopReceiveSession::kOptionPassword, "secret");
        SetOption(CPopReceiveSession::kOptionPasswordStored, "Y");
        SetOption(CPopReceiveSession::kOptionDeleteHandled, "N");
        SetOption(CPopReceiveSession::kOptionRegisterEmpty, "N");
        SetOption(CPopReceiveSession::kOptionRefuseByKeyword, "N");
        SetOption(54, "Y");  // resends allowed
        SetOption(65, "3");  // at most three
    }

    // Sends a text mail to `people` with the real send run; the copies the server
    // received, by customer.
    std::map<int, SentCopy> SendMail(const std::vector<int>& people, int& mailId) {
        sendtest::SendTestServer server;
        UseServer(server.port());
        mailId = MakeMail(people, "news", "Spring sale.\r\n");
        EXPECT_EQ(Send(mailId), 0) << lastError_;
        std::map<std::string, std::string> rawById;
        const std::regex idLine(R"(\r\nMessage-I[Dd]: *(<[^>\r\n]+>))", std::regex::icase);
        for (const auto& e : std::filesystem::directory_iterator(server.out())) {
            if (e.path().extension() != ".eml") continue;
            const std::string raw = Crlf(nettest::ReadFile(e.path()));
            std::smatch m;
            if (std::regex_search(raw, m, idLine)) rawById[m[1]] = raw;
        }
        std::map<int, SentCopy> out;
        for (const auto& [customer, row] : HistoryOnDisk(mailId)) {
            SentCopy c;
            c.customer = customer;
            c.address = book_->GetCustomerDataPinPoint(customer, kElemEmail);
            c.messageId = row.second;
            c.raw = rawById[row.second];
            EXPECT_FALSE(c.raw.empty()) << "no copy of " << row.second;
            out[customer] = c;
        }
        return out;
    }

    // A mail recorded as sent to `people` without a server (send history rows "C" with
    // Message-IDs made as the send run makes them, status "C"): the copies, by customer.
    std::map<int, SentCopy> RecordedMail(const std::vector<int>& people, int& mailId) {
        mailId = AddMail("C");
        EXPECT_EQ(mails_->WriteMailList(1), 0);
        EXPECT_EQ(MakeDirectoryCompel(env_layout::OneMailFolder(*env_, mailId)), 0);
        HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
        EXPECT_EQ(h.SetMailID(mailId, 1), 0);
        std::map<int, SentCopy> out;
        for (int p : people) {
            SentCopy c;
            c.customer = p;
            c.address = book_->GetCustomerDataPinPoint(p, kElemEmail);
            c.messageId = "<" + MakeMessageIDLocalPart("info@example.jp", mailId) + ">";
            c.raw = "From: info@example.jp\r\nTo: " + c.address + "\r\nSubject: news\r\nMessage-ID: " + c.messageId +
                    "\r\n\r\nSpring sale.\r\n";
            HistorySet row;
            row.customerID = p;
            row.state = "C";
            row.openFlag = "N";
            row.messageID = c.messageId;
            row.lastSendDate = platform::DateTime(2024, 1, 16, 9, 0, 0);
            EXPECT_EQ(h.SetHDataFromStructToMemory(row), 0);
            out[p] = c;
        }
        EXPECT_EQ(h.WriteHDataFromMemoryToFileCompel(), 0);
        return out;
    }

    // A reply from template `name` to `copy` (RCPT: the copy's recipient, unless `from`).
    std::string Reply(const std::string& name, const SentCopy& copy, const std::string& from = "",
                      const std::string& body = "") {
        std::string text = Template(name);
        ReplaceAll(text, "{{ORIGINAL}}", copy.raw);
        ReplaceAll(text, "{{HEADERS}}", copy.Headers());
        text = Crlf(text);
        ReplaceAll(text, "{{MSGID}}", copy.messageId);
        ReplaceAll(text, "{{RCPT}}", from.empty() ? copy.address : from);
        ReplaceAll(text, "{{SENDER}}", "info@example.jp");
        ReplaceAll(text, "{{BODY}}", body);
        ReplaceAll(text, "{{N}}", std::to_string(++replies_));
        return text;
    }
    void Deliver(const std::string& message) { dovecot_->AddMessage(user_, message); }

    // One receive run over the test's stores with LAST_UID carried from the last one.
    int Receive(const std::function<void(CPopReceiveSession&)>& configure = {}) {
        shown_.Clear();
        CPopReceiveSession session(Stores());
        session.SetObserver(&shown_);
        session.SetLastUid(lastUid_.c_str());
        if (configure) configure(session);
        const int r = session.Run();
        lastUid_ = session.GetLastUid();
        runError_ = SjisToUtf8(session.GetErrorText());
        return r;
    }

    // The messages in the mailbox now, by a login of the test's own.
    std::vector<std::string> MailboxUids() {
        CMyPOPS pop;
        auto* h = pop.GetHandle();
        netssl::POPS_Set(h, netssl::kPopsServer, 0, "127.0.0.1", 0);
        netssl::POPS_Set(h, netssl::kPopsPort, 0, dovecot_->pop3Port(), 0);
        netssl::POPS_Set(h, netssl::kPopsUser, 0, user_.c_str(), 0);
        netssl::POPS_Set(h, netssl::kPopsPassword, 0, "secret", 0);
        EXPECT_EQ(netssl::POPS_Do(h, netssl::kPopsConnect), 0);
        EXPECT_EQ(pop.ListMessageUIDs(), 0);
        std::vector<std::string> uids = pop.GetUidList();
        netssl::POPS_Do(h, netssl::kPopsDisconnect);
        return uids;
    }

    // A list as its file holds it.
    std::vector<std::vector<std::string>> ListOnDisk(int which) {
        BaseRecordStructer table;
        EXPECT_EQ(receive_stores::LoadList(env_.get(), which, table), receive_stores::kLoaded);
        std::vector<std::vector<std::string>> rows;
        for (int r = 0; r < table.GetRecordNumber(); ++r) {
            std::vector<std::string> row;
            for (int e = 0; e < table.GetElementNumber(); ++e) row.push_back(table.GetStringElement(e, r));
            rows.push_back(row);
        }
        return rows;
    }
    // An element of a record as the book's file holds it.
    std::string BookOnDisk(int customer, int element) {
        CDatabaseEdit fresh(env_.get(), options_.get());
        EXPECT_GE(fresh.ReadCustomerList(), 0);
        return fresh.GetCustomerDataPinPoint(customer, element);
    }
    // The open flag of each recipient of mail `id` as the history file holds it.
    std::map<int, std::string> OpenFlagsOnDisk(int id) {
        HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
        EXPECT_EQ(h.SetMailID(id, 1), 0);
        EXPECT_EQ(h.GetHDataFromFileToMemory(0, nullptr), 0);
        std::vector<HistorySet> rows;
        h.GetHDataFromMemoryToStruct(rows, -1, -1);
        std::map<int, std::string> out;
        for (const HistorySet& r : rows) out[r.customerID] = r.openFlag;
        return out;
    }

    transporttest::DovecotServer* dovecot_ = nullptr;
    std::string user_;
    std::string lastUid_;
    std::string runError_;
    RecordingReceiveObserver shown_;  // what the last receive run showed
    int replies_ = 0;
};

}  // namespace rcvtest
