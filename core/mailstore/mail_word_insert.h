#pragma once
// Merge fields: fixed texts such as "<%名前(姓)%>" in a mail's subject and bodies that are
// replaced, for each recipient, by that recipient's values from the address book.
//
// The field table is the one list of merge fields of the system; the composing screens
// build their insertion menus from it. Row n of the table is element n of the
// address-book record. All texts are Shift_JIS.
//
// Merging scans the text once: a value that is inserted is never scanned again, so a
// value holding "<%...%>" stays as it is. Unknown fields (and the field names of older
// versions) stay in the text unchanged; FindUnknownFields lists them, so that a mail is
// not sent with them unawares.
//
// In an HTML part a field may be written either way: escaped, as the composing menus insert
// it ("&lt;%会社名%&gt;", which a browser shows as the field), or plain, as it is typed in
// the subject and the text part ("<%会社名%>", which a browser would take for a tag). Both
// are merged, the values HTML-escaped.

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/addressbook/one_customer.h"

// One row of the field table: the menu label (the element's display name) and the field
// as it is written in a text. Either may be "" (never null, except in the terminating
// row, whose two pointers are both null).
struct WORD_INSERT_STRUCT {
    const char* menuString;
    const char* insertString;
};

class MailWordInsert {
public:
    static constexpr int kRowCount = kCustomerElementCount;  // 56 rows, then the terminator

    // The field table (Shift_JIS texts), rows 0 to 55 and a terminating row of nulls.
    // Filled while the library loads; code that runs during static initialisation of
    // another library should not read it.
    static const std::array<WORD_INSERT_STRUCT, kRowCount + 1> itsMailInsertDefinition;

    MailWordInsert() = default;
    explicit MailWordInsert(std::string text) : originMail(std::move(text)) {}
    MailWordInsert(const MailWordInsert&) = default;
    MailWordInsert& operator=(const MailWordInsert&) = default;
    ~MailWordInsert() = default;

    // Keeps a copy of the text to be merged.
    void SetOriginMail(std::string text) { originMail = std::move(text); }

    // The stored text merged for `customer` (see the static form).
    std::string GetMailWordInsert(const OneCustomer& customer, int html) const {
        return GetMailWordInsert(customer, originMail, html);
    }

    // `text` with every field replaced by the record's value. html nonzero: the text is an
    // HTML part, fields are found in both forms and values are HTML-escaped. An empty text
    // gives ""; a non-empty text whose merge comes out empty gives " ".
    static std::string GetMailWordInsert(const OneCustomer& customer, std::string_view text, int html);

    // The plain merge for a header (a subject, a display name): every control byte of the
    // result (CR, LF, TAB, the other bytes below 0x20 and DEL), whether it came from the
    // text or from a value, becomes a blank, so that no merge value can start a header
    // line of its own.
    static std::string GetMailWordInsertForHeader(const OneCustomer& customer, std::string_view text);

    // The same merge for a text in UTF-8 (a part declared utf-8): the fields are looked for
    // in their UTF-8 form and the values are inserted in UTF-8, so no character of the text
    // is lost to a round trip through Shift_JIS.
    static std::string GetMailWordInsertUtf8(const OneCustomer& customer, std::string_view utf8Text,
                                             int html);

    // The row whose field (in its HTML form when html is nonzero) stands at the start of
    // `text`; -1 when none does or the text is empty.
    static int GetIDFromInsertString(std::string_view text, int html);
    // Calls `take` for every field of `text` in order as the merge finds it (html nonzero:
    // in either form), with its position, length and row.
    static void ForEachField(std::string_view text, int html,
                             const std::function<void(std::size_t at, std::size_t length, int row)>& take);
    // The fields of `text` that the merge leaves as they stand, each once in order of first
    // appearance, as written ("<%名前(性)%>"; html nonzero: the escaped form too): an opener
    // "<%" (or "&lt;%") that starts no known field, followed on the same line, within 64
    // bytes and without an angle bracket, by its closer "%>" (or "%&gt;"). `found` is
    // emptied first. The field names of older versions are among them.
    static void FindUnknownFields(std::string_view text, int html, std::vector<std::string>& found);
    // The row whose menu label stands at the start of `label`; -1 when none does.
    static int GetIDFromMenuString(std::string_view label);

    // The field names of older versions that occur in `text`, in the fixed order of that
    // list, each once; `found` is emptied first. Such names are sent unchanged.
    static void CheckOldMailWord(std::string text, std::vector<std::string>& found);

private:
    // " " -> "&nbsp;", '"' -> "&quot;", '&' -> "&amp;", '<' -> "&lt;", '>' -> "&gt;";
    // other bytes copied (safe for Shift_JIS, whose trail bytes are never below 0x40).
    static std::string HtmlAmpEcnode(std::string_view text);

    std::string originMail;
};
