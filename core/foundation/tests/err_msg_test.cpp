#include "core/foundation/err_msg.h"

#include <gtest/gtest.h>

#include <set>

#include "core/foundation/cp932.h"

namespace {
std::string Sjis(const char* utf8) { return Utf8ToSjis(utf8); }
}  // namespace

TEST(CErrMsg, NewObjectIsNormal) {
    CErrMsg e;
    EXPECT_EQ(e.GetLastCode(), 0);
    EXPECT_EQ(e.GetLastMsg(), Sjis("正常"));
}

TEST(CErrMsg, DefinedAndUndefinedCodes) {
    CErrMsg e;
    EXPECT_EQ(e.SetErr(4201), 1);
    EXPECT_EQ(e.GetLastCode(), 4201);
    EXPECT_EQ(e.GetLastMsg(), Sjis("システム設定データファイルが存在しません"));

    EXPECT_EQ(e.SetErr(2, "/env/DB/database.dat"), 1);
    EXPECT_EQ(e.GetLastMsg(), Sjis("ファイルが見つかりません：\r\n/env/DB/database.dat"));

    // Unknown code: the code is kept with code 1's text.
    EXPECT_EQ(e.SetErr(4242), 0);
    EXPECT_EQ(e.GetLastCode(), 4242);
    EXPECT_EQ(e.GetLastMsg(), Sjis("エラーコードに対応付けられたメッセージが見つかりません"));

    EXPECT_EQ(e.SetErr(-1), 1);
    EXPECT_EQ(e.GetLastCode(), -1);
    EXPECT_EQ(e.GetLastMsg(), "");

    std::string out;
    EXPECT_EQ(CErrMsg::GetErrMsgFromDefined(2104, out), 1);
    EXPECT_EQ(out, Sjis("送信サーバーの準備が出来ていません.\r\n[%s]"));
    EXPECT_EQ(CErrMsg::GetErrMsgFromDefined(99999, out), 0);
    EXPECT_EQ(out, Sjis("エラーコードに対応付けられたメッセージが見つかりません"));

    EXPECT_EQ(e.Clear(), 1);
    EXPECT_EQ(e.GetLastCode(), 0);
    EXPECT_EQ(e.GetLastMsg(), Sjis("正常"));

    CErrMsg constructed(5999);
    EXPECT_EQ(constructed.GetLastMsg(), Sjis("予期せぬエラーが発生しました"));
    CErrMsg copy(constructed);
    EXPECT_EQ(copy.GetLastCode(), 5999);
    CErrMsg target;
    CErrMsg::Copy(target, constructed);
    EXPECT_EQ(target.GetLastMsg(), constructed.GetLastMsg());
}

TEST(CErrMsg, FormattingIsTypeSafe) {
    CErrMsg e;
    // A missing argument reads as an empty text, extra arguments are ignored.
    EXPECT_EQ(e.SetErr(2), 1);
    EXPECT_EQ(e.GetLastMsg(), Sjis("ファイルが見つかりません：\r\n"));
    EXPECT_EQ(e.SetErr(2, "a", "b", 3), 1);
    EXPECT_EQ(e.GetLastMsg(), Sjis("ファイルが見つかりません：\r\na"));
    // A number for a text placeholder, and a "%" inside an argument, stay harmless.
    EXPECT_EQ(e.SetErr(16007, 550), 1);
    EXPECT_EQ(e.GetLastMsg(), Sjis("ログインに失敗しました\r\n550"));
    EXPECT_EQ(e.SetErr(16007, "-ERR 100%s %n"), 1);
    EXPECT_EQ(e.GetLastMsg(), Sjis("ログインに失敗しました\r\n-ERR 100%s %n"));

    // SetErrS takes one text literally; with arguments it formats.
    EXPECT_EQ(e.SetErrS(2109, "disk 100% full %s %d %n"), 1);
    EXPECT_EQ(e.GetLastCode(), 2109);
    EXPECT_EQ(e.GetLastMsg(), "disk 100% full %s %d %n");
    EXPECT_EQ(e.SetErrS(7, "%s=%d (%5.1f) %%", "x", 42, 2.25), 1);
    EXPECT_EQ(e.GetLastMsg(), "x=42 (  2.2) %");
    EXPECT_EQ(e.SetErrS(7, "%s and %s", "only one"), 1);
    EXPECT_EQ(e.GetLastMsg(), "only one and ");
    EXPECT_EQ(e.SetErrS(7, static_cast<const char*>(nullptr)), 1);
    EXPECT_EQ(e.GetLastMsg(), "");
}

TEST(CErrMsg, TableIsWellFormed) {
    std::set<int> seen;
    bool endMark = false;
    for (const auto& entry : CErrMsg::itsErrCodeMsgArray) {
        if (entry.code == -1) {
            endMark = true;
            continue;
        }
        if (entry.message == nullptr) continue;
        EXPECT_FALSE(endMark) << "defined code " << entry.code << " after the end mark";
        EXPECT_TRUE(seen.insert(entry.code).second) << "code " << entry.code << " twice";
        // Every message converts to Shift_JIS without a lost character.
        EXPECT_EQ(SjisToUtf8(Utf8ToSjis(entry.message)), entry.message) << entry.code;
    }
    EXPECT_TRUE(endMark);
    for (int code : {0, 1, 2, 3, 4207, 9024, 10999, 13999, 14001, 16013}) EXPECT_TRUE(seen.count(code)) << code;
}
