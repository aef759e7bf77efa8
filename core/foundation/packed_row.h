#pragma once
// PackedRow: one table row held compactly in a single heap block: the element count, the
// end offset of every element (two bytes each while the row is under 64 KB, else four)
// and the element texts back to back, each followed by a NUL. The NULs let a row be
// copied in one piece from a reader's field buffer, which has the same shape. A million-row address book of 56 short texts costs
// about a quarter of what separate std::strings would. Rows are immutable; a change builds
// a new row.

#include <cstddef>
#include <cstdint>
#include <cstring>
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

    std::size_t size() const {
        if (!block_) return 0;
        uint32_t n;
        std::memcpy(&n, block_.get(), 4);
        return n;
    }
    // Element i (i below size()).
    std::string_view at(std::size_t i) const {
        const unsigned char* p = block_.get();
        uint32_t count;
        std::memcpy(&count, p, 4);
        const unsigned width = p[4];
        const unsigned char* offs = p + kHeader;
        const char* bytes = reinterpret_cast<const char*>(offs + count * width);
        std::size_t start = 0, end;
        if (width == 2) {
            uint16_t e[2] = {0, 0};
            if (i == 0) std::memcpy(&e[1], offs, 2);
            else std::memcpy(e, offs + 2 * (i - 1), 4);
            start = i == 0 ? 0 : e[0] + 1u;
            end = e[1];
        } else {
            uint32_t e[2] = {0, 0};
            if (i == 0) std::memcpy(&e[1], offs, 4);
            else std::memcpy(e, offs + 4 * (i - 1), 8);
            start = i == 0 ? 0 : e[0] + 1u;
            end = e[1];
        }
        return std::string_view(bytes + start, end - start);
    }
    std::vector<std::string> ToStrings() const;
    // A copy with element i replaced.
    PackedRow With(std::size_t i, std::string_view value) const;

private:
    static constexpr std::size_t kHeader = 5;
    // Layout: uint32 count | uint8 width | count end offsets of `width` bytes (the
    // position of each element's NUL) | element bytes and NULs.
    std::unique_ptr<unsigned char[]> block_;
};
