// Classifying received mail: a typical delivery-status bounce, a read receipt, a bounce
// that returns a message with a large attachment (the returned part is held once, not
// copied into the attachment list), a plain-text bounce that copies the message into its
// text (with and without that attachment), and an ordinary reply, which every received
// mail that is no answer pays for.
#include "core/transport/mail_analyzer.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string Bounce(size_t attachmentBytes) {
    std::string m =
        "Return-Path: <>\r\nDate: Thu, 9 Dec 2010 10:00:00 +0900 (JST)\r\n"
        "From: MAILER-DAEMON@mx.example.jp (Mail Delivery System)\r\nTo: news@shop.example.jp\r\n"
        "Subject: Undelivered Mail Returned to Sender\r\nMessage-Id: <20101209010000.A1@mx.example.jp>\r\n"
        "MIME-Version: 1.0\r\nContent-Type: multipart/report; report-type=delivery-status;\r\n"
        "\tboundary=\"B1.mx\"\r\n\r\n"
        "--B1.mx\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n"
        "This is the mail system at host mx.example.jp.\r\n\r\n<nobody@example.jp>: user unknown\r\n\r\n"
        "--B1.mx\r\nContent-Type: message/delivery-status\r\n\r\n"
        "Reporting-MTA: dns; mx.example.jp\r\nFinal-Recipient: rfc822; nobody@example.jp\r\n"
        "Action: failed\r\nStatus: 5.1.1\r\n\r\n"
        "--B1.mx\r\nContent-Type: message/rfc822\r\n\r\n"
        "Message-ID: <1291856400.12345.42@mail.shop.example.jp>\r\nFrom: news@shop.example.jp\r\n"
        "Subject: =?ISO-2022-JP?B?GyRCJCpDTiRpJDsbKEI=?=\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"in\"\r\n\r\n"
        "--in\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\nbody\r\n";
    if (attachmentBytes > 0) {
        m += "--in\r\nContent-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n\r\n";
        const std::string line = "JVBERi0xLjQKJcfsj6IKNSAwIG9iago8PC9MZW5ndGggNiAwIFIvRmlsdGVyIC9GbGF0ZURl\r\n";
        for (size_t n = 0; n < attachmentBytes; n += line.size()) m += line;
    }
    return m + "--in--\r\n\r\n--B1.mx--\r\n";
}

void BM_AnalyseBounce(benchmark::State& state) {
    const std::string text = Bounce(static_cast<size_t>(state.range(0)));
    MailAnalyzer a;
    for (auto _ : state) {
        a.InitMember();
        benchmark::DoNotOptimize(a.MailAnalysis(text));
    }
    if (a.GetMailType() != MailAnalyzer::kBounce) state.SkipWithError("not classified as a bounce");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_AnalyseBounce)->Arg(0)->Arg(5 << 20);

// qmail's layout: the notice, then a copy of the whole message below a marker line.
std::string PlainBounce(size_t attachmentBytes) {
    std::string m =
        "Return-Path: <>\r\nDate: 9 Dec 2010 01:00:00 -0000\r\nFrom: MAILER-DAEMON@mta.example.net\r\n"
        "To: news@shop.example.jp\r\nSubject: failure notice\r\n\r\n"
        "Hi. This is the qmail-send program at mta.example.net.\r\n"
        "I'm afraid I wasn't able to deliver your message to the following addresses.\r\n"
        "This is a permanent error; I've given up. Sorry it didn't work out.\r\n\r\n"
        "<nobody@example.net>:\r\nSorry, no mailbox here by that name. (#5.1.1)\r\n\r\n"
        "--- Below this line is a copy of the message.\r\n\r\n"
        "Return-Path: <news@shop.example.jp>\r\nReceived: (qmail 1234 invoked from network); 9 Dec 2010\r\n"
        "Message-ID: <20101209005959123.00000.42.news@shop.example.jp>\r\nFrom: news@shop.example.jp\r\n"
        "Subject: =?ISO-2022-JP?B?GyRCJCpDTiRpJDsbKEI=?=\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"in\"\r\n\r\n"
        "--in\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\nbody\r\n";
    if (attachmentBytes > 0) {
        m += "--in\r\nContent-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n\r\n";
        const std::string line = "JVBERi0xLjQKJcfsj6IKNSAwIG9iago8PC9MZW5ndGggNiAwIFIvRmlsdGVyIC9GbGF0ZURl\r\n";
        for (size_t n = 0; n < attachmentBytes; n += line.size()) m += line;
    }
    return m + "--in--\r\n";
}

void BM_AnalysePlainBounce(benchmark::State& state) {
    const std::string text = PlainBounce(static_cast<size_t>(state.range(0)));
    MailAnalyzer a;
    for (auto _ : state) {
        a.InitMember();
        benchmark::DoNotOptimize(a.MailAnalysis(text));
    }
    if (a.GetMailType() != MailAnalyzer::kBounce || a.GetOriginalMessageID().empty())
        state.SkipWithError("no bounce with its id");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_AnalysePlainBounce)->Arg(0)->Arg(5 << 20);

void BM_AnalyseOrdinary(benchmark::State& state) {
    const std::string text =
        "Return-Path: <hanako@example.jp>\r\nDate: Tue, 1 Jun 2010 10:00:00 +0900\r\n"
        "From: Hanako <hanako@example.jp>\r\nTo: news@shop.example.jp\r\n"
        "Subject: =?ISO-2022-JP?B?GyRCJCpDTiRpJDsbKEI=?=\r\n"
        "In-Reply-To: <20101209005959123.00000.42.news@shop.example.jp>\r\nMIME-Version: 1.0\r\n"
        "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n\r\n"
        "Thank you for the news.\r\n\r\n> sale\r\n";
    MailAnalyzer a;
    for (auto _ : state) {
        a.InitMember();
        benchmark::DoNotOptimize(a.MailAnalysis(text));
    }
    if (a.GetMailType() != MailAnalyzer::kOrdinary) state.SkipWithError("not classified as ordinary");
}
BENCHMARK(BM_AnalyseOrdinary);

void BM_AnalyseReadReceipt(benchmark::State& state) {
    const std::string text =
        "Date: Tue, 1 Jun 2010 10:00:00 -0500\r\nFrom: reader@example.com\r\nSubject: Read: sale\r\n"
        "MIME-Version: 1.0\r\nContent-Type: multipart/report; report-type=disposition-notification;\r\n"
        " boundary=\"R\"\r\n\r\n--R\r\nContent-Type: text/plain\r\n\r\nYour message was displayed.\r\n\r\n"
        "--R\r\nContent-Type: message/disposition-notification\r\n\r\nReporting-UA: reader.example.com\r\n"
        "Original-Message-ID: <1275400000.55.31@mail.shop.example.jp>\r\n"
        "Disposition: manual-action/MDN-sent-manually; displayed\r\n\r\n--R--\r\n";
    MailAnalyzer a;
    for (auto _ : state) {
        a.InitMember();
        benchmark::DoNotOptimize(a.MailAnalysis(text));
    }
    if (a.GetMailType() != MailAnalyzer::kReadReceipt) state.SkipWithError("not classified as a receipt");
}
BENCHMARK(BM_AnalyseReadReceipt);

}  // namespace
