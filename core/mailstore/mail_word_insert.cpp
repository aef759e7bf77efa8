#include "core/mailstore/mail_word_insert.h"

#include <algorithm>
#include <cstdint>

#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/kcode.h"

namespace {

constexpr int kRows = MailWordInsert::kRowCount;

// Rows that carry a field: the fixed fields, the extended attributes A to T (28-47) and
// the two dates. The other rows (the second halves of split fields, the flags and the
// spare elements) have none.
bool RowHasField(int row) {
    return (row >= 0 && row <= 9) || row == 11 || row == 12 || row == 13 || row == 15 || row == 17 ||
           row == 19 || (row >= kElemExtraFirst && row <= kElemExtraLast) || row == kElemEntryDate ||
           row == kElemRenewalDate;
}

// Menu labels are the elements' display names, except for the extended attributes, whose
// names are the user's (system options) and so have no fixed label here.
std::string MenuLabel(int row) {
    if (row >= kElemExtraFirst && row <= kElemExtraLast) return std::string();
    return CustomerElementName(row);
}

std::string InsertString(int row) {
    if (!RowHasField(row)) return std::string();
    if (row >= kElemExtraFirst && row <= kElemExtraLast)
        return "<%" + SjisLiteral("拡張属性") + char('A' + (row - kElemExtraFirst)) + "%>";
    return "<%" + CustomerElementName(row) + "%>";
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        switch (c) {
            case ' ': out += "&nbsp;"; break;
            case '"': out += "&quot;"; break;
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string ToUtf8(std::string_view sjis) { return KCodeC::sjtoutf8(sjis); }

// One way of writing the fields: the opener every field starts with, the fields by row
// ("" for rows without one) and, for speed, the rows by the byte that follows the opener.
struct FieldForm {
    std::string opener;
    std::array<std::string, kRows> fields;
    std::array<std::vector<uint8_t>, 256> rowsByNextByte;

    FieldForm(std::string open, const std::array<std::string, kRows>& f) : opener(std::move(open)), fields(f) {
        for (int row = 0; row < kRows; ++row) {
            const std::string& field = fields[row];
            if (field.size() <= opener.size()) continue;
            rowsByNextByte[static_cast<unsigned char>(field[opener.size()])].push_back(static_cast<uint8_t>(row));
        }
    }

    // The first row whose field is a prefix of `text`, which starts with the opener.
    int Match(std::string_view text) const {
        if (text.size() <= opener.size()) return -1;
        for (uint8_t row : rowsByNextByte[static_cast<unsigned char>(text[opener.size()])]) {
            const std::string& field = fields[row];
            if (text.size() >= field.size() && text.compare(0, field.size(), field) == 0) return row;
        }
        return -1;
    }
};

// Every form of the field table, built once (the HTML form is the escaped plain form).
struct FieldTables {
    std::array<std::string, kRows> labels;
    std::array<std::string, kRows> inserts;
    FieldForm plain, html, utf8Plain, utf8Html;

    static std::array<std::string, kRows> Map(const std::array<std::string, kRows>& in,
                                              std::string (*f)(std::string_view)) {
        std::array<std::string, kRows> out;
        for (int i = 0; i < kRows; ++i) out[i] = in[i].empty() ? std::string() : f(in[i]);
        return out;
    }
    static std::string HtmlUtf8(std::string_view s) { return ToUtf8(HtmlEscape(s)); }

    explicit FieldTables(const std::array<std::string, kRows>& ins)
        : inserts(ins),
          plain("<%", ins),
          html("&lt;%", Map(ins, HtmlEscape)),
          utf8Plain("<%", Map(ins, ToUtf8)),
          utf8Html("&lt;%", Map(ins, HtmlUtf8)) {
        for (int i = 0; i < kRows; ++i) labels[i] = MenuLabel(i);
    }
};

const FieldTables& InsertFieldTables() {
    static const FieldTables* tables = [] {
        std::array<std::string, kRows> ins;
        for (int i = 0; i < kRows; ++i) ins[i] = InsertString(i);
        return new FieldTables(ins);  // kept for the life of the process: the exported table points into it
    }();
    return *tables;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A birthday is stored as "YYYY/MM/DD hh:mm:ss"; only the date is inserted. The time is
// cut only from that form (or a time cut short), so that a birthday written any other way,
// in Japanese text for instance, is inserted whole and never cut inside a character.
std::string_view BirthdayValue(std::string_view stored) {
    if (stored.size() <= 10) return stored;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!IsDigit(stored[i])) return stored;
    if (stored[4] != '/' || stored[7] != '/' || stored[10] != ' ') return stored;
    for (size_t i = 11; i < stored.size(); ++i)
        if (!IsDigit(stored[i]) && stored[i] != ':') return stored;
    return stored.substr(0, 10);
}

// The raw (Shift_JIS) value of a row with a field.
std::string RowValue(const OneCustomer& c, int row) {
    switch (row) {
        case kElemCustomerID: return std::to_string(c.CustomerID);
        case kElemBirthday: return std::string(BirthdayValue(c.Birthday));
        case kElemEntryDate: return Convert_COleDateTime2DateData(c.EntryDate);
        case kElemRenewalDate: return Convert_COleDateTime2DateData(c.RenewalDate);
        default: {
            const std::string* f = c.Field(row);
            return f ? *f : std::string();
        }
    }
}

enum class ValueForm { Raw, Html, Utf8, Utf8Html };

// A field found in a text: where it starts (npos: none), its row and its length.
struct FoundField {
    size_t at = std::string_view::npos;
    int row = -1;
    size_t length = 0;
};

// The fields of a text in order, written in `form` or, when `other` is given, in that form
// too. The openers of the two forms begin with different bytes, so at most one of them
// starts at any place. Each form's next opener is searched for on its own (memchr, fast)
// and kept until the scan passes it, so the text is read once whatever the forms' mix.
class FieldScanner {
public:
    FieldScanner(std::string_view text, const FieldForm& form, const FieldForm* other)
        : text_(text), forms_{&form, other} {}

    // The first field at or after `from` (which never goes back).
    FoundField Next(size_t from) {
        for (;;) {
            int which = -1;
            for (int k = 0; k < 2; ++k) {
                if (forms_[k] == nullptr) continue;
                if (!known_[k] || (next_[k] != std::string_view::npos && next_[k] < from)) {
                    next_[k] = text_.find(forms_[k]->opener, from);
                    known_[k] = true;
                }
                if (next_[k] != std::string_view::npos && (which < 0 || next_[k] < next_[which])) which = k;
            }
            if (which < 0) return {};
            const FieldForm& f = *forms_[which];
            const size_t at = next_[which];
            from = at + 1;
            const int row = f.Match(text_.substr(at));
            if (row >= 0) return {at, row, f.fields[row].size()};
        }
    }

private:
    std::string_view text_;
    const FieldForm* forms_[2];
    size_t next_[2] = {0, 0};   // where each form's next opener starts (npos: none left)
    bool known_[2] = {false, false};
};

std::string Merge(const OneCustomer& c, std::string_view text, const FieldForm& form, const FieldForm* other,
                  ValueForm valueForm) {
    if (text.empty()) return std::string();
    std::string out;
    out.reserve(text.size() + 64);
    size_t pos = 0;
    FieldScanner scanner(text, form, other);
    for (FoundField f = scanner.Next(pos); f.at != std::string_view::npos; f = scanner.Next(pos)) {
        out.append(text, pos, f.at - pos);
        const std::string value = RowValue(c, f.row);
        switch (valueForm) {
            case ValueForm::Raw: out += value; break;
            case ValueForm::Html: out += HtmlEscape(value); break;
            case ValueForm::Utf8: out += ToUtf8(value); break;
            case ValueForm::Utf8Html: out += ToUtf8(HtmlEscape(value)); break;
        }
        pos = f.at + f.length;
    }
    out.append(text, pos);
    if (out.empty()) out.push_back(' ');
    return out;
}

// The unknown field written with `opener` and closed by `closer` that starts at `at`: its
// length, or 0 when no closer follows within a short name on the same line, with no angle
// bracket between (then it is no field at all, only text).
size_t UnknownFieldLength(std::string_view text, size_t at, std::string_view opener, std::string_view closer) {
    constexpr size_t kLongestName = 64;
    const size_t nameStart = at + opener.size();
    for (size_t i = nameStart; i < text.size() && i <= nameStart + kLongestName; ++i) {
        if (text.compare(i, closer.size(), closer) == 0) return i + closer.size() - at;
        const char b = text[i];
        if (b == '\r' || b == '\n' || b == '<' || b == '>') return 0;
    }
    return 0;
}

}  // namespace

const std::array<WORD_INSERT_STRUCT, MailWordInsert::kRowCount + 1> MailWordInsert::itsMailInsertDefinition = [] {
    std::array<WORD_INSERT_STRUCT, kRowCount + 1> rows{};
    const FieldTables& t = InsertFieldTables();
    for (int i = 0; i < kRowCount; ++i) rows[i] = {t.labels[i].c_str(), t.inserts[i].c_str()};
    rows[kRowCount] = {nullptr, nullptr};
    return rows;
}();

std::string MailWordInsert::GetMailWordInsert(const OneCustomer& customer, std::string_view text, int html) {
    const FieldTables& t = InsertFieldTables();
    return html ? Merge(customer, text, t.html, &t.plain, ValueForm::Html)
                : Merge(customer, text, t.plain, nullptr, ValueForm::Raw);
}

std::string MailWordInsert::GetMailWordInsertForHeader(const OneCustomer& customer, std::string_view text) {
    std::string out = Merge(customer, text, InsertFieldTables().plain, nullptr, ValueForm::Raw);
    for (char& ch : out) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 || b == 0x7F) ch = ' ';
    }
    return out;
}

