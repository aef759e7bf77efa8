// The mail-text edit: its menu (editing items with their states, the merge fields from the
// field table with the user's attribute names), the tags it inserts, select-all, and the
// one-line form's refusal of line breaks.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include <memory>

#include "app/compose/mail_text_edit.h"
#include "app/sendrecv/tests/mail_dialogs_env.h"

namespace {
namespace mail_text_edit_test {

using compose::CMailTextEdit;
using namespace maildlg;

QStringList Texts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* a : menu->actions()) texts.push_back(a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

QAction* Find(QMenu* menu, int id) { return menu->findChild<QAction*>(QStringLiteral("cmd%1").arg(id)); }

class MailTextEdit : public MailDialogsEnv {
protected:
    void SetUp() override {
        MailDialogsEnv::SetUp();
        ASSERT_EQ(Options().SetSODataToMemoryPinPoint(14, S("趣味&特技")), 0);  // attribute A
        ASSERT_EQ(Options().SetSODataToMemoryPinPoint(33, S("メモ")), 0);       // attribute T
    }
};

TEST_F(MailTextEdit, MenuHoldsEditingItemsAndTheMergeFields) {
    CMailTextEdit edit;
    std::unique_ptr<QMenu> menu(edit.BuildContextMenu());
    EXPECT_EQ(Texts(menu.get()),
              (QStringList{ui::U8("元に戻す(&U)"), "-", ui::U8("切り取り(&T)"), ui::U8("コピー(&C)"), ui::U8("貼り付け(&P)"),
                           ui::U8("削除(&D)"), "-", ui::U8("すべて選択(&A)"), "-", ui::U8("基本属性"), ui::U8("拡張属性")}));
    auto* basic = menu->findChild<QMenu*>(QStringLiteral("menuBasic"));
    auto* extended = menu->findChild<QMenu*>(QStringLiteral("menuExtended"));
    ASSERT_NE(basic, nullptr);
    ASSERT_NE(extended, nullptr);
    // Only fields with a tag: no "DM送付可否", no "削除フラグ".
    EXPECT_EQ(Texts(basic), (QStringList{ui::U8("個人情報ID"), ui::U8("メールアドレス"), ui::U8("名前(姓)"), ui::U8("名前(名)"),
                                         ui::U8("かな(せい)"), ui::U8("かな(めい)"), ui::U8("会社名"), ui::U8("部署名"),
                                         ui::U8("生年月日"), ui::U8("郵便番号"), ui::U8("都道府県"), ui::U8("市区町村"),
                                         ui::U8("番地以下"), ui::U8("電話番号"), ui::U8("FAX番号"), ui::U8("携帯番号"),
                                         ui::U8("登録日時"), ui::U8("更新日時")}));
    ASSERT_EQ(extended->actions().size(), 20);
    // The user's names, an ampersand shown as written.
    EXPECT_EQ(extended->actions().front()->text(), ui::U8("趣味&&特技"));
    EXPECT_EQ(extended->actions().back()->text(), ui::U8("メモ"));
    EXPECT_EQ(extended->actions().back()->data().toInt(), 33047);
}

TEST_F(MailTextEdit, MergeItemsInsertTheirFixedTagsAtTheCaret) {
    CMailTextEdit edit;
    edit.setPlainText(ui::U8("様へ"));
    QTextCursor c = edit.textCursor();
    c.setPosition(0);
    edit.setTextCursor(c);
    std::unique_ptr<QMenu> menu(edit.BuildContextMenu());
    Find(menu.get(), 33002)->trigger();
    EXPECT_EQ(edit.toPlainText(), ui::U8("<%名前(姓)%>様へ"));
    // The extended item named "趣味&特技" inserts attribute A's tag.
    edit.selectAll();
    Find(menu.get(), 33028)->trigger();
    EXPECT_EQ(edit.GetSjisText(), S("<%拡張属性A%>"));
    edit.undo();
    EXPECT_EQ(edit.toPlainText(), ui::U8("<%名前(姓)%>様へ"));
    // A row without a tag inserts nothing.
    edit.InsertMailWord(33021);
    EXPECT_EQ(edit.toPlainText(), ui::U8("<%名前(姓)%>様へ"));
}

TEST_F(MailTextEdit, EditingItemsFollowTheControlsState) {
    CMailTextEdit edit;
    QGuiApplication::clipboard()->clear();
    auto states = [&edit] {
        std::unique_ptr<QMenu> menu(edit.BuildContextMenu());
        QString s;
        for (int id : {CMailTextEdit::kIdEditUndo, CMailTextEdit::kIdEditCut, CMailTextEdit::kIdEditCopy,
                       CMailTextEdit::kIdEditPaste, CMailTextEdit::kIdEditClear, CMailTextEdit::kIdEditSelectAll})
            s += Find(menu.get(), id)->isEnabled() ? u'1' : u'0';
        return s;
    };
    EXPECT_EQ(states(), QStringLiteral("000000"));
    edit.insertPlainText(QStringLiteral("abc"));
    EXPECT_EQ(states(), QStringLiteral("100001"));
    edit.selectAll();
    EXPECT_EQ(states(), QStringLiteral("111011"));
    std::unique_ptr<QMenu> menu(edit.BuildContextMenu());
    Find(menu.get(), CMailTextEdit::kIdEditCopy)->trigger();
    EXPECT_EQ(states(), QStringLiteral("111111"));
    Find(menu.get(), CMailTextEdit::kIdEditClear)->trigger();
    EXPECT_EQ(edit.toPlainText(), QString());
}

TEST_F(MailTextEdit, CtrlASelectsTheWholeBody) {
    CMailTextEdit body;
    body.resize(200, 60);
    body.show();
    QString text;
    for (int i = 0; i < 50; ++i) text += ui::U8("本文の行%1\n").arg(i);
    body.setPlainText(text);
    QTest::keyClick(&body, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(body.textCursor().selectedText().size(), text.size());
}

TEST_F(MailTextEdit, OneLineFormTakesNoLineBreaks) {
    CMailTextEdit subject(nullptr, true);
    subject.show();
    ui::test::TypeText(&subject, "件名");
    QTest::keyClick(&subject, Qt::Key_Return);
    auto* data = new QMimeData;
    data->setText(ui::U8("の続き\r\n二行目"));
    QGuiApplication::clipboard()->setMimeData(data);
    subject.paste();
    EXPECT_EQ(subject.toPlainText(), ui::U8("件名の続き"));
    // A body keeps them.
    CMailTextEdit body;
    body.paste();
    EXPECT_EQ(body.document()->blockCount(), 2);
    EXPECT_TRUE(body.toPlainText().endsWith(ui::U8("二行目")));
}

TEST_F(MailTextEdit, DateGoesInPlaceOfTheSelection) {
    platform::SetClockForTesting([] { return platform::DateTime(2025, 3, 4, 5, 6, 7).ToTimeT(); });
    CMailTextEdit edit;
    edit.setPlainText(QStringLiteral("x"));
    edit.selectAll();
    edit.ExecuteCommand(CMailTextEdit::kIdInsertDate);
    platform::SetClockForTesting({});
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("2025/03/04 05:06:07"));
}

}  // namespace mail_text_edit_test
}  // namespace
