// One recipient's message of a send run, single thread: merge fields filled into subject
// and bodies, the merged texts encoded, and the MIME message written.
//
//  - TextMail: a 5 KB Shift_JIS text with merge fields, sent as ISO-2022-JP 7bit (the text
//    part built as the send run builds it, then parsed into the model).
//  - TextMailMergedByWriter: the same, merged by the writer itself (GetMimeString with the
//    recipient) on a fresh copy of the model, as the test send does.
//  - HtmlMail: text and HTML parts with merge fields, two 50 KB inline images and one
//    200 KB attachment; the images and the attachment are encoded once, before the run.
// Recipients cycle through 1,000 different records.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/foundation/kcode.h"
#include "core/mailstore/attach_file_manager.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/mail_word_insert.h"
#include "core/mailstore/mime_analyze.h"
#include "core/mailstore/mime_decode_tool.h"
#include "core/mailstore/quoted_printable.h"

namespace {

std::vector<OneCustomer> Recipients() {
    std::vector<OneCustomer> out(1000);
    for (int i = 0; i < 1000; ++i) {
        OneCustomer& c = out[i];
        c.CustomerID = i + 1;
        c.Email = "user" + std::to_string(i) + "@example.co.jp";
        c.KanjiSei = Utf8ToSjis(i % 2 ? "山田" : "佐々木");
        c.KanjiMei = Utf8ToSjis(i % 3 ? "太郎" : "花子");
        c.Company = Utf8ToSjis("株式会社サンプル") + std::to_string(i);
        c.Extra[0] = "A-" + std::to_string(i * 7);
        c.EntryDate = platform::DateTime(2024, 1, 1 + i % 28, 9, 0, 0);
    }
    return out;
}

std::string Subject() { return Utf8ToSjis("<%名前(姓)%>様へ 新製品のご案内"); }

// About 5 KB of Japanese text with a merge field every few lines.
std::string TextBody() {
    std::string body = Utf8ToSjis("<%会社名%>\r\n<%名前(姓)%> <%名前(名)%> 様\r\n\r\n");
    const std::string line = Utf8ToSjis("いつもお世話になっております。新製品の価格は１２，８００円です。\r\n");
    const std::string field = Utf8ToSjis("お客様番号：<%個人情報ID%>（<%拡張属性A%>）\r\n");
    for (int i = 0; body.size() < 5000; ++i) body += (i % 8 == 7) ? field : line;
    return body;
}

std::string HtmlBody() {
    std::string html = Utf8ToSjis("<HTML><BODY><P>&lt;%会社名%&gt;<BR>&lt;%名前(姓)%&gt;様</P>");
    const std::string line = Utf8ToSjis("<DIV>新製品のご案内です。<IMG src=\"cid:img1\"></DIV><BR>\r\n");
    while (html.size() < 5000) html += line;
    return html + "</BODY></HTML>";
}

MimeFormatStruct Parsed(const std::string& text) {
    MimeFormatStruct part;
    MimeDecodeTool::MimeDecode(text, part);
    return part;
}

const char* const kTextHeader =
    "Content-Type: text/plain;\r\n\tcharset=iso-2022-jp\r\nContent-Transfer-Encoding: 7bit\r\nMIME-Version: 1.0\r\n\r\n";
const char* const kHtmlHeader =
    "Content-Type: text/html;\r\n\tcharset=iso-2022-jp\r\nContent-Transfer-Encoding: quoted-printable\r\n"
    "MIME-Version: 1.0\r\n\r\n";

std::string Binary(size_t n, int seed) {
    std::string b(n, '\0');
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<char>((i * 131 + seed) >> 3);
    return b;
}

void BM_TextMail(benchmark::State& state) {
    const std::vector<OneCustomer> people = Recipients();
    const std::string subject = Subject(), body = TextBody();
    CMailDataStructure model;
    KCodeC code;
    std::string header, mime;
    size_t n = 0, bytes = 0;
    for (auto _ : state) {
        const OneCustomer& c = people[n++ % people.size()];
        const std::string s = MailWordInsert::GetMailWordInsertForHeader(c, subject);
        const std::string merged = MailWordInsert::GetMailWordInsert(c, body, 0);
        model.SetMIMETextBody(Parsed(kTextHeader + code.sjtojis7(merged, 0)));
        model.GetMimeString(header, mime, 1, nullptr);
        benchmark::DoNotOptimize(s.data());
        bytes += header.size() + mime.size();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_TextMail);

void BM_TextMailMergedByWriter(benchmark::State& state) {
    const std::vector<OneCustomer> people = Recipients();
    CMailDataStructure unmerged;
    unmerged.SetMIMETextBody(Parsed(kTextHeader + KCodeC().sjtojis7(TextBody(), 0)));
    std::string header, mime;
    size_t n = 0;
    for (auto _ : state) {
        CMailDataStructure model = unmerged;
        model.GetMimeString(header, mime, 1, &people[n++ % people.size()]);
        benchmark::DoNotOptimize(mime.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_TextMailMergedByWriter);

void BM_HtmlMail(benchmark::State& state) {
    const std::vector<OneCustomer> people = Recipients();
    const std::string subject = Subject(), text = TextBody(), html = HtmlBody();
    CMimeAnalyze model;
    for (int i = 1; i <= 2; ++i) {
        model.GetRefOfMimeHtmlAttach().push_back(
            Parsed("Content-Type: image/jpeg;\r\n\tname=\"img" + std::to_string(i) +
                   ".jpg\"\r\nContent-Transfer-Encoding: base64\r\nContent-ID: <img" + std::to_string(i) + ">\r\n\r\n" +
                   base64encoding(Binary(50 * 1024, i), 76)));
    }
    model.AddMIMENormalAttach(Parsed(
        "Content-Type: application/pdf;\r\n\tname=\"catalog.pdf\"\r\nContent-Disposition: attachment;\r\n\t"
        "filename=\"catalog.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + base64encoding(Binary(200 * 1024, 9), 76)));
    KCodeC code;
    std::string header, mime;
    size_t n = 0, bytes = 0;
    for (auto _ : state) {
        const OneCustomer& c = people[n++ % people.size()];
        const std::string s = MailWordInsert::GetMailWordInsertForHeader(c, subject);
        model.SetMIMETextBody(Parsed(kTextHeader + code.sjtojis7(MailWordInsert::GetMailWordInsert(c, text, 0), 0)));
        model.SetMIMEHtmlBody(Parsed(
            kHtmlHeader + QuotedPrintableEncode(code.sjtojis7(MailWordInsert::GetMailWordInsert(c, html, 1), 0))));
        model.GetMimeString(header, mime, 1, nullptr);
        benchmark::DoNotOptimize(s.data());
        bytes += header.size() + mime.size();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_HtmlMail);

}  // namespace
