#include "app/settings/import_book_guard.h"

#include <mutex>

#include "core/addressbook/database_edit.h"
#include "platform/named_mutex.h"

namespace settings {

ImportBookGuard::ImportBookGuard(CDatabaseEdit& book) : book_(book) {
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> hold(mutex);
    const int n = book.GetLineNumber();
    rows_.reserve(static_cast<std::size_t>(n));
    XCStringArrayEx row;
    for (int i = 0; i < n; ++i) {
        book.GetAtLine(i, row);
        rows_.emplace_back(row.values());
    }
}

int ImportBookGuard::Restore() {
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> hold(mutex);
    if (const int r = book_.RemoveAll(1); r != 0) return r;
    XCStringArrayEx row;
    for (const PackedRow& packed : rows_) {
        row.values() = packed.ToStrings();
        if (const int r = book_.AddLine(row); r != 0) return r;
    }
    book_.MakeIndex();
    return 0;
}

}  // namespace settings
