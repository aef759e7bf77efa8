// The Shift_JIS input filter on a large paste: what runs on the GUI thread when a person
// pastes 100,000 characters into any edit of the program (the guarded edits and the mail
// edits both filter through KeepSjisCharacters).
//
//   BM_PasteLacking/distinct:N  100,000 characters Shift_JIS lacks (simplified Chinese
//                               and emoji), N different ones among them (at most the
//                               14,390 there are), each named once in the message.
//                               Target: under 100 ms for any N, so the cost follows the
//                               paste's length, not the square of the characters left
//                               out (a search of the list per character took 3.2 s for
//                               all of them). Counter: dropped, the characters named.
//   BM_PasteMixed               100,000 characters of Japanese text with one Chinese
//                               character or emoji in every ten (the everyday case of
//                               text copied from a web page).
//   BM_PasteKept                100,000 Japanese characters, all kept: the quick path.

#include <benchmark/benchmark.h>

#include <QString>

#include <algorithm>
#include <vector>

#include "app/ui/sjis_input.h"
#include "app/ui/sjis_text.h"

namespace {

constexpr int kPasteLength = 100000;

// Characters Shift_JIS lacks: the unified ideographs without a CP932 code (most of them
// simplified Chinese), then the emoji of the Emoticons block.
const std::vector<char32_t>& Lacking() {
    static const std::vector<char32_t> all = [] {
        std::vector<char32_t> out;
        for (char32_t c = 0x4E00; c <= 0x9FFF; ++c)
            if (!ui::IsSjisCharacter(c)) out.push_back(c);
        for (char32_t c = 0x1F600; c <= 0x1F64F; ++c) out.push_back(c);
        return out;
    }();
    return all;
}

QString LackingPaste(std::size_t distinct) {
    const std::vector<char32_t>& lacking = Lacking();
    QString text;
    for (int i = 0; i < kPasteLength; ++i) {
        const char32_t c = lacking[static_cast<std::size_t>(i) % distinct];
        text += QString::fromUcs4(&c, 1);
    }
    return text;
}

void BM_PasteLacking(benchmark::State& state) {
    const std::size_t distinct = std::min(static_cast<std::size_t>(state.range(0)), Lacking().size());
    const QString paste = LackingPaste(distinct);
    qsizetype dropped = 0;
    for (auto _ : state) {
        const ui::KeptInput kept = ui::KeepSjisCharacters(paste);
        dropped = kept.dropped.size();
        benchmark::DoNotOptimize(kept.text.size());
    }
    state.counters["dropped"] = static_cast<double>(dropped);
}
BENCHMARK(BM_PasteLacking)->ArgName("distinct")->Arg(100)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_PasteMixed(benchmark::State& state) {
    const QString japanese = QString::fromUtf8("いつもご利用いただきありがとうございます本日");
    const std::vector<char32_t>& lacking = Lacking();
    QString paste;
    for (int i = 0; paste.size() < kPasteLength; ++i) {
        if (i % 10 == 9) {
            const char32_t c = lacking[static_cast<std::size_t>(i) % lacking.size()];
            paste += QString::fromUcs4(&c, 1);
        } else {
            paste += japanese.at(i % japanese.size());
        }
    }
    for (auto _ : state) benchmark::DoNotOptimize(ui::KeepSjisCharacters(paste).text.size());
}
BENCHMARK(BM_PasteMixed)->Unit(benchmark::kMillisecond);

void BM_PasteKept(benchmark::State& state) {
    const QString japanese = QString::fromUtf8("いつもご利用いただきありがとうございます。");
    QString paste;
    while (paste.size() < kPasteLength) paste += japanese;
    for (auto _ : state) benchmark::DoNotOptimize(ui::KeepSjisCharacters(paste).text.size());
}
BENCHMARK(BM_PasteKept)->Unit(benchmark::kMillisecond);

}  // namespace
