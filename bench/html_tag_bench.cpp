// Throughput of the HTML tag scanner on a large HTML mail part (about 200 KB, 6,000 tags),
// the size the HTML pages check on every save and send.
#include "core/mailstore/html_tag.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string LargeHtml() {
    std::string html = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html\"></head><body>";
    for (int i = 0; i < 1000; ++i) {
        html += "<DIV class=\"row\" style=\"color:#333\">Line " + std::to_string(i) +
                " <A href=\"http://example.com/p?id=" + std::to_string(i) + "\">link</A><BR>\r\n";
        html += "<IMG src=\"cid:" + std::to_string(i % 20) + "\" alt=\"Photo " + std::to_string(i) +
                "\" width=120 height=80></DIV>\r\n";
    }
    html += "</body></html>";
    return html;
}

void BM_ExtractHtmlElement(benchmark::State& state) {
    const std::string html = LargeHtml();
    CHtmlElems elems;
    for (auto _ : state) {
        ExtractHtmlElement(html, elems, static_cast<int>(state.range(0)));
        benchmark::DoNotOptimize(elems.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * html.size());
}
BENCHMARK(BM_ExtractHtmlElement)->Arg(0)->Arg(1);

void BM_ReplaceHtmlAttrVal(benchmark::State& state) {
    const std::string html = LargeHtml();
    std::string out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReplaceHtmlAttrVal(html, "img", "src", "cid:7", "cid:07", out));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * html.size());
}
BENCHMARK(BM_ReplaceHtmlAttrVal);

}  // namespace
