// Throughput of the MIME codecs and parser: base64 against OpenSSL's block coder on the
// same data, the parse of a 10 MB message with a base64 attachment, and the reading of
// ordinary received mail: many small Japanese messages, headers, parameters and subjects.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <random>
#include <string>

#include "core/foundation/cp932.h"
#include "core/foundation/kcode.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/encoded_word.h"
#include "core/mailstore/mime_decode_tool.h"
#include "core/mailstore/mime_format_struct.h"
#include "core/mailstore/quoted_printable.h"

namespace {

constexpr size_t kDataSize = 1 << 20;

const std::string& Data() {
    static const std::string data = [] {
        std::mt19937 rng(42);
        std::string s(kDataSize, '\0');
        for (char& c : s) c = static_cast<char>(rng() & 0xFF);
        return s;
    }();
    return data;
}

const std::string& Encoded() {
    static const std::string encoded = base64encoding(Data(), -1);
    return encoded;
}

void BM_Base64Encode(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(base64encoding(Data(), -1));
    state.SetBytesProcessed(int64_t(state.iterations()) * kDataSize);
}
BENCHMARK(BM_Base64Encode);

void BM_Base64EncodeLines76(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(base64encoding(Data(), 76));
    state.SetBytesProcessed(int64_t(state.iterations()) * kDataSize);
}
BENCHMARK(BM_Base64EncodeLines76);

void BM_OpenSSL_EVP_EncodeBlock(benchmark::State& state) {
    std::string out(Encoded().size() + 1, '\0');
    for (auto _ : state) {
        const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                      reinterpret_cast<const unsigned char*>(Data().data()),
                                      static_cast<int>(Data().size()));
        benchmark::DoNotOptimize(n);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kDataSize);
}
BENCHMARK(BM_OpenSSL_EVP_EncodeBlock);

// Decoding figures count decoded bytes, like the encoding ones.
void BM_Base64DecodeStrict(benchmark::State& state) {
    std::string out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(base64decoding(out, Encoded()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kDataSize);
}
BENCHMARK(BM_Base64DecodeStrict);

void BM_Base64DecodeLenient(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(normal_base64decoding(Encoded()));
    state.SetBytesProcessed(int64_t(state.iterations()) * kDataSize);
}
BENCHMARK(BM_Base64DecodeLenient);

void BM_OpenSSL_EVP_DecodeBlock(benchmark::State& state) {
    std::string out(Data().size() + 3, '\0');
    for (auto _ : state) {
        const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                      reinterpret_cast<const unsigned char*>(Encoded().data()),
                                      static_cast<int>(Encoded().size()));
        benchmark::DoNotOptimize(n);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kDataSize);
}
BENCHMARK(BM_OpenSSL_EVP_DecodeBlock);

void BM_QuotedPrintableRoundTrip(benchmark::State& state) {
    std::string text;
    while (text.size() < kDataSize) text += "Plain words and \x93\xfa\x96{\x8c\xea text = 1 \r\n";
    for (auto _ : state) benchmark::DoNotOptimize(QuotedPrintableDecode(QuotedPrintableEncode(text)));
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_QuotedPrintableRoundTrip);

// A received mail: text and HTML alternatives and a 10 MB attachment in 76-column lines.
const std::string& BigMessage() {
    static const std::string message = [] {
        std::string data;
        while (data.size() < 10 * kDataSize) data += Data();
        std::string m =
            "From: a@example.com\r\nTo: b@example.jp\r\nSubject: big\r\nMIME-Version: 1.0\r\n"
            "Content-Type: multipart/mixed; boundary=\"mix\"\r\n\r\n"
            "--mix\r\nContent-Type: multipart/alternative; boundary=\"alt\"\r\n\r\n"
            "--alt\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\nhello\r\n"
            "--alt\r\nContent-Type: text/html; charset=utf-8\r\n"
            "Content-Transfer-Encoding: quoted-printable\r\n\r\n<p>hello</p>\r\n--alt--\r\n"
            "--mix\r\nContent-Type: application/octet-stream; name=\"big.bin\"\r\n"
            "Content-Disposition: attachment; filename=\"big.bin\"\r\n"
            "Content-Transfer-Encoding: base64\r\n\r\n";
        m += base64encoding(data, 76);
        m += "\r\n--mix--\r\n";
        return m;
    }();
    return message;
}

void BM_ParseMessage10MB(benchmark::State& state) {
    const std::string& message = BigMessage();
    for (auto _ : state) {
        MimeFormatStruct mail;
        benchmark::DoNotOptimize(MimeDecodeTool::MimeDecode(message, mail));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * message.size());
}
BENCHMARK(BM_ParseMessage10MB)->Unit(benchmark::kMillisecond);

