// The byte-limited Shift_JIS edit: the bytes of untouched text survive (duplicate CP932
// codes and pictograms included), the count always equals the bytes the text reads back
// as, what the user puts in past the limit goes in as far as it fits while the program's
// own insertions are refused whole, and what Shift_JIS cannot hold is left out and named.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <random>

#include "app/compose/sjis_limited_edit.h"
#include "app/ui/sjis_text.h"
#include "app/ui/testing/prompt_recorder.h"
#include "app/ui/testing/type_text.h"

namespace {

using compose::SjisLimitedEdit;

// Characters CP932 holds under two or three codes (NEC row 13 and JIS row 2; the NEC-selected
// IBM rows and the IBM rows), half-width katakana, two pictograms (one drawn as its emoji,
// one, "iモード", as a label), a user-defined character that is no pictogram, CR LF.
const std::string kFixture = std::string("\x87\x90\x81\xE0") + "\xED\x40\xFA\x5C" + "\xEE\xF9\xFA\x54\x81\xCA" +
                             "\xB1\xB2" + "\r\n" + "\xF8\x9F" + "x" + "\xF9\x75" + "\xF0\x40" + "\r\n\r\n" + "end";

// Lets the edit's deferred messages reach the prompter.
void PumpMessages() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

void Paste(SjisLimitedEdit& edit, const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    edit.paste();
}

TEST(SjisLimitedEdit, KeepsTheBytesOfUntouchedText) {
    SjisLimitedEdit edit;
    edit.SetSjisText(kFixture);
    EXPECT_EQ(edit.GetSjisText(), kFixture);
    EXPECT_EQ(edit.GetByteCount(), kFixture.size());

    // Typing at the end and in the middle leaves every other byte as it was.
    edit.moveCursor(QTextCursor::End);
    ui::test::TypeText(&edit, "ね");
    QTextCursor cursor = edit.textCursor();
    cursor.setPosition(edit.PositionOfByteOffset(4));  // after the two ≒
    edit.setTextCursor(cursor);
    ui::test::TypeText(&edit, "z");
    const std::string expected = kFixture.substr(0, 4) + "z" + kFixture.substr(4) + "\x82\xCB";
    EXPECT_EQ(edit.GetSjisText(), expected);
    EXPECT_EQ(edit.GetByteCount(), expected.size());
}

TEST(SjisLimitedEdit, ShowsPictogramsAsObjectsAndCopiesThemAsTheirCharacters) {
    SjisLimitedEdit edit;
    edit.SetSjisText("a\xF8\x9F" "b");
    EXPECT_EQ(edit.document()->toPlainText(), QString::fromUtf16(u"a\uFFFCb"));
    edit.selectAll();
    edit.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf16(u"a\uE63Eb"));

    // Pasted back (into another edit, or typed through an input method) it is a pictogram
    // again, with the same two bytes.
    SjisLimitedEdit other;
    Paste(other, QGuiApplication::clipboard()->text());
    EXPECT_EQ(other.GetSjisText(), "a\xF8\x9F" "b");
    EXPECT_EQ(other.document()->toPlainText(), QString::fromUtf16(u"a\uFFFCb"));
    other.undo();
    EXPECT_EQ(other.GetSjisText(), "");
    other.redo();
    EXPECT_EQ(other.GetSjisText(), "a\xF8\x9F" "b");
}

