#include "app/compose/mail_size_measure_profile.h"

#include <algorithm>

#include "core/foundation/kana_convert.h"
#include "core/foundation/sjis_bytes.h"

namespace compose {

namespace {

constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;

bool IsHalfKanaByte(unsigned char b) { return b >= 0xA0 && b <= 0xDF; }

// For each byte: bit 0, a half-width kana that takes the voiced mark; bit 1, one that
// takes the semi-voiced mark (the converter's own table, looked up once).
struct MarkTable {
    std::array<uint8_t, 256> takes{};
    MarkTable() {
        const CKanaConvertTbl& t = CSjisKanaConverter::m_KanaConvTbl;
        for (int b = 0; b < 256; ++b) {
            const auto c = static_cast<unsigned char>(b);
            takes[static_cast<std::size_t>(b)] =
                static_cast<uint8_t>((t.IsAllowedDakuten(c) ? 1 : 0) | (t.IsAllowedHanDakuten(c) ? 2 : 0));
        }
    }
};
// Built during start-up from the converter's constant tables.
const MarkTable kMarks;
const MarkTable& Marks() { return kMarks; }

// Whether the kana `kana` and the byte after it form one character.
bool Merges(unsigned char kana, unsigned char next, const MarkTable& marks) {
    const uint8_t t = marks.takes[kana];
    return (next == kVoicedMark && (t & 1)) || (next == kSemiVoicedMark && (t & 2));
}

// The number of bytes the field of `row` takes in the text.

}  // namespace

bool TakesNextByte(WidthState state, unsigned char next) {
    if (state.mode == WidthState::kTrailDue) return true;
    return state.mode == WidthState::kAfterKana && Merges(state.kana, next, Marks());
}

// The walk of CSjisKanaConverter::GetSizeAfterConvertKana, which also tells where it
// stopped: after a lead byte whose trail is still due, or after a half-width kana that a
// mark in the next piece could join.
WidthSummary SummariseWidth(std::string_view bytes) {
    const MarkTable& marks = Marks();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    WidthSummary s;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            const std::size_t run = AsciiRunLength(p + i, n - i);
            s.width += static_cast<int64_t>(run);
            i += run;
        } else if (IsHalfKanaByte(b)) {
            s.width += 2;
            if (i + 1 == n) {
                // Only a kana that takes a mark can join the next piece.
                if (marks.takes[b] != 0) s.exit = {WidthState::kAfterKana, b};
                return s;
            }
            i += Merges(b, p[i + 1], marks) ? 2 : 1;
        } else {
            s.width += 2;
            if (i + 1 == n) {
                s.exit.mode = WidthState::kTrailDue;
                return s;
            }
            i += 2;
        }
    }
    return s;
}

void HtmlEscapeMergeValue(std::string_view value, std::string& out) {
    out.clear();
    for (const char c : value) {
        switch (c) {
            case ' ': out += "&nbsp;"; break;
            case '"': out += "&quot;"; break;
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c;
        }
    }
}

int64_t HtmlEscapedLength(std::string_view value) {
    int64_t n = 0;
    for (const char c : value) {
        switch (c) {
            case ' ':
            case '"': n += 6; break;
            case '&': n += 5; break;
            case '<':
            case '>': n += 4; break;
            default: n += 1;
        }
    }
    return n;
}

MergeSizeProfile::MergeSizeProfile(std::string_view text, int html, bool widenKana)
    : html_(html), widen_(widenKana), textLength_(static_cast<int64_t>(text.size())) {
    auto addPiece = [&](std::string_view bytes) {
        Piece p;
        p.size = bytes.size();
        p.first = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]);
        if (widen_) {
            p.whole = SummariseWidth(bytes);
            p.fromSecond = bytes.empty() ? WidthSummary{} : SummariseWidth(bytes.substr(1));
        }
        copiedLength_ += static_cast<int64_t>(bytes.size());
        piecesWidth_ += p.whole.width;
        if (p.whole.exit.mode != WidthState::kInStep) piecesInStep_ = false;
        pieces_.push_back(p);
    };
    std::size_t pieceStart = 0;
    MailWordInsert::ForEachField(text, html, [&](std::size_t at, std::size_t length, int row) {
        addPiece(text.substr(pieceStart, at - pieceStart));
        fields_.push_back(row);
        ++counts_[static_cast<std::size_t>(row)];
        pieceStart = at + length;
    });
    addPiece(text.substr(pieceStart));
    // A value that ends in a kana taking a mark is safe to add up only where the text
    // goes on with something that is no mark.
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const Piece& next = pieces_[i + 1];
        const bool last = i + 1 == fields_.size();
        if ((next.size == 0 && !last) || next.first == 0xDE || next.first == 0xDF)
            joinsNext_[static_cast<std::size_t>(fields_[i])] = true;
    }
    for (int row = 0; row < kCustomerElementCount; ++row)
        if (counts_[static_cast<std::size_t>(row)] != 0) rows_.push_back(row);
}

int64_t MergeSizeProfile::MergedSize(std::array<MergeValue, kCustomerElementCount>& values) const {
    if (textLength_ == 0) return 0;
    int64_t raw = copiedLength_;
    for (const int row : rows_) raw += counts_[static_cast<std::size_t>(row)] * values[static_cast<std::size_t>(row)].length;
    if (raw == 0) return 1;  // the merge gives " " rather than nothing
    if (!widen_) return raw;

    // Where every piece ends in step and no value leaves anything for what follows it (a
    // trail byte, or a kana before a mark), no character spans two pieces and the widths
    // simply add up.
    if (piecesInStep_) {
        int64_t width = piecesWidth_;
        bool inStep = true;
        for (const int row : rows_) {
            const MergeValue& v = values[static_cast<std::size_t>(row)];
            const uint8_t exit = v.whole.exit.mode;
            if (exit == WidthState::kTrailDue ||
                (exit == WidthState::kAfterKana && joinsNext_[static_cast<std::size_t>(row)])) {
                inStep = false;
                break;
            }
            width += counts_[static_cast<std::size_t>(row)] * v.whole.width;
        }
        if (inStep) return width;
    }

    WidthState state;
    int64_t width = 0;
    auto step = [&](std::size_t size, unsigned char first, const WidthSummary& whole, const WidthSummary& fromSecond) {
        if (size == 0) return;
        const WidthSummary& s = TakesNextByte(state, first) ? fromSecond : whole;
        width += s.width;
        state = s.exit;
    };
    const Piece& head = pieces_.front();
    step(head.size, head.first, head.whole, head.fromSecond);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        MergeValue& v = values[static_cast<std::size_t>(fields_[i])];
        if (!v.bytes.empty()) {
            const auto first = static_cast<unsigned char>(v.bytes[0]);
            if (TakesNextByte(state, first) && !v.fromSecondKnown) {
                v.fromSecond = SummariseWidth(v.bytes.substr(1));
                v.fromSecondKnown = true;
            }
            step(v.bytes.size(), first, v.whole, v.fromSecond);
        }
        const Piece& p = pieces_[i + 1];
        step(p.size, p.first, p.whole, p.fromSecond);
    }
    // A lead byte at the very end has no character to count.
    if (state.mode == WidthState::kTrailDue) width -= 2;
    return width;
}

}  // namespace compose
