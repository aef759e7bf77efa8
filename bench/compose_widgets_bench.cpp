// Typing into a large mail body: a body edit of 500 KB (lines of about 80 bytes, Japanese
// text with a pictogram in every tenth line, CR LF), shown offscreen at 640 x 480 and
// wrapping at 580 pixels at any character, as the text pages show it.
//
//   BM_TypeKeystroke/limit:N  one typed character in the middle of the body, from the key
//                             event to the repaint done, with the byte limit N checked
//                             before the character goes in (0: no limit). Target: under
//                             5 ms each. Counters: bytes, the body's size as counted;
//                             slowest_ms, the slowest keystroke.
//   BM_TypeEnter              a line break typed in the middle of the body (a new line).
//   BM_WholeTextConversion    for comparison: converting the whole body to Shift_JIS once,
//                             which a count that re-converted on every keystroke would pay.
//   BM_LoadBody, BM_ReadBody  setting the 500 KB body into the edit and reading it back as
//                             Shift_JIS (once per page load and save).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/compose/wrap_ruler.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/ui/font_layer.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/cp932.h"

namespace {

constexpr std::size_t kBodyBytes = 500 * 1024;

std::string MakeBody() {
    const std::string line = Utf8ToSjis("いつもご利用いただきありがとうございます。今月のおすすめ商品のご案内です。");
    const std::string pictogramLine = Utf8ToSjis("本日は晴れ") + "\xF8\x9F" + Utf8ToSjis("、週末のセールもお見逃しなく") + "\xF9\x9B";
    std::string body;
    body.reserve(kBodyBytes + 200);
    for (int n = 0; body.size() < kBodyBytes; ++n) {
        body += (n % 10 == 9) ? pictogramLine : line;
        body += "\r\n";
    }
    return body;
}

class Bench {
public:
    static Bench& Get() {
        static Bench bench;
        return bench;
    }
    htmledit::CMailBodyEdit& Edit() { return *edit_; }
    const std::string& Body() const { return body_; }

    void Load() {
        edit_->SetSjisText(body_);
        QTextCursor cursor = edit_->textCursor();
        cursor.setPosition(edit_->document()->findBlockByNumber(edit_->document()->blockCount() / 2).position() + 10);
        edit_->setTextCursor(cursor);
        QApplication::processEvents();
    }

private:
    Bench() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "compose_widgets_bench";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        ui::InstallProgramFonts();
        body_ = MakeBody();
        edit_ = std::make_unique<htmledit::CMailBodyEdit>(0);
        edit_->resize(640, 480);
        compose::NoWordBreakProc(edit_.get());
        edit_->SetWrapWidth(580);
        edit_->show();
        Load();
    }
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<htmledit::CMailBodyEdit> edit_;
    std::string body_;
};

double TypeOne(htmledit::CMailBodyEdit& edit, int key, const QString& text) {
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&edit, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(&edit, &release);
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void BM_TypeKeystroke(benchmark::State& state) {
    Bench& bench = Bench::Get();
    bench.Load();
    auto& edit = bench.Edit();
    edit.SetByteLimit(static_cast<std::size_t>(state.range(0)));
    const QString characters = ui::U8("あいうえおかきくけこ");
    int i = 0;
    double slowest = 0;
    for (auto _ : state) {
        const double seconds = TypeOne(edit, Qt::Key_unknown, characters.mid(i++ % 10, 1));
        slowest = std::max(slowest, seconds);
        state.SetIterationTime(seconds);
    }
    edit.SetByteLimit(0);
    state.counters["slowest_ms"] = slowest * 1000;
    if (edit.GetByteCount() != edit.GetSjisText().size()) state.SkipWithError("the count went wrong");
    state.counters["bytes"] = static_cast<double>(edit.GetByteCount());
}
BENCHMARK(BM_TypeKeystroke)->ArgName("limit")->Arg(0)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(300);

void BM_TypeEnter(benchmark::State& state) {
    Bench& bench = Bench::Get();
    bench.Load();
    for (auto _ : state) state.SetIterationTime(TypeOne(bench.Edit(), Qt::Key_Return, QStringLiteral("\r")));
}
BENCHMARK(BM_TypeEnter)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

void BM_WholeTextConversion(benchmark::State& state) {
    Bench& bench = Bench::Get();
    bench.Load();
    const QString text = bench.Edit().toPlainText();
    for (auto _ : state) benchmark::DoNotOptimize(ui::SjisLength(text));
}
BENCHMARK(BM_WholeTextConversion)->Unit(benchmark::kMillisecond);

void BM_LoadBody(benchmark::State& state) {
    Bench& bench = Bench::Get();
    for (auto _ : state) bench.Edit().SetSjisText(bench.Body());
    bench.Load();
}
BENCHMARK(BM_LoadBody)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadBody(benchmark::State& state) {
    Bench& bench = Bench::Get();
    bench.Load();
    for (auto _ : state) benchmark::DoNotOptimize(bench.Edit().GetSjisText());
    if (bench.Edit().GetSjisText() != bench.Body()) state.SkipWithError("the body changed on its way through the edit");
}
BENCHMARK(BM_ReadBody)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
