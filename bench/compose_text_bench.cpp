// Throughput of the outgoing text conversions on 10 MB of Japanese mail text with
// pictograms, each beside glibc iconv converting the same text from CP932 to ISO-2022-JP
// in the same run. The counter "x_iconv" is how many times faster than iconv a function is.
//
// iconv cannot write pictograms: each one stops it with EILSEQ, and restarting it there
// costs more than the conversion itself. It is therefore timed on the same text with every
// pictogram replaced by a kanji (its fastest case), which makes the comparison harder for
// the functions measured here, not easier.

#include <benchmark/benchmark.h>
#include <iconv.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "app/mailtext/carrier_text_converter.h"
#include "app/mailtext/header_encoder.h"
#include "core/foundation/cp932.h"

namespace {

using namespace compose;

constexpr std::size_t kTextSize = 10 * 1024 * 1024;

// Sentences of mail to customers' phones; "{}" marks where a pictogram goes.
const char* const kSentences[] = {
    "いつも当店をご利用いただき、誠にありがとうございます{}",
    "本日より夏の大感謝セールを開催いたします。全商品が最大５０％オフ{}",
    "会員様限定のクーポンコードは「ＳＵＭＭＥＲ２０２４」です。",
    "ご来店の際は、この画面をスタッフにお見せください{}",
    "営業時間：午前１０時～午後８時（土日祝は午後９時まで）",
    "お問い合わせは 0120-123-456 または info@example.co.jp まで。",
    "新作のワンピースとサンダルが入荷しました{}数量限定ですのでお早めに！",
    "雨の日ポイント２倍キャンペーン実施中{}",
    "次回のお買い物で使える５００円分のポイントをプレゼント{}",
    "配信停止をご希望の方は、下記のURLから手続きしてください。",
    "http://example.co.jp/m/stop?id=12345",
    "今週末は店内で試食会を行います。皆様のお越しを心よりお待ちしております{}",
    "台風の接近により、一部店舗で営業時間を短縮する場合がございます。",
    "詳しくは公式サイトのお知らせをご覧ください{}",
};

// NTT DoCoMo pictograms as composed: the common ones and a few only NTT DoCoMo has.
const unsigned kPictograms[] = {0xF89F, 0xF8A0, 0xF8A1, 0xF8C4, 0xF8D7, 0xF8E6, 0xF941, 0xF987,
                                0xF991, 0xF995, 0xF9A0, 0xF9B0, 0xF9C6, 0xF9F4, 0xF8A5, 0xF955};

// The mail text: sentences in a seeded order, each "{}" a pictogram (or, without
// pictograms, a kanji of the same size).
std::string MakeMailText(bool pictograms) {
  std::vector<std::string> sentences;
  for (const char* s : kSentences) sentences.push_back(Utf8ToSjis(s));
  std::mt19937 rng(2024);
  std::string out;
  out.reserve(kTextSize + 256);
  while (out.size() < kTextSize) {
    const std::string& s = sentences[rng() % sentences.size()];
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '{' && i + 1 < s.size() && s[i + 1] == '}') {
        const unsigned p = pictograms ? kPictograms[rng() % std::size(kPictograms)] : 0x8AE7;
        out += static_cast<char>(p >> 8);
        out += static_cast<char>(p & 0xFF);
        ++i;
      } else {
        out += s[i];
      }
    }
    out += "\r\n";
  }
  return out;
}

const std::string& MailText() {
  static const std::string text = MakeMailText(true);
  return text;
}

// The same text as one long subject line (the header encoders refuse line breaks).
const std::string& SubjectText() {
  static const std::string text = [] {
    std::string s = MailText();
    s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n'; }), s.end());
    return s;
  }();
  return text;
}

const std::string& MailTextWithoutPictograms() {
  static const std::string text = MakeMailText(false);
  return text;
}

// glibc iconv, CP932 to ISO-2022-JP; a character it cannot write is skipped.
std::size_t Iconv(const std::string& in) {
  iconv_t cd = iconv_open("ISO-2022-JP", "CP932");
  std::string out(in.size() * 3 + 16, '\0');
  char* ip = const_cast<char*>(in.data());
  char* op = out.data();
  std::size_t il = in.size(), ol = out.size();
  while (il > 0 && iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) {
    const std::size_t skip = std::min<std::size_t>(2, il);
    ip += skip;
    il -= skip;
  }
  iconv(cd, nullptr, nullptr, &op, &ol);
  iconv_close(cd);
  return static_cast<std::size_t>(op - out.data());
}

