#include "app/compose/mail_text_edit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "app/environment/environment_service.h"
#include "app/ui/sjis_input.h"
#include "app/ui/sjis_input_guard.h"
#include "app/ui/sjis_text.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/mail_word_insert.h"
#include "platform/date_time.h"

namespace compose {

namespace {

struct MenuItem {
    int id;  // 0: a separator
    const char* text;
};
// Menu 138's own items.
constexpr MenuItem kEditItems[] = {
    {CMailTextEdit::kIdEditUndo, "元に戻す(&U)"}, {0, nullptr},
    {CMailTextEdit::kIdEditCut, "切り取り(&T)"},  {CMailTextEdit::kIdEditCopy, "コピー(&C)"},
    {CMailTextEdit::kIdEditPaste, "貼り付け(&P)"}, {CMailTextEdit::kIdEditClear, "削除(&D)"},
    {0, nullptr},                                  {CMailTextEdit::kIdEditSelectAll, "すべて選択(&A)"},
    {0, nullptr},
};

// A label as a menu shows it literally ("&" is no mnemonic).
QString MenuText(const QString& label) {
    QString text = label;
    return text.replace(u'&', QStringLiteral("&&"));
}

// The tag merge command `id` inserts, or null when it inserts nothing.
const char* TagOf(int id) {
    const int row = id - CMailTextEdit::kIdFirstMailWord;
    if (row < 0 || row >= MailWordInsert::kRowCount) return nullptr;
    const WORD_INSERT_STRUCT& entry = MailWordInsert::itsMailInsertDefinition[static_cast<std::size_t>(row)];
    return entry.insertString != nullptr && entry.insertString[0] != '\0' ? entry.insertString : nullptr;
}

}  // namespace

CMailTextEdit::CMailTextEdit(QWidget* parent, bool singleLine) : QPlainTextEdit(parent), singleLine_(singleLine) {
    ui::MarkFiltersOwnInput(this);
    if (singleLine_) {
        setLineWrapMode(QPlainTextEdit::NoWrap);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setTabChangesFocus(true);
        const int frame = 2 * frameWidth() + static_cast<int>(2 * document()->documentMargin());
        setFixedHeight(fontMetrics().height() + frame);
    }
}

std::string CMailTextEdit::GetSjisText() const { return ui::ToSjis(toPlainText()); }

void CMailTextEdit::SetSjisText(std::string_view sjis) { setPlainText(ui::FromSjis(sjis)); }

// ---- The menu -------------------------------------------------------------------------------

QMenu* CMailTextEdit::BuildContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent != nullptr ? parent : this);
    menu->setObjectName(QStringLiteral("menu138"));
    QPointer<CMailTextEdit> self(this);
    for (const MenuItem& item : kEditItems) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(ui::U8(item.text));
        action->setData(item.id);
        action->setObjectName(QStringLiteral("cmd%1").arg(item.id));
        const int id = item.id;
        connect(action, &QAction::triggered, this, [self, id] {
            if (self) self->ExecuteCommand(id);
        });
    }
    UpdateEditMenu(menu);
    BuildInsertMenu(menu);
    return menu;
}

void CMailTextEdit::ShowContextMenu(const QPoint& globalPos) {
    QMenu* menu = BuildContextMenu(this);
    activateWindow();
    menu->exec(globalPos);
    delete menu;
}

void CMailTextEdit::UpdateEditMenu(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        bool ok = false;
        const int id = action->data().toInt(&ok);
        if (ok && id >= kIdEditClear && id <= kIdEditUndo) action->setEnabled(IsCommandEnabled(id));
    }
}

