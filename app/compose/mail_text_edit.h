#pragma once
// CMailTextEdit: the edit control of the mail subjects and bodies. Its context menu holds
// the usual editing commands and, below them, the merge fields of the address book in two
// submenus, "基本属性" and "拡張属性": choosing one inserts its merge tag (for example
// "<%メールアドレス%>") at the caret, to be replaced by each recipient's data when the mail
// is sent. The items come from the one table of merge fields (MailWordInsert); a row gets
// an item only when it has a tag to insert, so fields such as "DM送付可否" never show. The
// extended attributes show the names the user gave them (system options 14-33) but always
// insert their fixed tags "<%拡張属性A%>" to "<%拡張属性T%>".
//
// The same control serves a one-line subject (singleLine: no line breaks can be typed or
// pasted; a pasted text is cut before its first line break, as a one-line edit does) and
// a body. Ctrl+A selects the whole text and shows the caret. Command 32796 inserts the
// current date and time ("YYYY/MM/DD hh:mm:ss") in place of the selection.
//
// The edit controls of the HTML pages derive from it: BuildContextMenu gives them the
// menu to extend (UpdateEditMenu sets the editing items' states, BuildInsertMenu adds the
// merge submenus), ShowContextMenu shows it, and InsertMailWord inserts the tag of a merge
// command; all four may be replaced. Texts cross into the core as Shift_JIS through the
// program's text boundary (ui::ToSjis / ui::FromSjis), which keeps pictograms and every
// CP932 code the user did not touch.
//
// What the user puts in - a typed character, an input method's commit, a paste, a drop -
// goes through TakeInput before it reaches the text: characters Shift_JIS cannot hold are
// left out and named to the user (app/ui/sjis_input.h), the rest goes in. The edit filters
// its own input, so the program-wide guard of plain edits leaves it alone.

#include <QPlainTextEdit>
#include <QString>

#include <string>
#include <string_view>

class QMenu;

namespace compose {

class CMailTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    // Command numbers of the menu's items.
    enum Command : int {
        kIdEditClear = 0xE120,
        kIdEditCopy = 0xE122,
        kIdEditCut = 0xE123,
        kIdEditPaste = 0xE125,
        kIdEditSelectAll = 0xE12A,
        kIdEditUndo = 0xE12B,
        kIdInsertDate = 32796,
        kIdFirstMailWord = 33000,
        kIdLastMailWord = 33055,
    };
    static constexpr int kFirstExtendedRow = 28;
    static constexpr int kLastExtendedRow = 47;
    // The system option that names extended attribute row `row` is row - 14.
    static constexpr int kExtendedNameOffset = 14;

    explicit CMailTextEdit(QWidget* parent = nullptr, bool singleLine = false);

    bool IsSingleLine() const { return singleLine_; }
    // The text as Shift_JIS, and set from Shift_JIS. Virtual: an edit that holds more than
    // plain characters (pictograms as objects) reads and writes its own way.
    virtual std::string GetSjisText() const;
    virtual void SetSjisText(std::string_view sjis);

    // The context menu of the control, built afresh (the caller owns it): menu 138's
    // editing items, then the merge submenus. Each item carries its command number as
    // its data and runs the command when triggered.
    QMenu* BuildContextMenu(QWidget* parent = nullptr);
    // Builds the menu and runs it at `globalPos`.
    virtual void ShowContextMenu(const QPoint& globalPos);
    // Enables the editing items of `menu` for the control's state.
    virtual void UpdateEditMenu(QMenu* menu);
    // Appends the submenus "基本属性" and "拡張属性" to `menu`.
    virtual void BuildInsertMenu(QMenu* menu);
    // Replaces the selection with the tag of merge command `commandId` (33000-33055);
    // undoable. Commands outside the range, or rows without a tag, do nothing.
    virtual void InsertMailWord(int commandId);

    // Whether an editing command is possible now (also for other menus' update handlers).
    bool IsCommandEnabled(int commandId) const;
    // Runs an editing command, the date insertion or a merge command.
    void ExecuteCommand(int commandId);
    // Select all, with the caret shown.
    void SelectAllText();
    // Replaces the selection with the current date and time.
    void InsertDate();

protected:
    // Text from the user (typed, committed, pasted or dropped) in place of the selection:
    // a one-line edit takes it up to its first line break; what Shift_JIS cannot hold is
    // left out and the user told. One step of undo.
    virtual void TakeInput(const QString& text);
    // A one-line edit's part of `text`: up to its first line break.
    QString ForThisEdit(const QString& text) const;

    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    bool singleLine_;
};

}  // namespace compose