std::string MailWordInsert::GetMailWordInsertUtf8(const OneCustomer& customer, std::string_view utf8Text,
                                                  int html) {
    const FieldTables& t = InsertFieldTables();
    return html ? Merge(customer, utf8Text, t.utf8Html, &t.utf8Plain, ValueForm::Utf8Html)
                : Merge(customer, utf8Text, t.utf8Plain, nullptr, ValueForm::Utf8);
}

int MailWordInsert::GetIDFromInsertString(std::string_view text, int html) {
    if (text.empty()) return -1;
    const FieldForm& form = html ? InsertFieldTables().html : InsertFieldTables().plain;
    if (text.compare(0, form.opener.size(), form.opener) != 0) return -1;
    return form.Match(text);
}

void MailWordInsert::ForEachField(std::string_view text, int html,
                                  const std::function<void(std::size_t at, std::size_t length, int row)>& take) {
    const FieldTables& t = InsertFieldTables();
    FieldScanner scanner(text, html ? t.html : t.plain, html ? &t.plain : nullptr);
    for (FoundField f = scanner.Next(0); f.at != std::string_view::npos; f = scanner.Next(f.at + f.length))
        take(f.at, f.length, f.row);
}

void MailWordInsert::FindUnknownFields(std::string_view text, int html, std::vector<std::string>& found) {
    found.clear();
    const FieldTables& t = InsertFieldTables();
    struct Form {
        const FieldForm* form;
        std::string_view closer;
    };
    const Form forms[] = {{&t.plain, "%>"}, {&t.html, "%&gt;"}};
    const std::string_view firsts = html ? std::string_view("<&") : std::string_view("<");
    for (size_t at = text.find_first_of(firsts); at != std::string_view::npos; at = text.find_first_of(firsts, at + 1)) {
        const Form& f = text[at] == '<' ? forms[0] : forms[1];
        if (text.compare(at, f.form->opener.size(), f.form->opener) != 0) continue;
        const int row = f.form->Match(text.substr(at));
        if (row >= 0) {
            at += f.form->fields[row].size() - 1;
            continue;
        }
        const size_t length = UnknownFieldLength(text, at, f.form->opener, f.closer);
        if (length == 0) continue;
        std::string field(text.substr(at, length));
        if (std::find(found.begin(), found.end(), field) == found.end()) found.push_back(std::move(field));
        at += length - 1;
    }
}

int MailWordInsert::GetIDFromMenuString(std::string_view label) {
    if (label.empty()) return -1;
    const FieldTables& t = InsertFieldTables();
    for (int row = 0; row < kRowCount; ++row) {
        const std::string& l = t.labels[row];
        if (!l.empty() && label.compare(0, l.size(), l) == 0) return row;
    }
    return -1;
}

void MailWordInsert::CheckOldMailWord(std::string text, std::vector<std::string>& found) {
    static const char* const kOldNames[] = {
        "<%郵便番号(上3桁)%>",       "<%郵便番号(下4桁)%>",       "<%番地%>",
        "<%建物名等%>",              "<%電話番号(市外局番)%>",    "<%電話番号(市内局番以下)%>",
        "<%FAX番号(市外局番)%>",     "<%FAX番号(市内局番以下)%>", "<%携帯番号(0*0)%>",
        "<%携帯番号(それ以外)%>",
    };
    found.clear();
    for (const char* name : kOldNames) {
        const std::string& sjis = SjisLiteral(name);
        if (text.find(sjis) != std::string::npos) found.push_back(sjis);
    }
}

std::string MailWordInsert::HtmlAmpEcnode(std::string_view text) { return HtmlEscape(text); }
