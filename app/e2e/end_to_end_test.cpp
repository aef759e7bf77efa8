// A user's day with the program, against a real Postfix and Dovecot: each phase is the
// program started again in a child process that acts as its user through its windows;
// between and after them the test looks at what the mail server delivered.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>
#include <functional>
#include <memory>

#include "app/e2e/child_process.h"
#include "app/e2e/people.h"
#include "app/e2e/phase.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kSender = "sender@example.jp";
constexpr const char* kPassword = "e2e-Pass1";

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::geteuid(), 0u) << "the mail servers need root";
        std::string isolation;
        if (!e2e::IsolateNetwork(isolation))
            std::printf("no network namespace of its own (%s): the test shares the machine's\n", isolation.c_str());
        char pattern[] = "/tmp/qe2e-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
        for (const char* sub : {"bin", "home", "config", "state", "data", "cache", "runtime", "tmp", "envs", "logs"})
            fs::create_directories(folder_ + "/" + sub);
        fs::permissions(folder_ + "/runtime", fs::perms::owner_all);
        // The program keeps its ini and its default data folder beside itself: a link of
        // this binary in the test's folder keeps them there.
        program_ = folder_ + "/bin/Quendrel";
        std::error_code ec;
        fs::create_hard_link(fs::read_symlink("/proc/self/exe"), program_, ec);
        if (ec) fs::copy_file(fs::read_symlink("/proc/self/exe"), program_, ec);
        ASSERT_FALSE(ec) << ec.message();
        // No visit to the maker's site at start.
        WriteFile(folder_ + "/bin/Quendrel.ini", "[INFORMATION]\r\nOPEN_AUTO=N\r\n");
    }
    void TearDown() override {
        servers_.Stop();
        // QUENDREL_E2E_KEEP=1 keeps the folder (the phases' logs) after a pass too.
        if (!HasFailure() && std::getenv("QUENDREL_E2E_KEEP") == nullptr) fs::remove_all(folder_);
        else std::printf("the test's folder is kept: %s\n", folder_.c_str());
    }

    // Makes the people, their CSV, starts the servers and writes the phases' settings.
    void Prepare(int count) {
        people_ = e2e::MakePeople(count);
        WriteFile(folder_ + "/people.csv", e2e::PeopleCsv(people_));
        WriteFile(folder_ + "/accepted.txt", e2e::AcceptedAddresses(people_, kSender));
        // A 1x1 GIF for the HTML mail's inline image.
        static const char kGif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00"
                                   "\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;";
        WriteFile(folder_ + "/banner.gif", std::string(kGif, sizeof kGif - 1));
        std::string error;
        ASSERT_TRUE(servers_.Start(QUENDREL_E2E_SERVERS "/mail_servers.sh", folder_ + "/accepted.txt",
                                   folder_ + "/logs/servers.log", error))
            << error;
        conf_ = {{"host", "127.0.0.1"},
                 {"smtp_port", std::to_string(servers_.smtpPort)},
                 {"pop3_port", std::to_string(servers_.pop3Port)},
                 {"user", kSender},
                 {"password", kPassword},
                 {"sender", kSender},
                 {"csv", folder_ + "/people.csv"},
                 {"people", std::to_string(count)},
                 {"chosen", std::to_string(count / 2)},
                 {"maildirs", servers_.folder + "/mail"},
                 {"phase_seconds", "240"},
                 {"picture", folder_ + "/banner.gif"},
                 // Who answers the mails: u00002 reads the first one, u00010 deletes it
                 // unread, u00006 refuses advertising mail, a newcomer registers; u00194
                 // and u00388 (gold, no mailbox) bounce.
                 {"reader", people_[1].address},
                 {"refusing", people_[5].address},
                 {"registered", "newcomer@example.net"},
                 {"unread", people_[9].address},
                 {"bounced1", people_[193].address},
                 {"bounced2", people_[387].address}};
        e2e::WriteSettings(folder_ + "/e2e.conf", conf_);
    }

    std::vector<std::string> ChildEnvironment() const {
        return {"HOME=" + folder_ + "/home",
                "XDG_CONFIG_HOME=" + folder_ + "/config",
                "XDG_STATE_HOME=" + folder_ + "/state",
                "XDG_DATA_HOME=" + folder_ + "/data",
                "XDG_CACHE_HOME=" + folder_ + "/cache",
                "XDG_RUNTIME_DIR=" + folder_ + "/runtime",
                "TMPDIR=" + folder_ + "/tmp",
                "TZ=Asia/Tokyo",
                "QT_QPA_PLATFORM=offscreen",
                // The servers' certificate is signed by the test's CA; the program checks
                // certificates against the system's store, which this makes the CA's.
                "SSL_CERT_FILE=" + servers_.folder + "/ca.pem"};
    }

    // Starts phase `name` in a child.
    void StartPhase(e2e::ChildProcess& child, const std::string& name) {
        const std::string log = folder_ + "/logs/" + name + ".log";
        ASSERT_TRUE(child.Start(program_, {"--e2e-phase=" + name, "--e2e-folder=" + folder_}, ChildEnvironment(), log));
    }

    // Runs phase `name` to its end; its time is reported.
    void RunPhase(const std::string& name, int seconds = 300) {
        const auto started = std::chrono::steady_clock::now();
        e2e::ChildProcess child;
        StartPhase(child, name);
        const int status = child.Wait(seconds);
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::printf("[ phase    ] %-10s %6.1f s\n", name.c_str(), took);
        std::fflush(stdout);
        RecordProperty("seconds_" + name, std::to_string(took));
        ASSERT_EQ(status, 0) << "phase " << name << " failed; its log ends:\n"
                             << e2e::Tail(folder_ + "/logs/" + name + ".log", 60);
    }

    // A recipient outside the address book (a test recipient) with the values it gets.
    struct Addressee {
        std::string address, carrier, name, member;
    };
    // One mail of the maildir check: its subject text, who gets it and what they get.
    struct MailCheck {
        std::string subject;
        std::function<bool(const e2e::Person&)> gets;
        std::vector<std::string> merged{"name", "member"};
        std::string pictograms;  // the members of the check's "pictograms" object, "" for none
        bool html = false, inlineImage = false;
        std::vector<Addressee> addressees{};  // the recipients instead of `gets`'s people, when given
        std::string more{};  // further members of the mail's check (JSON, each after a comma)
    };

    // Runs the servers' maildir check over `mails`; its report on failure.
    void CheckMaildirs(const std::vector<MailCheck>& mails) {
        const auto carrier = [](e2e::Terminal t) {
            switch (t) {
                case e2e::Terminal::kDocomo: return "docomo";
                case e2e::Terminal::kAu: return "au";
                case e2e::Terminal::kSoftbank: return "softbank";
                default: return "pc";
            }
        };
        std::string json = "{\"maildir_root\": \"" + servers_.folder + "/mail\", \"people\": {";
        bool first = true;
        for (const e2e::Person& p : people_) {
            if (p.refused) continue;
            json += std::string(first ? "" : ",") + "\n\"" + p.address + "\": {\"carrier\": \"" + carrier(p.terminal) +
                    "\", \"name\": \"" + p.sei + " " + p.mei + "\", \"member\": \"" + p.member + "\", \"sei\": \"" +
                    p.sei + "\", \"to_name\": \"" + p.sei + p.mei + "様\"}";
            first = false;
        }
        json += "},\n\"mails\": [";
        for (std::size_t m = 0; m < mails.size(); ++m) {
            const MailCheck& mail = mails[m];
            json += std::string(m ? "," : "") + "\n{\"subject\": \"" + mail.subject + "\", \"merged\": [";
            for (std::size_t i = 0; i < mail.merged.size(); ++i) json += (i ? ", \"" : "\"") + mail.merged[i] + "\"";
            json += "], \"html\": " + std::string(mail.html ? "true" : "false") +
                    ", \"inline_image\": " + (mail.inlineImage ? "true" : "false");
            if (!mail.pictograms.empty()) json += ", \"pictograms\": {" + mail.pictograms + "}";
            json += mail.more;
            if (!mail.addressees.empty()) {
                json += ", \"recipients\": {";
                for (std::size_t i = 0; i < mail.addressees.size(); ++i) {
                    const Addressee& a = mail.addressees[i];
                    json += std::string(i ? ", \"" : "\"") + a.address + "\": {\"carrier\": \"" + a.carrier +
                            "\", \"name\": \"" + a.name + "\", \"member\": \"" + a.member + "\"}";
                }
                json += "}}";
                continue;
            }
            json += ", \"recipients\": [";
            bool firstRecipient = true;
            for (const e2e::Person& p : people_) {
                if (p.refused || !mail.gets(p)) continue;
                json += std::string(firstRecipient ? "\"" : ", \"") + p.address + "\"";
                firstRecipient = false;
            }
            json += "]}";
        }
        json += "],\n\"others_get_nothing\": true}\n";
        const std::string path = folder_ + "/expectation.json";
        WriteFile(path, json);
        const std::string report = folder_ + "/logs/check_maildirs.txt";
        const std::string command = "/usr/bin/python3 " QUENDREL_E2E_SERVERS "/check_maildirs.py " + path + " > " +
                                    report + " 2>&1";
        const int status = std::system(command.c_str());
        EXPECT_EQ(status, 0) << "the maildirs are not as they must be:\n" << e2e::Tail(report, 40);
        if (status != 0) {
            // Kept for whoever looks into it: the servers remove theirs when they stop.
            std::error_code ec;
            fs::copy(servers_.folder + "/mail", folder_ + "/mail", fs::copy_options::recursive, ec);
        }
        std::printf("%s", e2e::Tail(report, 3).c_str());
    }

    // Copies in each maildir but the sender's, by address.
    std::map<std::string, int> CountCopies() const {
        std::map<std::string, int> copies;
        std::error_code ec;
        for (const auto& domain : fs::directory_iterator(servers_.folder + "/mail", ec)) {
            for (const auto& local : fs::directory_iterator(domain.path(), ec)) {
                const std::string address = local.path().filename().string() + "@" + domain.path().filename().string();
                if (address == kSender) continue;
                int n = 0;
                for (const char* sub : {"/Maildir/new", "/Maildir/cur"})
                    for (const auto& f : fs::directory_iterator(local.path().string() + sub, ec)) n += f.is_regular_file();
                if (n > 0) copies[address] = n;
            }
        }
        return copies;
    }
    int TotalCopies() const {
        int total = 0;
        for (const auto& [address, n] : CountCopies()) total += n;
        return total;
    }
    // Messages in the sender's mailbox (bounces and replies).
    int SenderMessages() const {
        int n = 0;
        std::error_code ec;
        const std::string box = servers_.folder + "/mail/example.jp/sender/Maildir";
        for (const char* sub : {"/new", "/cur"})
            for (const auto& f : fs::directory_iterator(box + sub, ec)) n += f.is_regular_file();
        return n;
    }
    // Waits until the servers have delivered what they took (the counts stay still for a
    // second, Postfix's bounces included).
    void WaitForDelivery() {
        int last = -1;
        for (int i = 0; i < 120; ++i) {
            const int now = TotalCopies() * 100000 + SenderMessages();
            if (now == last) return;
            last = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        }
    }

    // The Message-ID of the first mail `address` got.
    std::string FirstMessageId(const std::string& address) {
        const std::string local = address.substr(0, address.find('@')), domain = address.substr(address.find('@') + 1);
        std::vector<std::string> files;
        std::error_code ec;
        for (const auto& f : fs::directory_iterator(servers_.folder + "/mail/" + domain + "/" + local + "/Maildir/new", ec))
            files.push_back(f.path().string());
        std::sort(files.begin(), files.end());  // delivery time first
        if (files.empty()) return "none";
        std::ifstream in(files.front());
        for (std::string line; std::getline(in, line);)
            if (line.rfind("Message-ID:", 0) == 0) {
                std::string id = line.substr(11);
                id.erase(0, id.find_first_not_of(" <"));
                id.erase(id.find_last_not_of(" >\r") + 1);
                return id;
            }
        return "none";
    }
    // Puts a message into the sender's mailbox as a delivery would (through tmp/ into new/,
    // owned by the mail user), for messages no SMTP server would pass on unchanged.
    void DropIntoSenderMailbox(const std::string& name, const std::string& bytes) {
        const std::string box = servers_.folder + "/mail/example.jp/sender/Maildir";
        const std::string file = "1765000000." + name + ".e2e";
        WriteFile(box + "/tmp/" + file, bytes);
        ASSERT_EQ(::chown((box + "/tmp/" + file).c_str(), 65534, 65534), 0);
        fs::rename(box + "/tmp/" + file, box + "/new/" + file);
    }
    // Messages in the shapes real mail systems send that must change nothing: Outlook's
    // notice that the first mail was deleted unread, bounces that cannot be traced to a
    // recipient (a mail that was never sent, another sender's mail, a 20 MB returned
    // message), and broken or hostile ones (NUL bytes and an unknown charset, a boundary
    // that never comes, 100,000 header lines). Returns how many.
    int DropMessagesThatChangeNothing() {
        const std::string ours = FirstMessageId(conf_["unread"]);
        const std::string daemon = "From: MAILER-DAEMON@mx.example.net (Mail Delivery System)\r\n"
                                   "To: sender@example.jp\r\nSubject: Undelivered Mail Returned to Sender\r\n"
                                   "MIME-Version: 1.0\r\n";
        const auto report = [&](const std::string& returnedId, const std::string& returnedBody) {
            return daemon +
                   "Content-Type: multipart/report; report-type=delivery-status; boundary=\"R\"\r\n\r\n"
                   "--R\r\nContent-Type: text/plain\r\n\r\nThis is the mail system.\r\n"
                   "--R\r\nContent-Type: message/delivery-status\r\n\r\nReporting-MTA: dns; mx.example.net\r\n\r\n"
                   "Final-Recipient: rfc822; someone@example.net\r\nAction: failed\r\nStatus: 5.1.1\r\n\r\n"
                   "--R\r\nContent-Type: message/rfc822\r\n\r\nMessage-ID: <" +
                   returnedId + ">\r\nFrom: sender@example.jp\r\nSubject: x\r\n" + returnedBody + "--R--\r\n";
        };
        std::string big = "Content-Type: multipart/mixed; boundary=\"M\"\r\n\r\n--M\r\nContent-Type: "
                          "application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n";
        for (int i = 0; i < 270000; ++i) big += std::string(76, 'Q') + "\r\n";
        big += "--M--\r\n";
        std::string manyHeaders = "From: someone@example.net\r\nSubject: headers\r\n";
        for (int i = 0; i < 100000; ++i) manyHeaders += "X-Filler: " + std::to_string(i) + "\r\n";
        static const char kNulBytes[] = "From: someone@example.net\r\nSubject: =?x-unknown?B?AAAA?=\r\n"
                                        "Content-Type: text/plain; charset=\"x-bogus\"\r\n\r\n<REF\0USE>\0\r\n";
        const std::string mails[] = {
            "From: " + conf_["unread"] + "\r\nTo: sender@example.jp\r\nSubject: =?utf-8?B?5pyq6ZaL5bCBOiBzYWxl?=\r\n"
            "MIME-Version: 1.0\r\nContent-Type: multipart/report; report-type=disposition-notification;\r\n"
            "\tboundary=\"_000_N_\"\r\n\r\n--_000_N_\r\nContent-Type: text/plain; charset=\"utf-8\"\r\n\r\n"
            "Your message was deleted without being read.\r\n\r\n--_000_N_\r\n"
            "Content-Type: message/disposition-notification\r\n\r\nFinal-Recipient: RFC822; " + conf_["unread"] +
            "\r\nDisposition: automatic-action/MDN-sent-automatically; deleted\r\nOriginal-Message-ID: <" + ours +
            ">\r\n\r\n--_000_N_--\r\n",
            report("20261210120000123.00000.9999.news@example.jp", "\r\nhello\r\n"),
            report("CAF+abc@mail.gmail.com", "\r\nhello\r\n"),
            report("CAF+big@mail.gmail.com", big),
            std::string(kNulBytes, sizeof kNulBytes - 1),
            daemon + "Content-Type: multipart/report; boundary=\"NEVER\"\r\n\r\n--OTHER\r\n"
                     "Content-Type: text/plain\r\n\r\nfailed\r\n",
            manyHeaders + "\r\nhello\r\n",
        };
        int n = 0;
        for (const std::string& mail : mails) DropIntoSenderMailbox("m" + std::to_string(++n), mail);
        return n;
    }
    // Sends a recipient's mail back to the sender through the test's Postfix.
    void SendReply(const std::string& arguments) {
        const std::string command = "/usr/bin/python3 " QUENDREL_E2E_SERVERS "/reply_mails.py " + arguments +
                                    " --port " + std::to_string(servers_.smtpPort) + " --cafile " + servers_.folder +
                                    "/ca.pem >> " + folder_ + "/logs/replies.log 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << e2e::Tail(folder_ + "/logs/replies.log", 10);
    }

    std::string folder_, program_;
    std::vector<e2e::Person> people_;
    e2e::Settings conf_;
    e2e::MailServers servers_;
};

