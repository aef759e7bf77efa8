#pragma once
// ImportMailIndex: the importers' map from a mail address, ASCII letters in lower case,
// to its row in the address book, so that each imported record finds the stored record
// it updates with one look-up whatever the size of the book. Built once per run from
// every row (deleted ones too; a later row of the same address wins) and extended as
// rows are added.

#include <string>
#include <string_view>
#include <unordered_map>

class CDatabaseEdit;

class ImportMailIndex {
public:
    // The caller holds the store's lock.
    void Build(const CDatabaseEdit& book);
    // The row of the address, or -1.
    int Find(std::string_view address) const;
    void Add(std::string_view address, int row);

    // ASCII letters in lower case; the trail byte of a two-byte character is left alone.
    static std::string Fold(std::string_view address);

private:
    std::unordered_map<std::string, int> rows_;
};
