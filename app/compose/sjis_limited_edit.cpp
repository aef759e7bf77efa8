#include "app/compose/sjis_limited_edit.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <memory>

#include "app/compose/pictogram_glyphs.h"
#include "app/compose/pictogram_text_object.h"
#include "app/mailtext/sjis_cut.h"
#include "app/ui/sjis_input.h"
#include "app/ui/sjis_text.h"

namespace compose {
namespace {

constexpr char16_t kObjectChar = 0xFFFC;
constexpr std::size_t kLineBreakBytes = 2;  // CR LF

// The Shift_JIS bytes of each character of the Basic Multilingual Plane, as the text
// boundary writes it on its own: taken from ui::ToSjis once, so the count can never
// disagree with the text the core receives. A joiner (U+200C) counts 0: it only picks the
// code of the character before it. A surrogate pair is one blank.
const std::array<std::uint8_t, 0x10000>& CharBytes() {
    static const std::unique_ptr<std::array<std::uint8_t, 0x10000>> table = [] {
        auto t = std::make_unique<std::array<std::uint8_t, 0x10000>>();
        for (int u = 0; u < 0x10000; ++u) {
            const auto ch = static_cast<char16_t>(u);
            (*t)[u] = QChar::isSurrogate(ch) ? 1 : static_cast<std::uint8_t>(ui::ToSjis(QString(QChar(ch))).size());
        }
        (*t)[0x2028] = (*t)[0x2029] = kLineBreakBytes;
        return t;
    }();
    return *table;
}

bool IsLineBreak(char16_t c) { return c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029; }

bool HasDrawnPictogram(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0xE000 && c.unicode() <= 0xE757 && FindPictogramLook(PictogramCodeOf(c.unicode()))) return true;
    return false;
}

// Marks the characters of `block` that are pictogram objects (index inside the block),
// with their codes; empty when the block has none.
std::vector<std::uint16_t> ObjectCodes(const QTextBlock& block, const QString& text) {
    std::vector<std::uint16_t> codes;
    if (!text.contains(QChar(kObjectChar))) return codes;
    codes.assign(static_cast<std::size_t>(text.size()), 0);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const std::uint16_t code = PictogramTextObject::CodeOf(fragment.charFormat());
        if (code == 0) continue;
        const int start = fragment.position() - block.position();
        for (int i = std::max(start, 0); i < start + fragment.length() && i < text.size(); ++i)
            if (text.at(i).unicode() == kObjectChar) codes[static_cast<std::size_t>(i)] = code;
    }
    return codes;
}

}  // namespace

SjisLimitedEdit::SjisLimitedEdit(QWidget* parent, bool singleLine) : CMailTextEdit(parent, singleLine) {
    PictogramTextObject::Install(document());
    RecountAll();
    connect(document(), &QTextDocument::contentsChange, this, &SjisLimitedEdit::OnContentsChange);
}

// ---- Counting -------------------------------------------------------------------------------

std::size_t SjisLimitedEdit::BlockRangeBytes(const QTextBlock& block, int from, int to) {
    const QString text = block.text();
    to = std::min<int>(to, static_cast<int>(text.size()));
    const auto& bytes = CharBytes();
    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    std::size_t n = 0;
    bool objects = false;
    for (int i = std::max(from, 0); i < to; ++i) {
        const char16_t c = s[i];
        if (c == kObjectChar) objects = true;
        if (QChar::isHighSurrogate(c) && i + 1 < to && QChar::isLowSurrogate(s[i + 1])) ++i;
        n += bytes[c];
    }
    if (objects) {
        const std::vector<std::uint16_t> codes = ObjectCodes(block, text);
        for (int i = std::max(from, 0); i < to; ++i)
            if (codes[static_cast<std::size_t>(i)] != 0) ++n;  // 2 bytes, not the blank's 1
    }
    return n;
}

void SjisLimitedEdit::RecountAll() {
    blockBytes_.clear();
    blockBytes_.reserve(static_cast<std::size_t>(document()->blockCount()));
    total_ = 0;
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) {
        const auto n = static_cast<std::uint32_t>(BlockRangeBytes(block, 0, block.length()));
        blockBytes_.push_back(n);
        total_ += n;
    }
    if (!blockBytes_.empty()) total_ += kLineBreakBytes * (blockBytes_.size() - 1);
}