void CMailTextEdit::BuildInsertMenu(QMenu* menu) {
    QMenu* basic = menu->addMenu(ui::U8("基本属性"));
    basic->setObjectName(QStringLiteral("menuBasic"));
    QMenu* extended = menu->addMenu(ui::U8("拡張属性"));
    extended->setObjectName(QStringLiteral("menuExtended"));
    SystemOption* options = shell::GetSystemOption();
    QPointer<CMailTextEdit> self(this);
    for (int row = 0; row < MailWordInsert::kRowCount; ++row) {
        const WORD_INSERT_STRUCT& entry = MailWordInsert::itsMailInsertDefinition[static_cast<std::size_t>(row)];
        if (entry.insertString == nullptr) break;
        if (entry.insertString[0] == '\0') continue;
        const bool isExtended = row >= kFirstExtendedRow && row <= kLastExtendedRow;
        std::string label = entry.menuString != nullptr ? entry.menuString : "";
        if (isExtended) {
            label.clear();
            if (options != nullptr) options->GetSODataFromMemoryPinPoint(row - kExtendedNameOffset, label);
        }
        QAction* action = (isExtended ? extended : basic)->addAction(MenuText(ui::FromSjis(label)));
        const int id = kIdFirstMailWord + row;
        action->setData(id);
        action->setObjectName(QStringLiteral("cmd%1").arg(id));
        connect(action, &QAction::triggered, this, [self, id] {
            if (self) self->InsertMailWord(id);
        });
    }
}

void CMailTextEdit::InsertMailWord(int commandId) {
    if (const char* tag = TagOf(commandId)) textCursor().insertText(ui::FromSjis(tag));
}

// ---- Commands ---------------------------------------------------------------------------

bool CMailTextEdit::IsCommandEnabled(int commandId) const {
    switch (commandId) {
    case kIdEditUndo: return document()->isUndoAvailable();
    case kIdEditCut:
    case kIdEditCopy:
    case kIdEditClear: return textCursor().hasSelection();
    case kIdEditPaste: {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return data != nullptr && data->hasText();
    }
    case kIdEditSelectAll: return !document()->isEmpty();
    default: return true;
    }
}

void CMailTextEdit::ExecuteCommand(int commandId) {
    switch (commandId) {
    case kIdEditUndo: undo(); break;
    case kIdEditCut: cut(); break;
    case kIdEditCopy: copy(); break;
    case kIdEditPaste: paste(); break;
    case kIdEditClear: textCursor().removeSelectedText(); break;
    case kIdEditSelectAll: SelectAllText(); break;
    case kIdInsertDate: InsertDate(); break;
    default:
        if (commandId >= kIdFirstMailWord && commandId <= kIdLastMailWord) InsertMailWord(commandId);
        break;
    }
}

void CMailTextEdit::SelectAllText() {
    selectAll();
    ensureCursorVisible();
}

void CMailTextEdit::InsertDate() {
    textCursor().insertText(QString::fromLatin1(platform::DateTime::GetCurrentTime().Format("%Y/%m/%d %H:%M:%S")));
}

// ---- Events ---------------------------------------------------------------------------------

void CMailTextEdit::contextMenuEvent(QContextMenuEvent* event) { ShowContextMenu(event->globalPos()); }

void CMailTextEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_A && (event->modifiers() & Qt::ControlModifier)) {
        SelectAllText();
        return;
    }
    if (singleLine_ && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // A one-line edit takes no line break: Enter belongs to the dialog's default button.
        event->ignore();
        return;
    }
    const QString typed = event->text();
    if (!isReadOnly() && !typed.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) &&
        ui::KeepSjisCharacters(typed).text != typed) {
        TakeInput(typed);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CMailTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (commit.isEmpty() || isReadOnly() || ui::KeepSjisCharacters(commit).text == commit) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    // The composition goes on being shown; the committed text is filtered here.
    QInputMethodEvent rest(event->preeditString(), event->attributes());
    QPlainTextEdit::inputMethodEvent(&rest);
    TakeInput(commit);
}

void CMailTextEdit::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) return;
    TakeInput(source->text());
}

QString CMailTextEdit::ForThisEdit(const QString& text) const {
    if (!singleLine_) return text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029) return text.left(i);
    }
    return text;
}

void CMailTextEdit::TakeInput(const QString& text) {
    const ui::KeptInput kept = ui::KeepSjisCharacters(ForThisEdit(text));
    if (!kept.text.isEmpty()) {
        textCursor().insertText(kept.text);
        ensureCursorVisible();
    }
    ui::TellInputAltered(this, kept.dropped);
}

}  // namespace compose