void BM_ParseMessage10MBLfOnly(benchmark::State& state) {
    static const std::string message = [] {
        std::string m;
        for (char c : BigMessage())
            if (c != '\r') m += c;
        return m;
    }();
    for (auto _ : state) {
        MimeFormatStruct mail;
        benchmark::DoNotOptimize(MimeDecodeTool::MimeDecode(message, mail));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * message.size());
}
BENCHMARK(BM_ParseMessage10MBLfOnly)->Unit(benchmark::kMillisecond);

void BM_DecodeAttachment10MB(benchmark::State& state) {
    MimeFormatStruct mail;
    MimeDecodeTool::MimeDecode(BigMessage(), mail);
    const MimeFormatStruct& attachment = mail.subParts[1];
    std::string out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(attachment.GetBodyAfterBase64Decode(out));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * attachment.body.size());
}
BENCHMARK(BM_DecodeAttachment10MB)->Unit(benchmark::kMillisecond);

// One received mail as mail programs write it: a dozen header lines, some folded, an
// encoded subject, and a multipart/alternative of an ISO-2022-JP text and a quoted-printable
// UTF-8 HTML part.
const std::string& OrdinaryMail() {
    static const std::string mail = [] {
        const std::string jis = KCodeC().sjtojis7(Utf8ToSjis("いつもご利用ありがとうございます。\r\n"
                                                             "春の新商品のご案内をお送りします。\r\n"), 0);
        std::string text;
        for (int i = 0; i < 12; ++i) text += jis;
        std::string html = "<html><body>";
        for (int i = 0; i < 12; ++i) html += "<p>=E6=98=A5=E3=81=AE=E6=96=B0=E5=95=86=E5=93=81</p>=\r\n";
        html += "</body></html>\r\n";
        return "Return-Path: <news@example.co.jp>\r\n"
               "Received: from mail.example.co.jp (mail.example.co.jp [192.0.2.1])\r\n"
               "\tby mx.example.jp (Postfix) with ESMTPS id 4Vabc123\r\n"
               "\tfor <user@example.jp>; Mon, 13 May 2024 10:00:00 +0900 (JST)\r\n"
               "Received: from localhost (localhost [127.0.0.1])\r\n\tby mail.example.co.jp; Mon, 13 May 2024\r\n"
               "From: =?ISO-2022-JP?B?GyRCJVUlaSVzJUEhPCU6GyhC?= <news@example.co.jp>\r\n"
               "To: user@example.jp\r\n"
               "Subject: =?ISO-2022-JP?B?GyRCPVUkTj83PiZJSiROJDQwRkZiGyhC?=\r\n"
               " =?UTF-8?B?44CQ6YeN6KaB44CR?=\r\n"
               "Date: Mon, 13 May 2024 10:00:00 +0900\r\n"
               "Message-ID: <20240513100000.12345@mail.example.co.jp>\r\n"
               "MIME-Version: 1.0\r\n"
               "Content-Type: multipart/alternative;\r\n\tboundary=\"----=_Part_123_456.789\"\r\n"
               "X-Mailer: Example Mailer 1.0\r\n\r\n"
               "------=_Part_123_456.789\r\n"
               "Content-Type: text/plain; charset=ISO-2022-JP; format=flowed; delsp=yes\r\n"
               "Content-Transfer-Encoding: 7bit\r\n\r\n" +
               text +
               "\r\n------=_Part_123_456.789\r\n"
               "Content-Type: text/html; charset=\"UTF-8\"\r\n"
               "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
               html + "\r\n------=_Part_123_456.789--\r\n";
    }();
    return mail;
}

// Parsing one ordinary mail and reading what a reader shows of it: the subject and both
// texts in Shift_JIS.
void BM_ReadOrdinaryMail(benchmark::State& state) {
    const std::string& message = OrdinaryMail();
    std::string subject, text, html;
    for (auto _ : state) {
        MimeFormatStruct mail;
        MimeDecodeTool::MimeDecode(message, mail);
        for (const MimeHeaderStruct& h : mail.headerList)
            if (h.name == "Subject") subject = DecodeHeaderTextToSjis(h.value);
        mail.subParts[0].ConvertBodyToCp932String(text);
        mail.subParts[1].ConvertBodyToCp932String(html);
        benchmark::DoNotOptimize(subject.data());
        benchmark::DoNotOptimize(text.data());
        benchmark::DoNotOptimize(html.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * message.size());
}
BENCHMARK(BM_ReadOrdinaryMail);

// Parsing alone, the same mail.
void BM_ParseOrdinaryMail(benchmark::State& state) {
    const std::string& message = OrdinaryMail();
    for (auto _ : state) {
        MimeFormatStruct mail;
        benchmark::DoNotOptimize(MimeDecodeTool::MimeDecode(message, mail));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * message.size());
}
BENCHMARK(BM_ParseOrdinaryMail);

}  // namespace
