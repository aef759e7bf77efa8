#include "core/foundation/packed_row.h"

#include <cstring>

PackedRow::PackedRow(const std::string_view* elems, std::size_t count) {
    std::size_t data = count;  // the NULs
    // Texts that lie back to back with one byte between them (a reader's field buffer)
    // are copied in one piece.
    bool joined = true;
    for (std::size_t i = 0; i < count; ++i) {
        data += elems[i].size();
        if (i > 0 && elems[i].data() != elems[i - 1].data() + elems[i - 1].size() + 1) joined = false;
    }
    const unsigned width = data <= 0xFFFF ? 2 : 4;
    block_.reset(new unsigned char[kHeader + count * width + data]);
    unsigned char* p = block_.get();
    const uint32_t n = static_cast<uint32_t>(count);
    std::memcpy(p, &n, 4);
    p[4] = static_cast<unsigned char>(width);
    unsigned char* offs = p + kHeader;
    unsigned char* bytes = offs + count * width;
    if (joined && count > 0) std::memcpy(bytes, elems[0].data(), data - 1);
    std::size_t end = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!joined && !elems[i].empty()) std::memcpy(bytes + end, elems[i].data(), elems[i].size());
        end += elems[i].size();
        bytes[end] = '\0';
        if (width == 2) {
            const uint16_t e = static_cast<uint16_t>(end);
            std::memcpy(offs + 2 * i, &e, 2);
        } else {
            const uint32_t e = static_cast<uint32_t>(end);
            std::memcpy(offs + 4 * i, &e, 4);
        }
        ++end;
    }
}

PackedRow::PackedRow(const std::vector<std::string>& elems) {
    std::vector<std::string_view> views(elems.begin(), elems.end());
    *this = PackedRow(views.data(), views.size());
}

PackedRow PackedRow::Empty(std::size_t count) {
    std::vector<std::string_view> views(count);
    return PackedRow(views.data(), views.size());
}

std::vector<std::string> PackedRow::ToStrings() const {
    const std::size_t n = size();
    std::vector<std::string> out;
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) out.emplace_back(at(i));
    return out;
}

PackedRow PackedRow::With(std::size_t i, std::string_view value) const {
    const std::size_t n = size();
    std::vector<std::string_view> views(n);
    for (std::size_t k = 0; k < n; ++k) views[k] = k == i ? value : at(k);
    return PackedRow(views.data(), n);
}
