#include "app/htmledit/mail_body_edit.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include "app/compose/map_link_list.h"
#include "app/ui/sjis_text.h"
#include "core/mailstore/mail_word_insert.h"

namespace htmledit {
namespace {

// A label as a menu shows it literally ("&" is no mnemonic).
QString MenuText(const QString& label) {
    QString text = label;
    return text.replace(u'&', QStringLiteral("&&"));
}

QAction* AddCommand(QMenu* menu, const QString& text, int id) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setObjectName(QStringLiteral("cmd%1").arg(id));
    return action;
}

}  // namespace

CMailBodyEdit::CMailBodyEdit(int kind, QWidget* parent) : compose::SjisLimitedEdit(parent), kind_(kind) {}

QMenu* CMailBodyEdit::BuildBodyContextMenu(QWidget* parent) {
    QMenu* menu = BuildContextMenu(parent);
    AppendBodyItems(menu);
    return menu;
}

void CMailBodyEdit::ShowContextMenu(const QPoint& globalPos) {
    QMenu* menu = BuildBodyContextMenu(this);
    activateWindow();
    menu->exec(globalPos);
    delete menu;
}

void CMailBodyEdit::AppendBodyItems(QMenu* menu) {
    const compose::MapLinkList& links = compose::MapLinkList::Get();
    const std::size_t count = links.GetCount();
    const QString title = ui::U8("地図リンク");
    if (count == 0) {
        AddCommand(menu, title, kIdFirstMapLink)->setEnabled(false);
        return;
    }
    if (count > static_cast<std::size_t>(kMaxMenuItems)) return;
    QMenu* sub = menu->addMenu(title);
    sub->setObjectName(QStringLiteral("menuMapLink"));
    QPointer<CMailBodyEdit> self(this);
    for (std::size_t i = 0; i < count; ++i) {
        QAction* action = AddCommand(sub, MenuText(ui::FromSjis(links.GetAt(i).first)), kIdFirstMapLink + static_cast<int>(i));
        connect(action, &QAction::triggered, this, [self, i] {
            if (self) self->InsertMapLink(i);
        });
    }
}

bool CMailBodyEdit::InsertMapLink(std::size_t index) {
    const compose::MapLinkList& links = compose::MapLinkList::Get();
    if (index >= links.GetCount()) return false;
    return InsertSjis(links.GetAt(index).second);
}

void CMailBodyEdit::InsertMailWord(int commandId) { InsertMergeField(commandId); }

void CMailBodyEdit::InsertMergeField(int commandId) {
    const int row = commandId - kIdFirstMailWord;
    if (row < 0 || row >= MailWordInsert::kRowCount) return;
    const char* tag = MailWordInsert::itsMailInsertDefinition[static_cast<std::size_t>(row)].insertString;
    if (tag == nullptr || tag[0] == '\0') return;
    std::string text = tag;
    if (kind_ != 0) {
        // "<%X%>" -> "&lt;%X%&gt;": one leading "<" and one trailing ">" become entities.
        if (!text.empty() && text.front() == '<') text.erase(0, 1);
        if (!text.empty() && text.back() == '>') text.pop_back();
        text = "&lt;" + text + "&gt;";
    }
    InsertSjis(text);
}

CMailBodyEditHtml::CMailBodyEditHtml(QWidget* parent) : CMailBodyEdit(1, parent) {}

void CMailBodyEditHtml::AppendBodyItems(QMenu* menu) {
    CMailBodyEdit::AppendBodyItems(menu);
    const QString title = ui::U8("画像の挿入");
    if (images_.empty()) {
        AddCommand(menu, title, kIdFirstImage)->setEnabled(false);
        return;
    }
    QMenu* sub = menu->addMenu(title);
    sub->setObjectName(QStringLiteral("menuImage"));
    QPointer<CMailBodyEditHtml> self(this);
    const std::size_t count = std::min(images_.size(), static_cast<std::size_t>(kMaxMenuItems));
    for (std::size_t i = 0; i < count; ++i) {
        const QString text = QStringLiteral("%1 (cid:%2)").arg(ui::FromSjis(images_[i].first), ui::FromSjis(images_[i].second));
        QAction* action = AddCommand(sub, MenuText(text), kIdFirstImage + static_cast<int>(i));
        connect(action, &QAction::triggered, this, [self, i] {
            if (self) self->InsertImageTag(i);
        });
    }
}

bool CMailBodyEditHtml::InsertImageTag(std::size_t index) {
    if (index >= images_.size()) return false;
    return InsertSjis("<img src=\"cid:" + images_[index].second + "\">");
}

}  // namespace htmledit
