#include "app/addressui/search_result_cells.h"

#include <mutex>

#include "core/addressbook/database_edit.h"
#include "core/foundation/sjis_bytes.h"
#include "core/foundation/validation.h"
#include "platform/named_mutex.h"

namespace addressui {

void ResultCellText(CDatabaseEdit& book, int row, int element, std::string& out, std::string& scratch) {
    out.clear();
    book.GetAtElement(row, element, out);
    switch (element) {
        case 8:
            // A stored date with its time shows the date alone.
            if (CheckDateTypeData(out, 4) != 0) {
                const std::size_t blank = out.find(' ');
                if (blank != std::string::npos) out.resize(blank);
            }
            break;
        case 9:
        case 15:
        case 17:
        case 19:
            scratch.clear();
            book.GetAtElement(row, element + 1, scratch);
            if (!out.empty() && !scratch.empty()) out += '-';
            out += scratch;
            break;
        default:
            break;
    }
}

bool ResultCellTextOf(CDatabaseEdit& book, int id, int element, std::string& out) {
    platform::NamedMutex bookMutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(bookMutex);
    const int row = book.DBID2RowNumber(id);
    if (row < 0) {
        out.clear();
        return false;
    }
    std::string scratch;
    ResultCellText(book, row, element, out, scratch);
    return true;
}

void AppendSjisSortKey(std::string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (IsSjisLeadByte(c) && i + 1 < text.size()) {
            out += static_cast<char>(c);
            out += text[++i];
        } else {
            // A one-byte character above 0x7F (half-width kana, a stray byte): after the
            // ASCII characters, before every two-byte one (whose lead is 0x81 or more).
            out += static_cast<char>(0x80);
            out += static_cast<char>(c);
        }
    }
}

}  // namespace addressui