// iconv's seconds for the text, best of three, measured once per run.
double IconvSeconds() {
  static const double seconds = [] {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
      const auto t0 = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(Iconv(MailTextWithoutPictograms()));
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
  }();
  return seconds;
}

template <typename F>
void Run(benchmark::State& state, const std::string& in, F f) {
  const double iconvSeconds = IconvSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  for (auto _ : state) benchmark::DoNotOptimize(f(in));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(in.size()));
  // iconv's time for the text over ours: the speed-up on the same text.
  state.counters["x_iconv"] = iconvSeconds / (seconds / static_cast<double>(state.iterations()));
}

// A converter as the send run calls it: length first, then the conversion into a buffer of
// that size.
template <typename Length, typename Convert>
std::size_t LengthThenConvert(const std::string& in, Length length, Convert convert) {
  static std::string buffer;
  std::size_t n = 0;
  if (!length(in, n)) return 0;
  buffer.resize(n + 1);
  return convert(in, buffer.data(), buffer.size()) ? n : 0;
}

void BM_iconv_cp932_to_iso2022jp(benchmark::State& s) { Run(s, MailTextWithoutPictograms(), Iconv); }

void BM_ConvertSjisToJis(benchmark::State& s) {
  Run(s, MailText(), [](const std::string& t) {
    return LengthThenConvert(
        t, [](const std::string& x, std::size_t& n) { return GetSjisToJisLength(x, n, 1, 1, kJisReplace); },
        [](const std::string& x, char* o, std::size_t n) { return ConvertSjisToJis(x, o, n, 1, 1, kJisReplace); });
  });
}
void BM_ConvertSjisToJis252(benchmark::State& s) {
  Run(s, MailText(), [](const std::string& t) {
    return LengthThenConvert(
        t, [](const std::string& x, std::size_t& n) { return GetSjisToJisLength252(x, n, kPictogramReplace); },
        [](const std::string& x, char* o, std::size_t n) { return ConvertSjisToJis252(x, o, n, kPictogramReplace); });
  });
}
void BM_ConvertSjisToJis200(benchmark::State& s) {
  Run(s, MailText(), [](const std::string& t) {
    return LengthThenConvert(
        t, [](const std::string& x, std::size_t& n) { return GetSjisToJisLength200(x, n, kPictogramReplace); },
        [](const std::string& x, char* o, std::size_t n) { return ConvertSjisToJis200(x, o, n, kPictogramReplace); });
  });
}
void BM_GetSjisToJisLength252(benchmark::State& s) {
  Run(s, MailText(), [](const std::string& t) {
    std::size_t n = 0;
    return GetSjisToJisLength252(t, n, kPictogramReplace) ? n : 0;
  });
}
void BM_HasPictogram_none(benchmark::State& s) {
  // The worst case: a text without pictograms is walked to its end.
  static const std::string plain = MakeMailText(false);
  Run(s, plain, [](const std::string& t) { return HasPictogram(t); });
}
void BM_ConvertPictogramCodes(benchmark::State& s) {
  Run(s, MailText(), [](const std::string& t) {
    std::string out;
    return ConvertPictogramCodes(kCarrierDocomo, t, kCarrierSoftbank, out) ? out.size() : 0;
  });
}
void BM_EncodeHeaderIso2022jp252(benchmark::State& s) {
  Run(s, SubjectText(), [](const std::string& t) {
    std::string out;
    return EncodeHeaderIso2022jp252(t, out, 76, kPictogramReplace) ? out.size() : 0;
  });
}
void BM_EncodeHeaderIso2022jp200(benchmark::State& s) {
  Run(s, SubjectText(), [](const std::string& t) {
    std::string out;
    return EncodeHeaderIso2022jp200(t, out, 76, kPictogramReplace) ? out.size() : 0;
  });
}
void BM_EncodeHeaderShiftJis(benchmark::State& s) {
  Run(s, SubjectText(), [](const std::string& t) {
    std::string out;
    return EncodeHeaderShiftJis(t, out, 76) ? out.size() : 0;
  });
}

}  // namespace

BENCHMARK(BM_iconv_cp932_to_iso2022jp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertSjisToJis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertSjisToJis252)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertSjisToJis200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetSjisToJisLength252)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HasPictogram_none)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertPictogramCodes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeHeaderIso2022jp252)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeHeaderIso2022jp200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeHeaderShiftJis)->Unit(benchmark::kMillisecond);