TEST_F(EndToEnd, AUsersDay) {
    ASSERT_NO_FATAL_FAILURE(Prepare(10000));
    // The test recipients the user sets before the text mail: the sender's own address,
    // named apart from everyone in the book so that their copies' subjects are their own.
    conf_["test_recipient"] = kSender;
    conf_["test_pc"] = "試験,一郎,T00001";
    conf_["test_mobile"] = "検査,花子,T00002";
    e2e::WriteSettings(folder_ + "/e2e.conf", conf_);
    ASSERT_NO_FATAL_FAILURE(RunPhase("setup"));
    ASSERT_NO_FATAL_FAILURE(RunPhase("import"));
    ASSERT_NO_FATAL_FAILURE(RunPhase("extract"));
    ASSERT_NO_FATAL_FAILURE(RunPhase("textmail"));
    ASSERT_NO_FATAL_FAILURE(RunPhase("htmlmail"));
    ASSERT_NO_FATAL_FAILURE(RunPhase("reserve"));
    WaitForDelivery();
    const auto chosen = [](const e2e::Person& p) { return p.Chosen(); };
    const auto chosenPc = [](const e2e::Person& p) { return p.Chosen() && p.terminal == e2e::Terminal::kPc; };
    // The test copies sit in the sender's mailbox until the receive run takes them: one
    // from the PC page for the PC test recipient, one from the NTT DoCoMo page, in DoCoMo's
    // form, for the mobile one.
    // Everyone's name reaches the reader whole in To, Subject and body, 髙 and 﨑 in either
    // form included; each merged value stands on a line of its own; the long PC subject is
    // folded.
    const std::string docomo = "\"docomo\": [\"9021\"]";
    const std::string everyCarrier = docomo + ", \"au\": [\"7541\"], \"softbank\": [\"F98B\"]";
    const std::string names = ", \"to_name\": true, \"subject_has\": [\"sei\"]";
    const std::string lines = ", \"line_of\": [[\"\", \"name\", \"様\"], [\"会員番号 \", \"member\", \"\"]]";
    CheckMaildirs({{"試験様へ 春の新商品", nullptr, {"name", "member"}, "", false, false, {{kSender, "pc", "試験 一郎", "T00001"}},
                    lines + ", \"subject_folded\": true"},
                   {"検査様 春", nullptr, {"name", "member"}, docomo, false, false, {{kSender, "docomo", "検査 花子", "T00002"}}, lines},
                   {"春", chosen, {"name", "member"}, everyCarrier, false, false, {}, names + lines + ", \"subject_folded\": [\"pc\"]"},
                   {"夏", chosenPc, {"name", "member"}, "", true, true, {}, names},
                   // Without a pictogram SoftBank gets ISO-2022-JP like the others.
                   {"秋", chosen, {"name", "member"}, "", false, false, {}, names + lines + ", \"charsets\": {\"softbank\": \"iso-2022-jp\"}"}});

    // Replies: a read receipt of the first mail, a refusal, a registration.
    ASSERT_NO_FATAL_FAILURE(SendReply("receipt --from " + conf_["reader"] + " --original-id " + FirstMessageId(conf_["reader"])));
    ASSERT_NO_FATAL_FAILURE(SendReply("refusal --from " + conf_["refusing"]));
    ASSERT_NO_FATAL_FAILURE(SendReply("registration --from " + conf_["registered"] + " --email " + conf_["registered"] +
                                      " --sei 新井 --mei 一郎 --kana-sei あらい --kana-mei いちろう --dm Y"));
    WaitForDelivery();
    conf_["changing_nothing"] = std::to_string(DropMessagesThatChangeNothing());
    e2e::WriteSettings(folder_ + "/e2e.conf", conf_);
    ASSERT_NO_FATAL_FAILURE(RunPhase("receive"));
    ASSERT_NO_FATAL_FAILURE(RunPhase("verify"));
}

