#pragma once
// The CSV export of the address book in its three layouts. Other programs read these
// files, so their bytes are a format: Shift_JIS text as stored, every field in double
// quotes with inner double quotes doubled, fields separated by ",", lines ended by CR LF.
//
// Layouts (columns and header texts fixed; see csv_export.cpp for the tables):
//  1 general (39 columns): ID, address, names, company, birth date, postal code, address,
//    phones, DM flag, attributes A-T under their configured names, the two dates. The
//    header row only when asked for. "DM以外送付可否" (element 22) is not written.
//  2 Brindell (37 columns, header always): the online shop's customer layout; attributes
//    A-F and Q-S under the shop's fixed names, G-P under the configured names; attribute T
//    is not written.
//  3 web service (35 columns, or 3 in the short form; header always): names joined, a
//    seven-digit postal code with its hyphen, "<未選択>" written empty, the DM flag as
//    "受信する"/"受信しない", attribute headers with their kind ("拡張属性C(年月日型)"),
//    every row ending with "#END".
// Every layout skips records without a mail address. Birth dates and date attributes are
// written as their first 10 bytes (the date), and no cut ever falls inside a two-byte
// character: a text that is not a date loses its last byte rather than half a character.
//
// Writing is safe: the lines go to a temporary file beside the target, which replaces the
// target only when every line was written. A failed export leaves the file that was
// there before (or none) untouched. Unlike the program's own files, an export is meant for
// other programs at a place the user chose: its mode follows the user's umask (a replaced
// file keeps its mode).
//
// The address book is read under its lock in blocks of records, so an export of a large
// book does not hold up a send run for its whole length.

#include <string>
#include <string_view>
#include <vector>

#include "app/addressui/column_layout.h"

class CDatabaseEdit;

namespace addressui {

enum ExportLayout : int { kExportGeneral = 1, kExportBrindell = 2, kExportWebService = 3 };

struct AddressExportRequest {
    std::string path;           // file-system bytes
    int layout = kExportGeneral;
    int recordKind = 0;         // 0 not marked deleted, 1 deleted only, 2 all
    bool itemNames = false;     // general layout: write the header row
    bool nameAndAddressOnly = false;  // web-service layout: the short form
    std::vector<std::string> attributeNames;  // A-T (Shift_JIS), from the system options
};

enum : int {
    kExportOk = 0,
    kExportOpenFailed = -1,   // the file could not be created
    kExportWriteFailed = -2,  // a line or the final replacement failed
    kExportBadRequest = -3,   // unknown layout or record kind
};

// Writes the export: kExportOk or a negative code above.
int ExportAddressBook(CDatabaseEdit& book, const AddressExportRequest& request);

// The rows `ids` of a list of personal records as the list shows them, in that order:
// one field per column of `columns`, each cell by the list's own rule
// (search_result_cells.h), the ID column as the ID. With `header` the first line holds the
// column captions, each cut to 100 bytes. An ID the book no longer holds writes its ID and
// empty cells. Written safely, as above: kExportOk, kExportOpenFailed or kExportWriteFailed.
int ExportListRows(CDatabaseEdit& book, const std::string& path, const std::vector<ListColumn>& columns,
                   const std::vector<int>& ids, bool header);

// The first `bytes` bytes of `text`, one fewer when the cut would split a two-byte
// character.
std::string CutAtCharacter(std::string_view text, std::size_t bytes);

}  // namespace addressui
