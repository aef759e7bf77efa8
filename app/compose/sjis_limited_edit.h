#pragma once
// SjisLimitedEdit: the mail text edit (CMailTextEdit, with its merge-field menu) that
// counts and limits its text in Shift_JIS bytes, as the mail's limits are counted, and
// shows pictograms as pictures. The body edits of the mail pages are built on it.
//
// Bytes. The count is what GetSjisText() gives: a full-width character 2, a half-width
// one 1, a pictogram 2, a line break 2 (the text reads back with CR LF). It is kept up to
// date by the lines an edit touched, never by converting the whole text, so typing in a
// body of 500 KB costs no more than in a short one.
//
// The limit (0: none) is checked before anything reaches the text; replacing a selection
// counts the bytes it frees:
//  - a text from the user (an input-method commit, a paste, a drop) that would pass the
//    limit goes in as far as it fits, cut where a character ends (a line break counts as
//    its CR LF and is never halved), and the user is told the limit; characters Shift_JIS
//    cannot hold are left out first and named (CMailTextEdit::TakeInput);
//  - a typed character that does not fit, and an insertion of the program's own through
//    InsertText / InsertSjis (a merge field, the date, a map link, a pictogram from the
//    palette), are refused whole: the edit beeps and emits inputRefused, since half a
//    merge field or link would be wrong.
// Text set with SetSjisText is taken as it is, like the old control's window text, even
// past the limit; the caller cuts it.
//
// Bytes kept. The text crosses into the core through the program's text boundary
// (ui::FromSjis / ui::ToSjis), so a character the user did not touch comes back with the
// code it came in with, duplicate CP932 codes (NEC row 13, the IBM rows) included.
// Pictograms (the user-defined area, where the carriers' pictograms live) are held as
// objects that draw their emoji (pictogram_text_object.h) and read back as the same code.
// Copying puts them on the clipboard as their private-use characters, so pasting them
// into another edit of the program keeps them. Lines come back with CR LF whatever break
// they were loaded with (a lone CR or LF becomes CR LF).
//
// Positions. Pages that remember a caret as a byte offset (what the old control reported)
// convert with ByteOffsetOf / PositionOfByteOffset; an offset inside a character means
// the character's start.
//
// Wrapping. SetWrapWidth narrows the text to a width in pixels (the wrap ruler's
// position) inside a wider control; 0 wraps at the control's width.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/compose/mail_text_edit.h"

class QTextBlock;
class QTextCursor;

namespace compose {

class SjisLimitedEdit : public CMailTextEdit {
    Q_OBJECT
public:
    explicit SjisLimitedEdit(QWidget* parent = nullptr, bool singleLine = false);

    // The most bytes the text may take through input (0: no limit).
    void SetByteLimit(std::size_t limit) { limit_ = limit; }
    std::size_t GetByteLimit() const { return limit_; }
    // The bytes the text takes now (GetSjisText().size()).
    std::size_t GetByteCount() const { return total_; }

    // The text as Shift_JIS, line breaks CR LF. Read it through this class: CMailTextEdit's
    // own GetSjisText and the document's plain text see a pictogram as its object
    // character (U+FFFC), which is no Shift_JIS character.
    std::string GetSjisText() const override;
    // Replaces the whole text (no limit applies; the undo history starts afresh).
    void SetSjisText(std::string_view sjis) override;

    // Replace the selection with `sjis` / `text` (pictograms as their private-use
    // characters), as one step of undo, and show the caret. False, with nothing changed,
    // when the result would pass the limit. A one-line edit takes the text up to its
    // first line break.
    bool InsertSjis(std::string_view sjis);
    bool InsertText(const QString& text);
    // Whether InsertText(text) would be taken now.
    bool CanInsert(const QString& text) const;

    // Byte offset <-> document position.
    std::size_t ByteOffsetOf(int position) const;
    int PositionOfByteOffset(std::size_t offset) const;
    // The selection as byte offsets (start <= end), and set from them.
    void GetSjisSelection(std::size_t& start, std::size_t& end) const;
    void SetSjisSelection(std::size_t start, std::size_t end);

    // Wrap at `pixels` of text width (0: at the control's width).
    void SetWrapWidth(int pixels);
    int GetWrapWidth() const { return wrapWidth_; }

signals:
    // An input was refused for the limit.
    void inputRefused();

protected:
    void TakeInput(const QString& text) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;
    bool viewportEvent(QEvent* event) override;

private:
    void OnContentsChange(int position, int removed, int added);
    void RecountAll();
    void Refuse();
    // The bytes the text may still take in place of the selection.
    std::size_t BytesFree() const;
    // The start of `text` that fits in `bytes`, cut where a character ends.
    static QString FitToBytes(const QString& text, std::size_t bytes);
    void InsertAtCursor(const QString& text);
    std::size_t BytesOfInput(const QString& text) const;
    // The bytes of block characters [from, to) (positions inside the block).
    static std::size_t BlockRangeBytes(const QTextBlock& block, int from, int to);
    // The text of document positions [from, to) with pictograms as private-use characters
    // and `lineBreak` between blocks.
    QString TextOfRange(int from, int to, const QString& lineBreak) const;
    void InsertRuns(QTextCursor& cursor, const QString& text);
    void UpdateWrapMargins();

    std::size_t limit_ = 0;
    std::size_t total_ = 0;
    std::vector<std::uint32_t> blockBytes_;  // bytes of each block, line break not counted
    int wrapWidth_ = 0;
    int rightMargin_ = 0;
};

}  // namespace compose