TEST(SjisLimitedEdit, CountEqualsTheBytesAfterAnyEdits) {
    ui::test::PromptRecorder prompts;
    const QString pool[] = {QStringLiteral("a"), ui::U8("漢"), ui::U8("ｶ"), QString::fromUtf16(u"\uE63E"),
                            QString::fromUtf16(u"\uE6D1"), ui::FromSjis("\xFA\x5C"), ui::U8("😀"), QStringLiteral("\t")};
    std::mt19937 random(20240611);
    SjisLimitedEdit edit;
    edit.SetSjisText(kFixture);
    for (int step = 0; step < 400; ++step) {
        const int op = static_cast<int>(random() % 10);
        const QString& piece = pool[random() % std::size(pool)];
        QTextCursor cursor = edit.textCursor();
        const int length = edit.document()->characterCount() - 1;
        cursor.setPosition(static_cast<int>(random() % (length + 1)));
        if (op == 5 || op == 6) cursor.setPosition(static_cast<int>(random() % (length + 1)), QTextCursor::KeepAnchor);
        edit.setTextCursor(cursor);
        switch (op) {
        case 0: case 1: ui::test::TypeText(&edit, piece); break;
        case 2: QTest::keyClick(&edit, Qt::Key_Return); break;
        case 3: QTest::keyClick(&edit, Qt::Key_Backspace); break;
        case 4: QTest::keyClick(&edit, Qt::Key_Delete); break;
        case 5: edit.InsertText(piece + QStringLiteral("\r\n") + piece + QStringLiteral("\n")); break;
        case 6: Paste(edit, piece + QStringLiteral("\r") + piece); break;
        case 7: edit.undo(); break;
        case 8: edit.redo(); break;
        default:
            if (step % 50 == 9) edit.setPlainText(QStringLiteral("x\ny"));
            else edit.InsertText(piece);
        }
        ASSERT_EQ(edit.GetByteCount(), edit.GetSjisText().size()) << "step " << step << " op " << op;
    }
}

TEST(SjisLimitedEdit, PastesAndCommitsPastTheLimitKeepWhatFitsOwnInsertionsAreRefusedWhole) {
    ui::test::PromptRecorder prompts;
    SjisLimitedEdit edit;
    QSignalSpy refused(&edit, &SjisLimitedEdit::inputRefused);
    edit.SetByteLimit(512);
    edit.SetSjisText(std::string(509, 'a'));
    edit.moveCursor(QTextCursor::End);

    // Two pictograms are 4 bytes: one fits in the 3 left, and the byte after it is free.
    Paste(edit, QString::fromUtf16(u"\uE63E\uE63F"));
    EXPECT_EQ(edit.GetSjisText(), std::string(509, 'a') + "\xF8\x9F");
    EXPECT_EQ(refused.count(), 1);
    // A line break (CR LF) does not fit in one byte and is never halved; "xy" gives "x".
    Paste(edit, QStringLiteral("\nxy"));
    EXPECT_EQ(edit.GetByteCount(), 511u);
    Paste(edit, QStringLiteral("xy"));
    EXPECT_EQ(edit.GetSjisText(), std::string(509, 'a') + "\xF8\x9F" + "x");
    PumpMessages();
    EXPECT_EQ(prompts.texts().size(), 3);
    EXPECT_TRUE(prompts.texts().value(0).contains(ui::U8("半角512文字(全角256文字)"))) << prompts.texts().value(0).toStdString();

    // Full now: a typed character, a line break and an insertion of the program's own are
    // refused whole, with a beep and no message.
    prompts.clear();
    ui::test::TypeText(&edit, "b");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_FALSE(edit.InsertText(QStringLiteral("c")));
    EXPECT_EQ(edit.GetByteCount(), 512u);
    EXPECT_EQ(refused.count(), 6);
    PumpMessages();
    EXPECT_TRUE(prompts.texts().isEmpty());

    // A commit of the input method that passes the limit goes in as far as it fits.
    edit.textCursor().deletePreviousChar();
    edit.textCursor().deletePreviousChar();
    QInputMethodEvent commit;
    commit.setCommitString(ui::U8("漢字"));
    QApplication::sendEvent(&edit, &commit);
    EXPECT_EQ(edit.GetSjisText(), std::string(509, 'a') + ui::ToSjis(ui::U8("漢")));

    // Replacing a selection counts the bytes it frees.
    QTextCursor cursor = edit.textCursor();
    cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, 2);
    edit.setTextCursor(cursor);
    ui::test::TypeText(&edit, "漢字");
    EXPECT_EQ(edit.GetSjisText(), std::string(508, 'a') + ui::ToSjis(ui::U8("漢字")));
}

