#pragma once
// MergeSizeProfile: the size a mail text will have once merged, worked out from the sizes
// of the merge values alone, without building the merged text.
//
// Merging replaces each field ("<%会社名%>", in an HTML part that or "&lt;%会社名%&gt;") by
// the recipient's value (HTML-escaped in an HTML part); the rest of the text is copied. So
// the merged byte length is the length of the copied text plus, for every field written in
// the text, the length of its value. The profile cuts the text once, with the merge's own
// search (MailWordInsert::ForEachField: same forms, same field table, a field is the first row
// whose field text starts there, an unknown "<%" is copied), and keeps the copied pieces
// and the fields in order.
//
// The widened size (half-width katakana counted as the full-width characters they become,
// "ｶﾞ" as one) is not a plain sum: a value ending in "ｶ" merges with a "ﾞ" that the text
// puts after it, and a stray lead byte at the end of a value swallows the next byte. The
// profile therefore walks the pieces in order, carrying the state of the width count
// from one piece to the next; each piece is summarised once (the copied pieces when the
// profile is made, a value once per recipient), so a recipient costs one step per field
// written in the text, not one per byte. The result is, byte for byte, what
// CSjisKanaConverter::GetSizeAfterConvertKana gives for the merged text, including its
// rule that a lead byte at the very end is not counted.
//
// Also kept from the merge: an empty text merges to "" (size 0), and a non-empty text whose
// merge comes out empty merges to " " (size 1).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/mailstore/mail_word_insert.h"

namespace compose {

// The state of the width count between two bytes of a text.
struct WidthState {
    enum : uint8_t { kInStep = 0, kTrailDue = 1, kAfterKana = 2 };
    uint8_t mode = kInStep;  // kTrailDue: the next byte is the trail of a lead byte
    uint8_t kana = 0;        // kAfterKana: the half-width kana just counted
};

// What one piece of text does to the width count when the count enters it in step.
struct WidthSummary {
    int64_t width = 0;  // widened bytes counted inside the piece
    WidthState exit;    // the state after its last byte (kAfterKana only for a kana that takes a mark)
};

// The summary of `bytes` entered in step.
WidthSummary SummariseWidth(std::string_view bytes);
// True when `next` would be taken into the character of `state` (the trail byte due, or a
// voiced or semi-voiced mark that the kana before it takes), so that a piece starting
// with `next` must be counted from its second byte.
bool TakesNextByte(WidthState state, unsigned char next);

// One merge field's value in the form the text needs: the raw value, or the HTML-escaped
// value in an HTML part.
struct MergeValue {
    std::string_view bytes;  // empty is allowed
    int64_t length = 0;      // bytes.size()
    // SummariseWidth(bytes), filled by the caller when the profile widens.
    WidthSummary whole;
    // SummariseWidth(bytes.substr(1)): MergedSize fills it the first time it needs it
    // (rarely: only after a stray lead byte or before a mark that merges).
    bool fromSecondKnown = false;
    WidthSummary fromSecond;

    void Set(std::string_view value, bool widen) {
        bytes = value;
        length = static_cast<int64_t>(value.size());
        fromSecondKnown = false;
        if (widen) whole = SummariseWidth(value);
    }
};

class MergeSizeProfile {
public:
    // `html` nonzero: the text is an HTML part (fields in their HTML form, values escaped).
    // `widenKana`: sizes count half-width katakana as widened.
    MergeSizeProfile(std::string_view text, int html, bool widenKana);

    bool Html() const { return html_ != 0; }
    bool WidenKana() const { return widen_; }
    // The address-book rows whose fields occur in the text, each once, ascending.
    const std::vector<int>& Rows() const { return rows_; }
    // The byte length of the text itself.
    int64_t TextLength() const { return textLength_; }

    // The merged size for the values of one recipient: values[row] for each row of Rows()
    // (other entries are not read; fromSecond is filled where needed).
    int64_t MergedSize(std::array<MergeValue, kCustomerElementCount>& values) const;

private:
    struct Piece {
        std::size_t size = 0;
        unsigned char first = 0;
        WidthSummary whole;
        WidthSummary fromSecond;
    };

    int html_;
    bool widen_;
    int64_t textLength_ = 0;
    int64_t copiedLength_ = 0;              // bytes copied from the text
    int64_t piecesWidth_ = 0;               // their widths, each counted in step
    bool piecesInStep_ = true;              // every copied piece ends in step
    // Rows with a field followed by a mark, or directly by another field.
    std::array<bool, kCustomerElementCount> joinsNext_{};
    std::vector<Piece> pieces_;             // copied pieces: one more than fields_
    std::vector<int> fields_;               // the row of each field, in text order
    std::vector<int> rows_;                 // distinct rows
    std::array<int, kCustomerElementCount> counts_{};  // fields per row
};

// The HTML form of a merge value, as the merge writes it: " " "&nbsp;", '"' "&quot;",
// '&' "&amp;", '<' "&lt;", '>' "&gt;". Shift_JIS trail bytes are never below 0x40, so a
// byte-wise pass is safe.
void HtmlEscapeMergeValue(std::string_view value, std::string& out);
// Its length, without building it.
int64_t HtmlEscapedLength(std::string_view value);

}  // namespace compose
