#pragma once
// What a cell of a list of personal records shows, made from the stored element when the
// cell is shown, sorted or exported (never kept per row):
//  - element 8 (birth date): a date with a time ("1970/01/02 00:00:00") shows its date
//    only, cut at the first blank; any other text as stored;
//  - elements 9, 15, 17, 19 (postal code, phone, FAX, mobile): joined with their second
//    part (10, 16, 18, 20) by "-" when both parts are given, else the two as they are;
//  - every other element as stored.
// Texts are Shift_JIS. The list and its CSV export share this one rule, so a file holds
// exactly what the list showed.

#include <string>
#include <string_view>

class CDatabaseEdit;

namespace addressui {

// The cell of element `element` for the record in table row `row` of `book`, into `out`
// (`scratch` is a work buffer). The caller holds the book's lock and has found the row.
void ResultCellText(CDatabaseEdit& book, int row, int element, std::string& out, std::string& scratch);

// The same for customer `id`, taking the lock itself: false (out empty) when the book
// does not hold the ID.
bool ResultCellTextOf(CDatabaseEdit& book, int id, int element, std::string& out);

// A byte string whose plain byte order (memcmp, shorter first) is the character order of
// the Shift_JIS text `text` (a two-byte character counting as lead * 256 + trail, so every
// one sorts after the one-byte characters and half-width kana, as the multibyte comparison
// orders them), appended to `out`. Sorting by it is sorting by CompareSjisChars.
void AppendSjisSortKey(std::string_view text, std::string& out);

}  // namespace addressui
