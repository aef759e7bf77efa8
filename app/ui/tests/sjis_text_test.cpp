#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/ui/sjis_text.h"
#include "app/ui/testing/type_text.h"
#include "core/foundation/cp932.h"

namespace {

bool IsLead(int c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(int c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

std::string Pair(int lead, int trail) { return {static_cast<char>(lead), static_cast<char>(trail)}; }

TEST(SjisText, EveryDoubleByteCodeSurvivesTheRoundTrip) {
    int assigned = 0, duplicates = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLead(lead)) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (!IsTrail(trail)) continue;
            std::string code = Pair(lead, trail);
            QString text = ui::FromSjis(code);
            if (text == QString(QChar(0xFFFD))) continue;  // unassigned in CP932
            ++assigned;
            ASSERT_EQ(ui::ToSjis(text), code) << std::hex << lead << trail;
            // Inside other text too, where a joiner must not bind to the neighbour.
            ASSERT_EQ(ui::ToSjis(ui::FromSjis("a" + code + "b")), "a" + code + "b");
            if (text.size() > 1) ++duplicates;
        }
    }
    // 7,915 characters of CP932 plus the 1,880 codes of the user-defined area.
    EXPECT_GT(assigned, 9000);
    EXPECT_GT(duplicates, 350);
}

TEST(SjisText, SingleBytesAndUserDefinedArea) {
    for (int b = 0; b < 0x100; ++b) {
        if (IsLead(b) || b == 0x80 || b == 0xA0 || b >= 0xFD) continue;
        std::string one(1, static_cast<char>(b));
        ASSERT_EQ(ui::ToSjis(ui::FromSjis(one)), one) << b;
    }
    // The user-defined area is the private-use area on screen: both ends of it.
    EXPECT_EQ(ui::FromSjis("\xF0\x40"), QString(QChar(0xE000)));
    EXPECT_EQ(ui::FromSjis("\xF9\xFC"), QString(QChar(0xE757)));
    EXPECT_EQ(ui::ToSjis(QString(QChar(0xE757))), "\xF9\xFC");
}

TEST(SjisText, DuplicateCodesKeepTheirBytesAndReadAsTheSameCharacter) {
    // 髙 (the IBM code 0xFBFC and the NEC-selected 0xEEE0), ∵ (0x81E6, 0x879A, 0xFA5B).
    const std::string ibm = "\xFB\xFC", nec = "\xEE\xE0";
    EXPECT_EQ(ui::FromSjis(ibm).at(0), ui::FromSjis(nec).at(0));
    EXPECT_EQ(ui::FromSjis(ibm).size(), 1);  // the code the converter itself chooses
    EXPECT_EQ(ui::ToSjis(ui::FromSjis(nec)), nec);
    for (const char* c : {"\x81\xE6", "\x87\x9A", "\xFA\x5B"})
        EXPECT_EQ(ui::ToSjis(ui::FromSjis(c)), c);
    // Typed text has no joiner and takes the preferred code; a joiner of its own is dropped.
    EXPECT_EQ(ui::ToSjis(QString::fromUtf8("髙")), ibm);
    EXPECT_EQ(ui::ToSjis(QString::fromUtf8("a\u200Cb")), "ab");
}

TEST(SjisText, BrokenBytesAndCharactersOutsideCp932) {
    EXPECT_EQ(ui::FromSjis("\x82"), QString(QChar(0xFFFD)));
    EXPECT_EQ(ui::FromSjis("\x82" "\n"), QString(QChar(0xFFFD)) + u'\n');
    EXPECT_EQ(ui::ToSjis(QString::fromUtf8("a😀b")), "a b");
    EXPECT_EQ(ui::ToSjis(QString::fromUtf8("한")), " ");
    EXPECT_EQ(ui::SjisLength(QString::fromUtf8("日本語abc")), 9u);
}

TEST(SjisText, AgreesWithTheCoreConverterOnOrdinaryText) {
    const char* text = "株式会社テスト　〒100-0001 東京都千代田区 ｶﾀｶﾅ ①②Ⅲ～－";
    std::string sjis = Utf8ToSjis(text);
    EXPECT_EQ(ui::FromSjis(sjis), QString::fromUtf8(text));
    EXPECT_EQ(ui::ToSjis(QString::fromUtf8(text)), sjis);
}

TEST(SjisText, TextTypedIntoAWidgetCrossesTheBoundary) {
    QLineEdit edit;
    ui::test::TypeText(&edit, "山田 髙橋");
    EXPECT_EQ(ui::ToSjis(edit.text()), Utf8ToSjis("山田 髙橋"));
    // A duplicate code put into the widget comes back with its own bytes.
    edit.setText(ui::FromSjis("\xEE\xE0"));
    EXPECT_EQ(ui::ToSjis(edit.text()), "\xEE\xE0");
}

TEST(SjisText, LineBreaksTypedReachAMultiLineEdit) {
    // Every form of line break is one press of Return: one new line each.
    QPlainTextEdit edit;
    ui::test::TypeText(&edit, "髙橋 様\r\n会員番号\nM1\r\r\nお知らせ");
    EXPECT_EQ(edit.toPlainText(), QString::fromUtf8("髙橋 様\n会員番号\nM1\n\nお知らせ"));
}

TEST(SjisText, PathsAreFileSystemBytes) {
    std::string path = "/tmp/顧客/a.env";  // UTF-8 bytes, as the file system holds them
    EXPECT_EQ(ui::ToPath(ui::FromPath(path)), path);
    EXPECT_EQ(ui::FromPath(path), QString::fromUtf8("/tmp/顧客/a.env"));
    EXPECT_EQ(ui::PathToSjis(path), Utf8ToSjis("/tmp/顧客/a.env"));
}

}  // namespace