// The lines before the change and after it are as they were; the lines it touched are
// counted again. How many old lines it replaced follows from the change in the number of
// lines, so nothing of the removed text is needed.
void SjisLimitedEdit::OnContentsChange(int position, int /*removed*/, int added) {
    QTextDocument* doc = document();
    const int newCount = doc->blockCount();
    const int oldCount = static_cast<int>(blockBytes_.size());
    const QTextBlock first = doc->findBlock(position);
    const QTextBlock last = doc->findBlock(std::min(position + added, doc->characterCount() - 1));
    if (!first.isValid() || !last.isValid()) {
        RecountAll();
        return;
    }
    const int b0 = first.blockNumber();
    const int b1 = last.blockNumber();
    const int oldLast = b1 - (newCount - oldCount);
    if (b1 < b0 || oldLast < b0 || oldLast >= oldCount) {
        RecountAll();
        return;
    }
    std::size_t removedBytes = kLineBreakBytes * static_cast<std::size_t>(oldLast - b0);
    for (int k = b0; k <= oldLast; ++k) removedBytes += blockBytes_[static_cast<std::size_t>(k)];
    std::vector<std::uint32_t> fresh;
    fresh.reserve(static_cast<std::size_t>(b1 - b0 + 1));
    std::size_t addedBytes = kLineBreakBytes * static_cast<std::size_t>(b1 - b0);
    for (QTextBlock block = first;; block = block.next()) {
        const auto n = static_cast<std::uint32_t>(BlockRangeBytes(block, 0, block.length()));
        fresh.push_back(n);
        addedBytes += n;
        if (block == last) break;
    }
    const auto begin = blockBytes_.begin() + b0;
    const auto replaced = static_cast<std::ptrdiff_t>(oldLast - b0 + 1);
    const auto common = std::min<std::ptrdiff_t>(replaced, static_cast<std::ptrdiff_t>(fresh.size()));
    std::copy(fresh.begin(), fresh.begin() + common, begin);
    if (replaced > common) blockBytes_.erase(begin + common, begin + replaced);
    else blockBytes_.insert(begin + common, fresh.begin() + common, fresh.end());
    total_ = total_ - removedBytes + addedBytes;
}

std::size_t SjisLimitedEdit::BytesOfInput(const QString& text) const {
    const auto& bytes = CharBytes();
    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    std::size_t total = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (IsLineBreak(c)) {
            if (c == u'\r' && i + 1 < n && s[i + 1] == u'\n') ++i;
            total += kLineBreakBytes;
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) ++i;
        total += bytes[c];
    }
    return total;
}

// ---- Text in and out -----------------------------------------------------------------------

QString SjisLimitedEdit::TextOfRange(int from, int to, const QString& lineBreak) const {
    QString out;
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        const int start = block.position();
        const QString text = block.text();
        const int a = std::max(from - start, 0);
        const int b = std::min<int>(to - start, static_cast<int>(text.size()));
        if (b > a) {
            QString piece = text.mid(a, b - a);
            const std::vector<std::uint16_t> codes = ObjectCodes(block, text);
            if (!codes.empty())
                for (int i = a; i < b; ++i)
                    if (codes[static_cast<std::size_t>(i)] != 0)
                        piece[i - a] = QChar(PictogramCharOf(codes[static_cast<std::size_t>(i)]));
            piece.replace(QChar(0x2028), lineBreak);
            out += piece;
        }
        if (to > start + text.size() && block.next().isValid()) out += lineBreak;
    }
    return out;
}

std::string SjisLimitedEdit::GetSjisText() const {
    return ui::ToSjis(TextOfRange(0, document()->characterCount() - 1, QStringLiteral("\r\n")));
}

