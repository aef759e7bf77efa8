#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <thread>

#include "app/ui/file_picker.h"
#include "app/ui/gui_bridge.h"
#include "app/ui/prompter.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/type_text.h"
#include "core/foundation/cp932.h"
#include "platform/notifier.h"

namespace {

// Clicks the button labelled `label` of the message box that opens next.
void ClickWhenShown(const QString& label, QString* shownText = nullptr, QString* defaultLabel = nullptr) {
    QTimer::singleShot(0, [=] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            if (shownText) *shownText = box->text();
            if (defaultLabel && box->defaultButton()) *defaultLabel = box->defaultButton()->text();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == label) b->click();
            return;
        }
    });
}

TEST(QtPrompter, ShowsTheTextAndAnswersWithTheButtonPressed) {
    ui::QtPrompter prompter;
    QString shown, def;
    ClickWhenShown(QString::fromUtf8("いいえ(&N)"), &shown, &def);
    int answer = prompter.Show(nullptr, QString::fromUtf8("削除しますか？"), QString::fromUtf8("確認"),
                               platform::kMbYesNo | platform::kMbIconWarning | ui::kMbDefButton2);
    EXPECT_EQ(answer, platform::kIdNo);
    EXPECT_EQ(shown, QString::fromUtf8("削除しますか？"));
    EXPECT_EQ(def, QString::fromUtf8("いいえ(&N)"));

    ClickWhenShown(QString::fromUtf8("キャンセル"));
    EXPECT_EQ(prompter.Show(nullptr, "x", "y", platform::kMbOkCancel), platform::kIdCancel);
}

TEST(Prompter, AWorkerAsksThroughTheGuiThreadAndGetsTheAnswer) {
    ui::test::PromptRecorder recorder;
    recorder.Answer(platform::kIdNo);
    std::atomic<int> answer{0};
    std::thread worker([&] {
        EXPECT_FALSE(ui::OnGuiThread());
        answer = ui::MessageBox(nullptr, "from worker", "c", platform::kMbYesNo);
    });
    ASSERT_TRUE(ui::test::WaitUntil([&] { return answer.load() != 0; }));
    worker.join();
    EXPECT_EQ(answer.load(), platform::kIdNo);
    ASSERT_EQ(recorder.prompts().size(), 1u);
    EXPECT_EQ(recorder.prompts()[0].text, "from worker");
}

TEST(Prompter, TheCoresNoticesArriveConvertedFromShiftJis) {
    ui::test::PromptRecorder recorder;
    ui::InstallCoreNotifier();
    int answer = platform::Notify(Utf8ToSjis("ファイルが見つかりません"), Utf8ToSjis("エラー"),
                                  platform::kMbOk | platform::kMbIconError);
    platform::SetNotifier({});
    EXPECT_EQ(answer, platform::kIdOk);
    ASSERT_EQ(recorder.prompts().size(), 1u);
    EXPECT_EQ(recorder.prompts()[0].text, QString::fromUtf8("ファイルが見つかりません"));
    EXPECT_EQ(recorder.prompts()[0].caption, QString::fromUtf8("エラー"));
}

TEST(FilePicker, FiltersAndExtensions) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"環境ファイル(*.env)|*.env|", "環境ファイル(*.env)"},
        {"CSV|*.csv;*.txt|すべて|*.*||", "CSV (*.csv *.txt);;すべて (*.*)"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ui::ToQtFilter(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
    EXPECT_EQ(ui::WithDefaultExtension("/a/b", "env"), "/a/b.env");
    EXPECT_EQ(ui::WithDefaultExtension("/a/b", ".env"), "/a/b.env");
    EXPECT_EQ(ui::WithDefaultExtension("/a/b.dat", "env"), "/a/b.dat");
}

}  // namespace
