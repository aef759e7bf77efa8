#include "core/addressbook/import_mail_index.h"

#include "core/addressbook/database_edit.h"
#include "core/foundation/sjis_bytes.h"
#include "core/foundation/string_utils.h"

std::string ImportMailIndex::Fold(std::string_view address) { return LowerAsciiSjis(address); }

void ImportMailIndex::Build(const CDatabaseEdit& book) {
    rows_.clear();
    const int n = book.GetLineNumber();
    rows_.reserve(static_cast<std::size_t>(n > 0 ? n : 0) + 1024);
    std::string address;
    for (int row = 0; row < n; ++row) {
        address.clear();
        book.GetAtElement(row, kElemEmail, address);
        rows_.insert_or_assign(Fold(address), row);
    }
}

int ImportMailIndex::Find(std::string_view address) const {
    const auto it = rows_.find(Fold(address));
    return it == rows_.end() ? -1 : it->second;
}

void ImportMailIndex::Add(std::string_view address, int row) { rows_.insert_or_assign(Fold(address), row); }