void SjisLimitedEdit::InsertRuns(QTextCursor& cursor, const QString& text) {
    const QTextCharFormat plain;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const std::uint16_t code = PictogramCodeOf(text.at(i).unicode());
        if (code == 0 || FindPictogramLook(code) == nullptr) continue;
        if (i > runStart) cursor.insertText(text.mid(runStart, i - runStart), plain);
        cursor.insertText(QString(QChar(kObjectChar)), PictogramTextObject::Format(code));
        runStart = i + 1;
    }
    if (runStart < text.size()) cursor.insertText(text.mid(runStart), plain);
}

void SjisLimitedEdit::SetSjisText(std::string_view sjis) {
    const QString text = ui::FromSjis(sjis);
    if (!HasDrawnPictogram(text)) {
        setPlainText(text);
        return;
    }
    QTextDocument* doc = document();
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);  // also forgets the old history, as setPlainText does
    QTextCursor cursor(doc);
    cursor.beginEditBlock();  // one change for the layout and the count, not one per run
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    InsertRuns(cursor, text);
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(undo);
    setTextCursor(QTextCursor(doc));
}

std::size_t SjisLimitedEdit::BytesFree() const {
    const QTextCursor cursor = textCursor();
    const std::size_t freed = cursor.hasSelection()
                                  ? ByteOffsetOf(cursor.selectionEnd()) - ByteOffsetOf(cursor.selectionStart())
                                  : 0;
    const std::size_t used = total_ - freed;
    return used >= limit_ ? 0 : limit_ - used;
}

bool SjisLimitedEdit::CanInsert(const QString& text) const {
    return limit_ == 0 || BytesOfInput(ForThisEdit(text)) <= BytesFree();
}

bool SjisLimitedEdit::InsertSjis(std::string_view sjis) { return InsertText(ui::FromSjis(sjis)); }

bool SjisLimitedEdit::InsertText(const QString& text) {
    if (!CanInsert(text)) {
        Refuse();
        return false;
    }
    InsertAtCursor(ForThisEdit(text));
    return true;
}

void SjisLimitedEdit::InsertAtCursor(const QString& text) {
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    InsertRuns(cursor, text);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

// Through the text boundary and back, with every line break as the CR LF it is counted as,
// so the cut sees the bytes the limit counts.
QString SjisLimitedEdit::FitToBytes(const QString& text, std::size_t bytes) {
    QString breaks = text;
    breaks.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QChar other : {QChar(u'\r'), QChar(0x2028), QChar(0x2029)}) breaks.replace(other, QChar(u'\n'));
    breaks.replace(QChar(u'\n'), QStringLiteral("\r\n"));
    return ui::FromSjis(CutSjisText(ui::ToSjis(breaks), bytes));
}

void SjisLimitedEdit::TakeInput(const QString& text) {
    const ui::KeptInput kept = ui::KeepSjisCharacters(ForThisEdit(text));
    QString piece = kept.text;
    std::size_t cutAt = 0;
    if (!CanInsert(piece)) {
        piece = FitToBytes(piece, BytesFree());
        cutAt = limit_;
    }
    if (!piece.isEmpty()) InsertAtCursor(piece);
    else if (cutAt != 0) QApplication::beep();
    if (cutAt != 0) emit inputRefused();
    ui::TellInputAltered(this, kept.dropped, cutAt);
}

void SjisLimitedEdit::Refuse() {
    QApplication::beep();
    emit inputRefused();
}

// ---- Positions ------------------------------------------------------------------------------

std::size_t SjisLimitedEdit::ByteOffsetOf(int position) const {
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid()) return total_;
    std::size_t offset = 0;
    const int number = block.blockNumber();
    for (int k = 0; k < number; ++k) offset += blockBytes_[static_cast<std::size_t>(k)] + kLineBreakBytes;
    return offset + BlockRangeBytes(block, 0, position - block.position());
}

