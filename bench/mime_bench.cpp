// Throughput of the MIME codecs and parser: base64 against OpenSSL's block coder on the
// same data, and the parse of a 10 MB message with a base64 attachment.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <random>
#include <string>

#include "core/mailstore/base64.h"
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

}  // namespace
