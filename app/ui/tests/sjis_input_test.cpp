// What the user puts into an edit against what Shift_JIS can hold: the filter by clusters,
// and the program-wide guard of plain edits (typed, pasted, password, set by the program,
// path edits).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "app/ui/sjis_input.h"
#include "app/ui/sjis_input_guard.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/type_text.h"

namespace {

using ui::U8;

void Pump() {
    for (int i = 0; i < 4; ++i) QApplication::processEvents();
}

TEST(SjisInput, KeepsWhatShiftJisHoldsAndNamesEachClusterLeftOutOnce) {
    struct Case {
        const char* input;
        const char* kept;
        QStringList dropped;
    } cases[] = {
        {"営業部😀①Ⅱ", "営業部①Ⅱ", {U8("😀")}},
        {"ご案内🎄", "ご案内", {U8("🎄")}},
        // Duplicate CP932 characters, half-width kana and a pictogram's private-use character.
        {"∵髙ｶﾞ\uE63E", "∵髙ｶﾞ\uE63E", {}},
        // Clusters go whole: skin tone, keycap (whose "1" goes too), a family joined by ZWJ.
        {"a👍🏽b1️⃣c👨‍👩‍👧d😀", "abcd", {U8("👍🏽"), U8("1️⃣"), U8("👨‍👩‍👧"), U8("😀")}},
        // A variation selector after a kept character goes without a word; foreign spaces
        // become blanks; a character outside CP932 in a script of its own is named.
        {"♪\uFE0F\u00A0x\u2003y한", "♪ x y", {U8("한")}},
        {"\uFFFD", "", {U8("\uFFFD")}},
        // Each once, in the order first met, however often it comes.
        {"们😀a们😀b们👍🏽👍🏽", "ab", {U8("们"), U8("😀"), U8("👍🏽")}},
    };
    for (const Case& c : cases) {
        const ui::KeptInput k = ui::KeepSjisCharacters(U8(c.input));
        EXPECT_EQ(k.text, U8(c.kept)) << c.input;
        EXPECT_EQ(k.dropped, c.dropped) << c.input;
        EXPECT_EQ(ui::FromSjis(ui::ToSjis(k.text)), k.text) << c.input;
    }
}

TEST(SjisInput, MessagesNameTheCharactersAndTheLimit) {
    const QString named = ui::DroppedCharactersMessage({U8("😀"), U8("\u200D"), U8("\u0301")});
    EXPECT_TRUE(named.startsWith(U8("以下の文字はこのソフトでは使用できないため、取り除いて入力しました。")));
    EXPECT_TRUE(named.contains(U8("「😀」「U+200D」「U+0301」"))) << named.toStdString();
    QStringList many;
    for (int i = 0; i < 45; ++i) many << QString(QChar(0xAC00 + i));
    EXPECT_TRUE(ui::DroppedCharactersMessage(many).contains(U8("ほか5文字")));
    EXPECT_FALSE(ui::DroppedCharactersMessage({U8("😀")}, false).contains(U8("😀")));
    EXPECT_TRUE(ui::CutAtLimitMessage(100000).contains(U8("半角100,000文字(全角50,000文字)")));
}

TEST(SjisInputGuard, LineEditsKeepTheRestOfTypedAndPastedTextAndSayWhatWentMissing) {
    ui::test::PromptRecorder prompts;
    QWidget window;
    auto* department = new QLineEdit(&window);
    auto* password = new QLineEdit(&window);
    password->setEchoMode(QLineEdit::Password);
    auto* path = new QLineEdit(&window);
    ui::MarkPathEdit(path);
    for (QLineEdit* e : {department, password, path}) ui::GuardSjisInput(e);

    // The program's own text is never touched, even where Shift_JIS cannot hold it.
    department->setText(U8("営業\uFFFD"));
    Pump();
    EXPECT_EQ(department->text(), U8("営業\uFFFD"));

    department->clear();
    QApplication::clipboard()->setText(U8("営業部😀①Ⅱ"));
    department->paste();
    Pump();
    EXPECT_EQ(department->text(), U8("営業部①Ⅱ"));
    EXPECT_EQ(department->cursorPosition(), 5);
    ASSERT_EQ(prompts.texts().size(), 1);
    EXPECT_TRUE(prompts.texts()[0].contains(U8("「😀」")));
    EXPECT_EQ(prompts.captions()[0], U8("注意"));

    // Typed into the middle: the caret stays after what was kept.
    department->setCursorPosition(2);
    ui::test::TypeText(department, "🎄課");
    Pump();
    EXPECT_EQ(department->text(), U8("営業課部①Ⅱ"));
    EXPECT_EQ(department->cursorPosition(), 3);

    prompts.clear();
    ui::test::TypeText(password, "pa😀ss");
    ui::test::TypeText(path, "/home/データ😀");
    Pump();
    EXPECT_EQ(password->text(), QStringLiteral("pass"));
    ASSERT_EQ(prompts.texts().size(), 1);
    EXPECT_FALSE(prompts.texts()[0].contains(U8("😀")));
    EXPECT_EQ(path->text(), U8("/home/データ😀"));
}

TEST(SjisInputGuard, PlainTextEditsLeaveOutWhatTheUserBroughtInAndUndoItAsOne) {
    ui::test::PromptRecorder prompts;
    QPlainTextEdit signature;
    ui::GuardSjisInput(&signature);
    signature.setPlainText(U8("署名\n"));
    signature.show();
    signature.setFocus();
    ASSERT_TRUE(ui::test::WaitUntil([&] { return signature.hasFocus(); }));
    signature.moveCursor(QTextCursor::End);
    QApplication::clipboard()->setText(U8("株式会社🎄\n①"));
    signature.paste();
    Pump();
    EXPECT_EQ(signature.toPlainText(), U8("署名\n株式会社\n①"));
    EXPECT_EQ(prompts.texts().size(), 1);
    signature.undo();
    EXPECT_EQ(signature.toPlainText(), U8("署名\n"));
}

}  // namespace
