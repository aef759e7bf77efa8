// The body edits' own menu items: map links shown for 1 to 20 links, grayed for none and
// absent past 20; images for at most the first 20; merge fields HTML-escaped in HTML text;
// every insertion undoable and held to the byte limit.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include <memory>

#include "app/compose/map_link_list.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/cp932.h"
#include "core/mailstore/mail_word_insert.h"

namespace htmledit {
namespace {

using compose::MapLinkList;

QAction* Find(QMenu* menu, int id) { return menu->findChild<QAction*>(QStringLiteral("cmd%1").arg(id)); }

int CommandOfTag(const char* utf8Tag) {
    const std::string tag = Utf8ToSjis(utf8Tag);
    for (int row = 0; row < MailWordInsert::kRowCount; ++row) {
        const char* text = MailWordInsert::itsMailInsertDefinition[static_cast<std::size_t>(row)].insertString;
        if (text != nullptr && tag == text) return CMailBodyEdit::kIdFirstMailWord + row;
    }
    return -1;
}

class MailBodyEdit : public ::testing::Test {
protected:
    void SetUp() override { MapLinkList::Get().Clear(); }
    void TearDown() override { MapLinkList::Get().Clear(); }
    static void AddLinks(int count) {
        for (int i = 0; i < count; ++i)
            MapLinkList::Get().Add(Utf8ToSjis("支店" + std::to_string(i)), "http://map.example/?p=" + std::to_string(i));
    }
};

TEST_F(MailBodyEdit, OffersMapLinksOnlyForOneToTwenty) {
    const struct {
        int links;
        bool submenu;
        bool grayedItem;
    } cases[] = {{0, false, true}, {1, true, false}, {20, true, false}, {21, false, false}};
    for (const auto& c : cases) {
        MapLinkList::Get().Clear();
        AddLinks(c.links);
        CMailBodyEdit edit(0);
        std::unique_ptr<QMenu> menu(edit.BuildBodyContextMenu());
        auto* sub = menu->findChild<QMenu*>(QStringLiteral("menuMapLink"));
        EXPECT_EQ(sub != nullptr, c.submenu) << c.links;
        if (sub) {
            EXPECT_EQ(sub->actions().size(), c.links);
            EXPECT_EQ(sub->actions().last()->text(), ui::FromSjis(Utf8ToSjis("支店" + std::to_string(c.links - 1))));
        }
        QAction* grayed = Find(menu.get(), CMailBodyEdit::kIdFirstMapLink);
        EXPECT_EQ(grayed != nullptr && !grayed->isEnabled() && grayed->text() == ui::U8("地図リンク"), c.grayedItem)
            << c.links;
    }
}

TEST_F(MailBodyEdit, InsertsAMapLinkInPlaceOfTheSelectionUndoably) {
    AddLinks(3);
    CMailBodyEdit edit(0);
    edit.SetSjisText(Utf8ToSjis("地図:XX"));
    QTextCursor cursor = edit.textCursor();
    cursor.setPosition(3);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    edit.setTextCursor(cursor);
    std::unique_ptr<QMenu> menu(edit.BuildBodyContextMenu());
    Find(menu.get(), CMailBodyEdit::kIdFirstMapLink + 2)->trigger();
    EXPECT_EQ(edit.GetSjisText(), Utf8ToSjis("地図:http://map.example/?p=2"));
    edit.undo();
    EXPECT_EQ(edit.GetSjisText(), Utf8ToSjis("地図:XX"));
}

TEST_F(MailBodyEdit, WritesMergeFieldsAsHtmlInHtmlText) {
    const int address = CommandOfTag("<%メールアドレス%>");
    ASSERT_GE(address, CMailBodyEdit::kIdFirstMailWord);
    CMailBodyEdit text(0);
    text.InsertMailWord(address);
    EXPECT_EQ(text.GetSjisText(), Utf8ToSjis("<%メールアドレス%>"));
    CMailBodyEdit html(1);
    html.InsertMailWord(address);
    EXPECT_EQ(html.GetSjisText(), Utf8ToSjis("&lt;%メールアドレス%&gt;"));
    // Through the menu the same.
    CMailBodyEditHtml part;
    std::unique_ptr<QMenu> menu(part.BuildBodyContextMenu());
    Find(menu.get(), address)->trigger();
    EXPECT_EQ(part.GetSjisText(), Utf8ToSjis("&lt;%メールアドレス%&gt;"));
}

TEST_F(MailBodyEdit, OffersTheFirstTwentyInlineImages) {
    CMailBodyEditHtml edit;
    {
        std::unique_ptr<QMenu> menu(edit.BuildBodyContextMenu());
        QAction* grayed = Find(menu.get(), CMailBodyEdit::kIdFirstImage);
        ASSERT_NE(grayed, nullptr);
        EXPECT_FALSE(grayed->isEnabled());
        EXPECT_EQ(grayed->text(), ui::U8("画像の挿入"));
    }
    for (int i = 0; i < 25; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "%02d", i);
        edit.AddInlineImage(Utf8ToSjis("写真" + std::to_string(i) + ".jpg"), id);
    }
    std::unique_ptr<QMenu> menu(edit.BuildBodyContextMenu());
    auto* sub = menu->findChild<QMenu*>(QStringLiteral("menuImage"));
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(sub->actions().size(), 20);
    EXPECT_EQ(sub->actions().at(19)->text(), ui::U8("写真19.jpg (cid:19)"));
    EXPECT_EQ(Find(menu.get(), CMailBodyEdit::kIdFirstImage + 20), nullptr);
    sub->actions().at(7)->trigger();
    EXPECT_EQ(edit.GetSjisText(), "<img src=\"cid:07\">");
}

TEST_F(MailBodyEdit, HoldsInsertionsToTheByteLimit) {
    AddLinks(1);
    CMailBodyEditHtml edit;
    edit.AddInlineImage("a.gif", "00");
    edit.SetByteLimit(20);
    edit.SetSjisText("0123456789");
    edit.moveCursor(QTextCursor::End);
    EXPECT_FALSE(edit.InsertImageTag(0));  // 18 bytes more
    EXPECT_FALSE(edit.InsertMapLink(0));   // 24 bytes more
    edit.InsertMergeField(CommandOfTag("<%メールアドレス%>"));
    EXPECT_EQ(edit.GetSjisText(), "0123456789");
    edit.SetByteLimit(28);
    EXPECT_TRUE(edit.InsertImageTag(0));
    EXPECT_EQ(edit.GetByteCount(), 28u);
}

}  // namespace
}  // namespace htmledit
