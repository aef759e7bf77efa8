#pragma once
// SjisSortKeys: the sort keys of the rows of a list of personal records, for sorting by a
// text column in Shift_JIS character order (a two-byte character counting as lead * 256 +
// trail, after every one-byte character: the multibyte comparison's order; see
// AppendSjisSortKey). The lists that sort a million rows by a column (the
// personal-information list, the search result) share it.
//
// All keys live in one buffer, each row holding only its offset and length, so a million
// keys cost one allocation, not a million; a key set again (a row whose record was edited)
// is appended and the old bytes are left unused until the keys are made afresh.
//
// Order() compares the first 24 bytes of two keys as three numbers and touches the buffer
// only when those are equal, so a sort of a million names or dates takes a fraction of a
// second. Equal keys keep the order of their row numbers in either direction, so a sort
// is stable and its result never depends on the sort algorithm.
//
// Not thread-safe: one thread at a time (the lists build and sort their keys on a worker
// and hand them over whole).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace addressui {

class SjisSortKeys {
public:
    SjisSortKeys() = default;
    // `rows` rows with empty keys.
    explicit SjisSortKeys(std::size_t rows) : spans_(rows) {}

    std::size_t Size() const { return spans_.size(); }
    // Room for `rows` rows and `bytes` bytes of keys.
    void Reserve(std::size_t rows, std::size_t bytes);
    // Appends a row whose key is made from `text` (Shift_JIS).
    void Append(std::string_view text);
    // Sets the key of row `row` (< Size()) from `text`.
    void Set(std::size_t row, std::string_view text);

    // The row numbers in key order, descending when asked; equal keys by row number.
    std::vector<int> Order(bool descending) const;
    // Rearranges the rows: new row i gets the key of old row `order[i]` (a permutation of
    // 0 .. Size()-1, as Order gives it).
    void Permute(const std::vector<int>& order);

private:
    struct Span {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };
    Span Make(std::string_view text);

    std::vector<Span> spans_;
    std::string buffer_;
};

}  // namespace addressui