// The send killed when a third of its copies arrived, and finished by the user after a
// new start: nobody recorded as sent before the kill gets a second copy, everyone chosen
// gets the mail, nobody else does. The send may deliver the one message that was in
// flight at the kill a second time (its result was not yet recorded): at most one person,
// never one the history shows as sent.
TEST_F(EndToEnd, AKillDuringTheSendLosesNoneAndDoublesNone) {
    ASSERT_NO_FATAL_FAILURE(Prepare(4000));
    ASSERT_NO_FATAL_FAILURE(RunPhase("setup"));
    ASSERT_NO_FATAL_FAILURE(RunPhase("import"));
    ASSERT_NO_FATAL_FAILURE(RunPhase("extract"));
    int expected = 0;
    for (const e2e::Person& p : people_) expected += p.Chosen() && !p.refused;

    e2e::ChildProcess child;
    ASSERT_NO_FATAL_FAILURE(StartPhase(child, "textmail"));
    const auto started = std::chrono::steady_clock::now();
    int atKill = 0;
    while (child.Running() && std::chrono::steady_clock::now() - started < std::chrono::seconds(120)) {
        atKill = TotalCopies();
        if (atKill >= expected / 3) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(child.Running()) << "the send ended before the kill:\n" << e2e::Tail(folder_ + "/logs/textmail.log", 30);
    child.Kill();
    std::printf("[ kill     ] after %d of %d copies\n", atKill, expected);
    WaitForDelivery();

    ASSERT_NO_FATAL_FAILURE(RunPhase("resume"));
    WaitForDelivery();
    std::set<std::string> sentBefore;
    {
        std::ifstream in(folder_ + "/sent_before.txt");
        for (std::string line; std::getline(in, line);) sentBefore.insert(line);
    }
    EXPECT_GT(sentBefore.size(), 0u);
    const std::map<std::string, int> copies = CountCopies();
    int twice = 0;
    for (const e2e::Person& p : people_) {
        const auto it = copies.find(p.address);
        const int n = it == copies.end() ? 0 : it->second;
        if (!p.Chosen() || p.refused) {
            EXPECT_EQ(n, 0) << p.address << " was not chosen";
            continue;
        }
        EXPECT_GE(n, 1) << p.address << " never got the mail";
        EXPECT_LE(n, 2) << p.address;
        if (n == 2) {
            ++twice;
            EXPECT_EQ(sentBefore.count(p.address), 0u) << p.address << " was recorded as sent and got it again";
        }
    }
    EXPECT_LE(twice, 1) << "more than the one message in flight at the kill went out twice";
    std::printf("[ resumed  ] %zu recorded as sent before the kill; %d got a second copy\n", sentBefore.size(), twice);
}

}  // namespace
