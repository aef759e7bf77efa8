// Throughput of the Japanese code conversions on 10 MB of mail-like text, each beside
// glibc iconv doing the same conversion in the same run where iconv has one.

#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>

#include "core/foundation/cp932.h"
#include "core/foundation/kcode.h"

namespace {

// A business-mail paragraph of kanji, kana, full-width signs and ASCII, repeated to 10 MB.
const std::string& SjisText() {
  static const std::string text = [] {
    const std::string paragraph = Utf8ToSjis(
        "いつもお世話になっております。株式会社サンプル営業部の山田太郎です。\r\n"
        "先日ご依頼いただきました資料（２０２４年度版、全３２ページ）を添付いたします。\r\n"
        "ご不明な点がございましたら、info@example.co.jp または 03-1234-5678 まで\r\n"
        "お気軽にお問い合わせください。新商品「カタログ特別号」のご案内も同封しております。\r\n"
        "今後ともどうぞよろしくお願い申し上げます。\r\n\r\n");
    std::string s;
    s.reserve(10 * 1024 * 1024 + paragraph.size());
    while (s.size() < 10 * 1024 * 1024) s += paragraph;
    return s;
  }();
  return text;
}

std::string Iconv(const char* to, const char* from, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  std::string out(in.size() * 4 + 16, '\0');
  char* ip = const_cast<char*>(in.data());
  char* op = out.data();
  size_t il = in.size(), ol = out.size();
  iconv(cd, &ip, &il, &op, &ol);
  iconv(cd, nullptr, nullptr, &op, &ol);  // closing escape of ISO-2022-JP
  iconv_close(cd);
  out.resize(op - out.data());
  return out;
}

const std::string& JisText() { static const std::string t = KCodeC().sjtojis7(SjisText(), 0); return t; }
const std::string& EucText() { static const std::string t = KCodeC().sjtouj(SjisText()); return t; }
const std::string& Utf8Text() { static const std::string t = SjisToUtf8(SjisText()); return t; }

void Bytes(benchmark::State& state, const std::string& in) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(in.size()));
}

template <typename F>
void Run(benchmark::State& state, const std::string& in, F f) {
  for (auto _ : state) benchmark::DoNotOptimize(f(in));
  Bytes(state, in);
}

void RunIconv(benchmark::State& state, const char* to, const char* from, const std::string& in) {
  for (auto _ : state) benchmark::DoNotOptimize(Iconv(to, from, in));
  Bytes(state, in);
}

KCodeC k;

void BM_sjtojis7(benchmark::State& s) { Run(s, SjisText(), [](const std::string& t) { return k.sjtojis7(t, 0).size(); }); }
void BM_iconv_sjis_to_jis(benchmark::State& s) { RunIconv(s, "ISO-2022-JP", "CP932", SjisText()); }
void BM_jis7tosj(benchmark::State& s) { Run(s, JisText(), [](const std::string& t) { return k.jis7tosj(t).size(); }); }
void BM_iconv_jis_to_sjis(benchmark::State& s) { RunIconv(s, "CP932", "ISO-2022-JP", JisText()); }
void BM_sjtojis7_for_header(benchmark::State& s) { Run(s, SjisText(), [](const std::string& t) { return sjtojis7_for_header(t, 0, 30).size(); }); }
void BM_jis7touj(benchmark::State& s) { Run(s, JisText(), [](const std::string& t) { return k.jis7touj(t).size(); }); }
void BM_iconv_jis_to_euc(benchmark::State& s) { RunIconv(s, "EUC-JP", "ISO-2022-JP", JisText()); }
void BM_ujtojis7(benchmark::State& s) { Run(s, EucText(), [](const std::string& t) { return k.ujtojis7(t, 0).size(); }); }
void BM_iconv_euc_to_jis(benchmark::State& s) { RunIconv(s, "ISO-2022-JP", "EUC-JP", EucText()); }
void BM_sjtouj(benchmark::State& s) { Run(s, SjisText(), [](const std::string& t) { return k.sjtouj(t).size(); }); }
void BM_iconv_sjis_to_euc(benchmark::State& s) { RunIconv(s, "EUC-JP", "CP932", SjisText()); }
void BM_ujtosj(benchmark::State& s) { Run(s, EucText(), [](const std::string& t) { return k.ujtosj(t).size(); }); }
void BM_iconv_euc_to_sjis(benchmark::State& s) { RunIconv(s, "CP932", "EUC-JP", EucText()); }
void BM_sjtoutf8(benchmark::State& s) { Run(s, SjisText(), [](const std::string& t) { return KCodeC::sjtoutf8(t).size(); }); }
void BM_iconv_sjis_to_utf8(benchmark::State& s) { RunIconv(s, "UTF-8", "CP932", SjisText()); }
void BM_utf8tosj(benchmark::State& s) { Run(s, Utf8Text(), [](const std::string& t) { return KCodeC::utf8tosj(t).size(); }); }
void BM_iconv_utf8_to_sjis(benchmark::State& s) { RunIconv(s, "CP932", "UTF-8", Utf8Text()); }
void BM_CheckCode_sjis(benchmark::State& s) { Run(s, SjisText(), [](const std::string& t) { return k.CheckCode(t); }); }
void BM_CheckCode_euc(benchmark::State& s) { Run(s, EucText(), [](const std::string& t) { return k.CheckCode(t); }); }

}  // namespace

BENCHMARK(BM_sjtojis7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_iconv_sjis_to_jis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_jis7tosj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_iconv_jis_to_sjis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_sjtojis7_for_header)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_jis7touj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_iconv_jis_to_euc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ujtojis7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_iconv_euc_to_jis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_sjtouj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_iconv_sjis_to_euc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ujtosj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_iconv_euc_to_sjis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_sjtoutf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_iconv_sjis_to_utf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_utf8tosj)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_iconv_utf8_to_sjis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckCode_sjis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckCode_euc)->Unit(benchmark::kMillisecond);
