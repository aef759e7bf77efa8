#pragma once
// How the record editor shows the fields that are not plain text, and what it stores back
// for them, without any widget: the prefecture list, the birth date behind its check box,
// the DM flag list, the record header and the texts of the read-only page.
//
// The rule the screens follow on top of these: a control the user did not change gives
// back the record's own bytes, so a record opened and saved unchanged keeps every element
// (the store then renews only its renewal date). In particular
//  - a prefecture that is not one of the list's entries (a region typed elsewhere, a
//    partial name) is offered as an extra entry and kept, never turned into "<未選択>"
//    or into a longer name that merely begins with it; a stored record's empty
//    prefecture shows "<未選択>" and stays empty (a new record stores "<未選択>");
//  - a birth date that is no full date ("昭和45年", "1970/05") is shown as it stands next
//    to the unchecked box and kept, never turned into 1900/01/01 or 1970/05/01.
// Texts are Shift_JIS.

#include <string>
#include <vector>

#include "core/addressbook/one_customer.h"
#include "platform/date_time.h"

namespace addressui {

// ---- Prefecture (control 1751) -----------------------------------------------------------
// "<未選択>" and the 47 prefectures, in the list's order (48 entries).
const std::vector<std::string>& PrefectureEntries();

// Which entry shows the stored text: the entry equal to it (exactly), else entry 0
// ("<未選択>") for the empty text, else -1: the text is no entry and is offered as an
// extra entry after the 48.
int PrefectureEntryOf(const std::string& stored);

// ---- Birth date (controls 1556 and 1555) ---------------------------------------------------
struct BirthDateShown {
    bool checked = false;       // the box is checked and the picker holds `date`
    platform::DateTime date;    // valid when checked
    bool unreadable = false;    // non-empty text that is no full date: shown as it stands
};

// Empty: unchecked. Otherwise its first 19 characters normalised by ReFormat_DateData:
// year, month and day at least give a checked box with that date (and the time of day
// given, or 00:00:00); fewer parts give an unchecked box and `unreadable`.
BirthDateShown ReadBirthDate(const std::string& stored);

// The text stored for a date the user set: "YYYY/MM/DD hh:mm:ss".
std::string BirthDateText(const platform::DateTime& date);

// ---- DM flag (control 1761) ----------------------------------------------------------------
// The two entries: "送ることができる" (0, "Y") and "送ることができない" (1, "N"), UTF-8.
inline constexpr const char* kDmFlagEntries[2] = {"送ることができる", "送ることができない"};
// 0 for "Y", 1 for "N", -1 (no selection) for anything else.
int DmFlagEntryOf(const std::string& stored);
// "Y" or "N" for entries 0 and 1; `stored` for no selection.
std::string DmFlagToStore(int entry, const std::string& stored);

// ---- Texts shown ---------------------------------------------------------------------------
// The header's ID (1740): "新規作成" (UTF-8 literal converted) for ID -1, else the decimal ID.
std::string HeaderIdText(const OneCustomer& record);
// The header's name (1741): surname and given name joined by one blank, or the company
// when both are empty.
std::string HeaderNameText(const OneCustomer& record);
// The read-only page's mail address: "（削除済み）" when the record's is empty.
std::string ReadOnlyMailText(const OneCustomer& record);
// The read-only page's birth date: the first 19 bytes, never ending inside a character.
std::string ReadOnlyBirthDateText(const OneCustomer& record);
// The read-only page's DM flag: the entry's text for "Y" and "N", else empty.
std::string ReadOnlyDmFlagText(const OneCustomer& record);

}  // namespace addressui
