// Width- and case-insensitive searches as an address-book search runs them: one short
// pattern against every field of a million records.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/foundation/cp932.h"
#include "core/foundation/string_utils.h"

namespace {

const std::vector<std::string>& Fields() {
  static const std::vector<std::string> fields = [] {
    std::vector<std::string> f;
    const std::string samples[] = {Utf8ToSjis("山田　太郎"), Utf8ToSjis("ﾔﾏﾀﾞ ﾀﾛｳ"),
                                   "taro.yamada@example.co.jp", Utf8ToSjis("東京都千代田区丸の内１－１"),
                                   Utf8ToSjis("株式会社サンプル　営業部")};
    for (int i = 0; i < 1000000; ++i) f.push_back(samples[i % 5]);
    return f;
  }();
  return fields;
}

void BM_xcstrhzistr_million_fields(benchmark::State& state) {
  const std::string pattern = Utf8ToSjis("ｻﾝﾌﾟﾙ");
  for (auto _ : state) {
    int hits = 0;
    for (const std::string& f : Fields()) hits += xcstrhzistr(f, pattern);
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 1000000);
}
BENCHMARK(BM_xcstrhzistr_million_fields)->Unit(benchmark::kMillisecond);

void BM_xcstrhzstr_million_fields(benchmark::State& state) {
  const std::string pattern = "YAMADA";
  for (auto _ : state) {
    int hits = 0;
    for (const std::string& f : Fields()) hits += xcstrhzstr(f, pattern);
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 1000000);
}
BENCHMARK(BM_xcstrhzstr_million_fields)->Unit(benchmark::kMillisecond);

}  // namespace
