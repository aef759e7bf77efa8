#include "app/addressui/sjis_sort_keys.h"

#include <algorithm>
#include <cstring>

#include "app/addressui/search_result_cells.h"

namespace addressui {
namespace {

// A key as Order compares it: its first 24 bytes as three big-endian numbers (zero-padded:
// keys hold no zero byte, so a shorter key still sorts first), the rest in the buffer.
constexpr std::size_t kInlineBytes = 24;

struct OrderKey {
    std::uint64_t prefix[3];
    std::uint32_t offset;
    std::uint32_t length;
    int row;
};

void SetPrefix(OrderKey& key, const char* bytes) {
    for (std::size_t w = 0; w < 3; ++w) {
        std::uint64_t p = 0;
        for (std::size_t i = w * 8; i < w * 8 + 8; ++i)
            p = (p << 8) | (i < key.length ? static_cast<unsigned char>(bytes[i]) : 0u);
        key.prefix[w] = p;
    }
}

// <0, 0, >0 as the keys' bytes compare (shorter first on a common start).
int CompareKeys(const OrderKey& a, const OrderKey& b, const std::string& buffer) {
    for (std::size_t w = 0; w < 3; ++w)
        if (a.prefix[w] != b.prefix[w]) return a.prefix[w] < b.prefix[w] ? -1 : 1;
    if (a.length > kInlineBytes && b.length > kInlineBytes) {
        const std::size_t n = std::min(a.length, b.length) - kInlineBytes;
        const int c = std::memcmp(buffer.data() + a.offset + kInlineBytes, buffer.data() + b.offset + kInlineBytes, n);
        if (c != 0) return c;
    }
    return a.length == b.length ? 0 : (a.length < b.length ? -1 : 1);
}

}  // namespace

void SjisSortKeys::Reserve(std::size_t rows, std::size_t bytes) {
    spans_.reserve(rows);
    buffer_.reserve(bytes);
}

SjisSortKeys::Span SjisSortKeys::Make(std::string_view text) {
    const std::size_t offset = buffer_.size();
    AppendSjisSortKey(text, buffer_);
    return {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(buffer_.size() - offset)};
}

void SjisSortKeys::Append(std::string_view text) { spans_.push_back(Make(text)); }

void SjisSortKeys::Set(std::size_t row, std::string_view text) { spans_[row] = Make(text); }

std::vector<int> SjisSortKeys::Order(bool descending) const {
    const std::size_t n = spans_.size();
    std::vector<OrderKey> keys(n);
    for (std::size_t i = 0; i < n; ++i) {
        keys[i].offset = spans_[i].offset;
        keys[i].length = spans_[i].length;
        keys[i].row = static_cast<int>(i);
        SetPrefix(keys[i], buffer_.data() + spans_[i].offset);
    }
    std::sort(keys.begin(), keys.end(), [this, descending](const OrderKey& a, const OrderKey& b) {
        const int c = CompareKeys(a, b, buffer_);
        if (c != 0) return descending ? c > 0 : c < 0;
        return a.row < b.row;
    });
    std::vector<int> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = keys[i].row;
    return order;
}

void SjisSortKeys::Permute(const std::vector<int>& order) {
    std::vector<Span> spans(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) spans[i] = spans_[static_cast<std::size_t>(order[i])];
    spans_.swap(spans);
}

}  // namespace addressui
