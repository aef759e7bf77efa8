#include "app/settings/import_book_guard.h"

#include <mutex>

#include "core/addressbook/database_edit.h"
#include "platform/named_mutex.h"

namespace settings {

ImportBookGuard::ImportBookGuard(CDatabaseEdit& book) : book_(book) {
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> hold(mutex);
    changes_ = book.GetChangeCount();
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
    if (book_.GetChangeCount() == changes_) return 0;
    // Built aside and put in place in one step, saved whole.
    CDatabaseEdit copy;
    XCStringArrayEx row;
    for (const PackedRow& packed : rows_) {
        row.values() = packed.ToStrings();
        if (const int r = copy.AddLine(row); r != 0) return r;
    }
    return book_.ReplaceRowsWith(copy);
}

}  // namespace settings
