#pragma once
// HistoryIndex: the hash table behind a send history's look-ups by customer ID and by
// Message-ID: 64-bit keys to a pair of row numbers, open addressing with linear probing
// in one flat array. A million-row history builds both indexes without a heap node per
// row, which is what makes opening it fast.

#include <cstddef>
#include <cstdint>
#include <vector>

class HistoryIndex {
public:
    struct Value {
        int first = -1;
        int last = -1;
    };

    void Clear() {
        slots_.clear();
        used_ = 0;
    }
    void Reserve(std::size_t n);
    std::size_t Size() const { return used_; }
    // The value of `key`, or null.
    Value* Find(std::uint64_t key);
    const Value* Find(std::uint64_t key) const { return const_cast<HistoryIndex*>(this)->Find(key); }
    // The value of `key`, inserted as {-1, -1} when missing; `fresh` says which.
    Value& Insert(std::uint64_t key, bool& fresh);
    void Erase(std::uint64_t key);

private:
    struct Slot {
        std::uint64_t key;  // stored as key | nothing: 0 marks an empty slot (see Key)
        Value value;
    };
    // 0 is the empty mark: the one key that maps to it is moved to another value.
    static std::uint64_t Key(std::uint64_t k) { return k == 0 ? 0x9E3779B97F4A7C15ull : k; }
    std::size_t Home(std::uint64_t k) const {
        return static_cast<std::size_t>((k * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    void Grow();

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    unsigned shift_ = 64;
};
