// Per-record costs of the checks and date readings that imports and history reads run
// once per row (up to a million rows).

#include <benchmark/benchmark.h>

#include <string>

#include "core/foundation/date_utils.h"
#include "core/foundation/md5.h"
#include "core/foundation/validation.h"

namespace {

void BM_MailAddressChecker(benchmark::State& state) {
    const std::string address = "taro.yamada+news@mail.example.co.jp";
    for (auto _ : state) benchmark::DoNotOptimize(MailAddressChecker(address));
}
BENCHMARK(BM_MailAddressChecker);

void BM_CheckMailBodyCharacterCode(benchmark::State& state) {
    // A 4 KB body of mixed ASCII and two-byte text.
    std::string body;
    while (body.size() < 4096) body += "Hello \x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd world.\r\n";
    for (auto _ : state) {
        int h, d, v;
        benchmark::DoNotOptimize(CheckMailBodyCharacterCode(body, h, d, v));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(body.size()));
}
BENCHMARK(BM_CheckMailBodyCharacterCode);

void BM_ReFormatDateData(benchmark::State& state) {
    char out[kDateTextBufferSize];
    for (auto _ : state) benchmark::DoNotOptimize(ReFormat_DateData("2024/1/2 3:4:5", out, 0));
}
BENCHMARK(BM_ReFormatDateData);

void BM_ConvertDateData(benchmark::State& state) {
    const std::string text = "2024/01/02 03:04:05";
    for (auto _ : state) benchmark::DoNotOptimize(Convert_DateData2COleDateTime(text));
}
BENCHMARK(BM_ConvertDateData);

void BM_ConvertDateTimeFormat(benchmark::State& state) {
    platform::DateTime v;
    for (auto _ : state) benchmark::DoNotOptimize(ConvertDateTimeFormat("Mon, 1 Jan 2024 00:00:00 +0900", v));
}
BENCHMARK(BM_ConvertDateTimeFormat);

void BM_Md5(benchmark::State& state) {
    const std::string data(static_cast<size_t>(state.range(0)), 'a');
    for (auto _ : state) benchmark::DoNotOptimize(XCMD5Encoder(std::string_view(data)));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Md5)->Arg(64)->Arg(1 << 20);

}  // namespace