TEST(SjisLimitedEdit, LeavesOutWhatShiftJisCannotHoldFromEveryKindOfInput) {
    ui::test::PromptRecorder prompts;
    SjisLimitedEdit edit;
    // Typed (a surrogate pair as one key), committed, pasted: each keeps the rest.
    ui::test::TypeText(&edit, "a😀b");
    QInputMethodEvent commit;
    commit.setCommitString(ui::U8("ご案内🎄"));
    QApplication::sendEvent(&edit, &commit);
    Paste(edit, ui::U8("営業部😀①Ⅱ\u00A0x"));
    EXPECT_EQ(edit.GetSjisText(), ui::ToSjis(ui::U8("abご案内営業部①Ⅱ x")));
    EXPECT_EQ(edit.GetByteCount(), edit.GetSjisText().size());
    PumpMessages();
    ASSERT_EQ(prompts.texts().size(), 3);
    EXPECT_TRUE(prompts.texts()[1].contains(ui::U8("「🎄」")));
    EXPECT_EQ(prompts.captions()[0], ui::U8("注意"));
    // Undo takes the paste back as one step.
    edit.undo();
    EXPECT_EQ(edit.GetSjisText(), ui::ToSjis(ui::U8("abご案内")));
}

TEST(SjisLimitedEdit, AOneLineEditTakesTextUpToItsFirstLineBreak) {
    SjisLimitedEdit edit(nullptr, true);
    edit.SetByteLimit(6);
    Paste(edit, ui::U8("件名\r\n本文がとても長い"));
    EXPECT_EQ(edit.GetSjisText(), ui::ToSjis(ui::U8("件名")));
    // The part past the line break does not count against the limit.
    EXPECT_TRUE(edit.InsertText(ui::U8("ab\n") + QString(100, u'x')));
    EXPECT_EQ(edit.GetByteCount(), 6u);
}

TEST(SjisLimitedEdit, ConvertsBetweenByteOffsetsAndPositions) {
    SjisLimitedEdit edit;
    edit.SetSjisText("a\x82\xA0\r\n\xF8\x9F" "b");  // a あ | pictogram b
    const int positions[] = {0, 1, 2, 3, 4, 5};
    const std::size_t offsets[] = {0, 1, 3, 5, 7, 8};
    for (std::size_t i = 0; i < std::size(positions); ++i) {
        EXPECT_EQ(edit.ByteOffsetOf(positions[i]), offsets[i]) << i;
        EXPECT_EQ(edit.PositionOfByteOffset(offsets[i]), positions[i]) << i;
    }
    EXPECT_EQ(edit.PositionOfByteOffset(2), 1);   // inside あ: its start
    EXPECT_EQ(edit.PositionOfByteOffset(4), 2);   // inside the line break: the line's end
    EXPECT_EQ(edit.PositionOfByteOffset(6), 3);   // inside the pictogram
    EXPECT_EQ(edit.PositionOfByteOffset(99), 5);  // past the end: the end
    edit.SetSjisSelection(1, 3);
    std::size_t start = 0, end = 0;
    edit.GetSjisSelection(start, end);
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(end, 3u);
    EXPECT_EQ(edit.textCursor().selectedText(), ui::U8("あ"));
}

TEST(SjisLimitedEdit, WrapsAtTheGivenWidthInsideAWiderControl) {
    SjisLimitedEdit edit;
    edit.resize(700, 200);
    edit.SetWrapWidth(300);
    edit.show();
    const int margins = 2 * qRound(edit.document()->documentMargin());
    EXPECT_EQ(edit.viewport()->width(), 300 + margins);
    edit.resize(800, 200);
    QTest::qWait(10);
    EXPECT_EQ(edit.viewport()->width(), 300 + margins);
    edit.SetWrapWidth(0);
    EXPECT_GT(edit.viewport()->width(), 600);
}

}  // namespace
