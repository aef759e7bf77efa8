#include "core/addressbook/import_mail_index.h"

#include "core/addressbook/database_edit.h"
#include "core/foundation/sjis_bytes.h"

std::string ImportMailIndex::Fold(std::string_view address) {
    std::string out(address);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (IsSjisLeadByte(c)) {
            ++i;
        } else if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

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