int SjisLimitedEdit::PositionOfByteOffset(std::size_t offset) const {
    std::size_t before = 0;  // bytes of the lines above, with their line breaks
    std::size_t number = 0;
    QTextBlock block = document()->firstBlock();
    for (; block.next().isValid(); block = block.next(), ++number) {
        const std::size_t end = before + blockBytes_[number];
        if (offset < end + kLineBreakBytes) break;  // in this line or its line break
        before = end + kLineBreakBytes;
    }
    const QString text = block.text();
    const std::vector<std::uint16_t> codes = ObjectCodes(block, text);
    const auto& bytes = CharBytes();
    std::size_t rest = offset > before ? offset - before : 0;
    int i = 0;
    while (i < text.size()) {
        const char16_t c = text.at(i).unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const std::size_t width = !codes.empty() && codes[static_cast<std::size_t>(i)] != 0 ? 2 : bytes[c];
        if (rest < width) break;
        rest -= width;
        i += pair ? 2 : 1;
    }
    return block.position() + i;
}

void SjisLimitedEdit::GetSjisSelection(std::size_t& start, std::size_t& end) const {
    const QTextCursor cursor = textCursor();
    start = ByteOffsetOf(cursor.selectionStart());
    end = ByteOffsetOf(cursor.selectionEnd());
}

void SjisLimitedEdit::SetSjisSelection(std::size_t start, std::size_t end) {
    QTextCursor cursor = textCursor();
    cursor.setPosition(PositionOfByteOffset(start));
    cursor.setPosition(PositionOfByteOffset(end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

// ---- Input ----------------------------------------------------------------------------------

void SjisLimitedEdit::keyPressEvent(QKeyEvent* event) {
    if (isReadOnly()) {
        CMailTextEdit::keyPressEvent(event);
        return;
    }
    QString typed;
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter) {
        if (!IsSingleLine()) typed = QStringLiteral("\n");
    } else if (!event->text().isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        const QChar first = event->text().at(0);
        if (first.isPrint() || first.isSurrogate() || (first == u'\t' && !tabChangesFocus())) typed = event->text();
    }
    if (!typed.isEmpty()) {
        if (ui::KeepSjisCharacters(typed).text != typed) {
            TakeInput(typed);
            return;
        }
        if (!CanInsert(typed)) {
            Refuse();
            return;
        }
        if (enter && (event->modifiers() & Qt::ShiftModifier)) {
            // A line break is always a new line (CR LF), never a soft line separator.
            InsertText(typed);
            return;
        }
        if (HasDrawnPictogram(typed)) {
            InsertText(typed);
            return;
        }
    }
    CMailTextEdit::keyPressEvent(event);
}

void SjisLimitedEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (commit.isEmpty() || isReadOnly() ||
        (CanInsert(commit) && !HasDrawnPictogram(commit) && ui::KeepSjisCharacters(commit).text == commit)) {
        CMailTextEdit::inputMethodEvent(event);
        return;
    }
    // The composition goes on being shown; the committed text is taken here.
    QInputMethodEvent rest(event->preeditString(), event->attributes());
    CMailTextEdit::inputMethodEvent(&rest);
    TakeInput(commit);
}

void SjisLimitedEdit::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) return;
    TakeInput(source->text());
}

QMimeData* SjisLimitedEdit::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    auto* data = new QMimeData;
    data->setText(TextOfRange(cursor.selectionStart(), cursor.selectionEnd(), QStringLiteral("\n")));
    return data;
}

// ---- Wrapping -------------------------------------------------------------------------------

void SjisLimitedEdit::SetWrapWidth(int pixels) {
    wrapWidth_ = std::max(pixels, 0);
    UpdateWrapMargins();
}

// The text width is the viewport's less the document margins; a right viewport margin
// takes what the control has beyond the wrap width.
void SjisLimitedEdit::UpdateWrapMargins() {
    int margin = 0;
    if (wrapWidth_ > 0) {
        const int documentMargins = 2 * qRound(document()->documentMargin());
        const int available = viewport()->width() + rightMargin_;
        margin = std::max(0, available - (wrapWidth_ + documentMargins));
    }
    if (margin == rightMargin_) return;
    rightMargin_ = margin;
    setViewportMargins(0, 0, margin, 0);
}

bool SjisLimitedEdit::viewportEvent(QEvent* event) {
    const bool handled = CMailTextEdit::viewportEvent(event);
    if (event->type() == QEvent::Resize) UpdateWrapMargins();
    return handled;
}

}  // namespace compose
