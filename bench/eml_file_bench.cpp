// Writing and reading a stored mail file with a large Japanese HTML part (about 100 KB of
// Shift_JIS HTML, the largest HTML part the PC pages accept).
#include "core/foundation/cp932.h"
#include "core/mailstore/eml_file_decoder.h"
#include "core/mailstore/eml_file_encoder.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string LargeHtml() {
    std::string html = Utf8ToSjis("<HTML><HEAD><META http-equiv=Content-Type content=\"text/html; "
                                  "charset=shift_jis\"></HEAD><BODY>");
    const std::string line = Utf8ToSjis("<DIV>新製品のご案内です。価格は<B>１２，８００円</B>です。</DIV><BR>");
    while (html.size() < 100000) html += line;
    return html + "</BODY></HTML>";
}

void BM_EmlEncode(benchmark::State& state) {
    const std::string html = LargeHtml();
    EmlFileEncoder enc;
    enc.SetEmlSubject(Utf8ToSjis("新製品発表会のご案内"));
    enc.SetEmlPlainTextBody(Utf8ToSjis("新製品のご案内です。"));
    enc.SetEmlHtmlTextBody(html);
    std::string eml;
    for (auto _ : state) benchmark::DoNotOptimize(enc.EmlEncode(eml));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * html.size());
}
BENCHMARK(BM_EmlEncode);

void BM_EmlDecode(benchmark::State& state) {
    EmlFileEncoder enc;
    enc.SetEmlSubject(Utf8ToSjis("新製品発表会のご案内"));
    enc.SetEmlPlainTextBody(Utf8ToSjis("新製品のご案内です。"));
    enc.SetEmlHtmlTextBody(LargeHtml());
    std::string eml;
    enc.EmlEncode(eml);
    for (auto _ : state) {
        EmlFileDecoder dec;
        benchmark::DoNotOptimize(dec.EmlDecode(eml));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * eml.size());
}
BENCHMARK(BM_EmlDecode);

}  // namespace
