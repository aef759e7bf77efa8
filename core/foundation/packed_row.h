#pragma once
// PackedRow: one table row held compactly in a single heap block: the element count, the
// end offset of every element (two bytes each while the row is under 64 KB, else four)
// and the element bytes back to back. A million-row address book of 56 short texts costs
// about a quarter of what separate std::strings would. Rows are immutable; a change builds
// a new row.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class PackedRow {
public:
    PackedRow() = default;
    // A row of `count` elements taken from elems[0..count-1].
    PackedRow(const std::string_view* elems, std::size_t count);
    explicit PackedRow(const std::vector<std::string>& elems);
    // A row of `count` empty elements.
    static PackedRow Empty(std::size_t count);

    std::size_t size() const;
    std::string_view at(std::size_t i) const;
    std::vector<std::string> ToStrings() const;
    // A copy with element i replaced.
    PackedRow With(std::size_t i, std::string_view value) const;

private:
    // Layout: uint32 count | uint8 width | count end offsets of `width` bytes | bytes.
    std::unique_ptr<unsigned char[]> block_;
};
