// The exact bytes a send run puts on the wire, against a real SMTP server: a run to 1,000
// people of every terminal type (merged names and companies, lines that begin with a dot,
// a line holding only a dot, half-width kana, an attachment for PCs) and the two kinds of
// HTML mail, each message compared with the digest recorded in testdata/message_digests.txt.
// The clocks are fixed, so the Date and Message-ID are too; the MIME boundaries, random by
// design, are numbered by testdata/message_digests.py before the digest is taken.
//
// To record the digests anew (only when a change of the messages is meant), run the test
// with QUENDREL_RECORD_MESSAGE_DIGESTS=1: it then writes the file instead of comparing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/tests/send_run_fixture.h"

namespace {

using sendtest::SendTestServer;
using sendtest::Sjis;

class SendRunBytesTest : public sendtest::SendRunTest {
protected:
    void TearDown() override {
        SetMessageIdClockForTesting({});
        sendtest::SendRunTest::TearDown();
    }

    // 1,000 people: the five terminal types in turn, names and companies from small tables
    // (kanji with the extension rows' 髙 and 﨑, ASCII with quotes, half-width kana, none).
    std::vector<int> People() {
        static const char* const kDomains[] = {"example.jp", "docomo.ne.jp", "ezweb.ne.jp", "softbank.ne.jp",
                                               "willcom.com"};
        static const char* const kFamily[] = {"山田", "佐藤", "髙橋", "山﨑", "鈴木", "John \"J\"", "O'Brien (Jr.)",
                                              "", "ﾀﾅｶ", "渡辺"};
        static const char* const kGiven[] = {"太郎", "花子", "", "一郎", "Ann", "美咲", "ｼｮｳ"};
        static const char* const kCompany[] = {"", "株式会社テスト", "ACME (Japan), Inc.", "ｶﾌﾞｼｷｶﾞｲｼｬ ﾃｽﾄ"};
        std::vector<int> ids;
        for (int i = 0; i < 1000; ++i) {
            OneCustomer c;
            InitOneCustomer(c);
            c.Email = "m" + std::to_string(i) + "@" + kDomains[i % 5];
            c.KanjiSei = Sjis(kFamily[i % 10]);
            c.KanjiMei = Sjis(kGiven[(i / 10) % 7]);
            c.Company = Sjis(kCompany[(i / 3) % 4]);
            c.DMOk = "Y";
            EXPECT_EQ(book_->SetOneCustomerInfo(c, 0), 0) << c.Email;
            ids.push_back(c.CustomerID);
        }
        return ids;
    }

    void SendAndCompare(bool pipelining);

    // "address digest" per message the server saved, in the order it saved them.
    std::vector<std::string> Digests(const SendTestServer& server) {
        nettest::TempDir work;
        const std::string out = (work.path() / "digests.txt").string();
        EXPECT_EQ(nettest::RunProgram({"/usr/bin/python3", sendtest::TestData("message_digests.py"),
                                       server.out().string(), out}),
                  0);
        std::vector<std::string> lines;
        std::istringstream in(nettest::ReadFile(out));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

// Sends the mails of the test to the people of the test, over a server that offers
// PIPELINING or not, and compares every message with its recorded digest (or records them).
void SendRunBytesTest::SendAndCompare(bool pipelining) {
    FixNow(sendtest::At(2024, 6, 1, 10, 3, 20));
    SetMessageIdClockForTesting([] { return std::int64_t{1717203800123}; });
    SetOption(67, "Y");  // a read-receipt line in every header
    const std::vector<int> people = People();
    const std::string subject = Sjis("<%名前(姓)%>様 【会員様限定】<%会社名%>からのお知らせ");
    const std::string text =
        Sjis("<%名前(姓)%> <%名前(名)%>様\r\n\r\n.先頭の点\r\n.\r\n..二つの点\r\n"
             "いつもご利用いただきありがとうございます。<%会社名%>より春の特別セールのご案内です。"
             "期間中は全品が二割引となります。この機会にぜひお立ち寄りください。\r\n"
             "ASCII line with a trailing dot.\r\n ﾊﾝｶｸ ｶﾅ ﾉ ｷﾞｮｳ\r\n本文の終わり\r\n");
    const std::string html = sendtest::StoredHtmlMail(
        text, Sjis("<p>&lt;%名前(姓)%&gt;様</p>\r\n<p>.先頭の点</p>\r\n.\r\n<p>&lt;%会社名%&gt;</p>\r\n"));

    struct Mail {
        const char* name;
        const char* flag;
        const std::string& body;
        bool attachment;
    } mails[] = {{"text", "NN", text, true}, {"pc-html", "NY", html, false}, {"mobile-html", "NM", html, false}};
    std::string recorded;
    for (const Mail& m : mails) {
        SendTestServer server(pipelining ? std::vector<std::string>{"--pipelining"} : std::vector<std::string>{});
        UseServer(server.port());
        const int id = MakeMail(people, subject, m.body, m.flag, Sjis("様"));
        if (m.attachment) sendtest::AttachFile(env_.get(), id, 0, Sjis("ご案内.pdf"), "%PDF-1.4\r\n.\r\nbytes");
        ASSERT_EQ(Send(id), 0) << m.name << ": " << lastError_;
        for (const std::string& line : Digests(server)) recorded += std::string(m.name) + " " + line + "\n";
    }

    const std::string golden = sendtest::TestData("message_digests.txt");
    if (!pipelining && std::getenv("QUENDREL_RECORD_MESSAGE_DIGESTS") != nullptr) {
        std::ofstream(golden, std::ios::binary) << recorded;
        GTEST_SKIP() << "recorded " << golden;
    }
    const std::string expected = nettest::ReadFile(golden);
    ASSERT_FALSE(expected.empty()) << golden;
    // Line by line, so a failure names the messages that differ.
    std::istringstream want(expected), got(recorded);
    int lines = 0, differing = 0;
    for (std::string w, g; std::getline(want, w);) {
        ++lines;
        if (!std::getline(got, g)) g.clear();
        if (w != g && ++differing <= 5) ADD_FAILURE() << "expected " << w << "\n     got " << g;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(recorded.size(), expected.size());
    EXPECT_EQ(lines, 1000 + 200 + 600);
}

TEST_F(SendRunBytesTest, EveryMessageHasTheRecordedBytes) { SendAndCompare(false); }

TEST_F(SendRunBytesTest, EveryPipelinedMessageHasTheRecordedBytes) { SendAndCompare(true); }

}  // namespace
