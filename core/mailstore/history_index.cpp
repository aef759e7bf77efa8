#include "core/mailstore/history_index.h"

void HistoryIndex::Reserve(std::size_t n) {
    std::size_t cap = 16;
    unsigned bits = 4;
    while (cap < 2 * n) {
        cap *= 2;
        ++bits;
    }
    if (cap <= slots_.size()) return;
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(cap, Slot{0, Value{}});
    shift_ = 64 - bits;
    used_ = 0;
    for (const Slot& s : old) {
        if (s.key == 0) continue;
        bool fresh;
        Insert(s.key, fresh) = s.value;
    }
}

void HistoryIndex::Grow() { Reserve(slots_.empty() ? 8 : slots_.size()); }

HistoryIndex::Value* HistoryIndex::Find(std::uint64_t key) {
    if (slots_.empty()) return nullptr;
    const std::uint64_t k = Key(key);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Home(k);; i = (i + 1) & mask) {
        Slot& s = slots_[i];
        if (s.key == k) return &s.value;
        if (s.key == 0) return nullptr;
    }
}

HistoryIndex::Value& HistoryIndex::Insert(std::uint64_t key, bool& fresh) {
    if (2 * (used_ + 1) > slots_.size()) Grow();
    const std::uint64_t k = Key(key);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Home(k);; i = (i + 1) & mask) {
        Slot& s = slots_[i];
        if (s.key == k) {
            fresh = false;
            return s.value;
        }
        if (s.key == 0) {
            s.key = k;
            s.value = Value{};
            ++used_;
            fresh = true;
            return s.value;
        }
    }
}

void HistoryIndex::Erase(std::uint64_t key) {
    if (slots_.empty()) return;
    const std::uint64_t k = Key(key);
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = Home(k);
    while (slots_[i].key != k) {
        if (slots_[i].key == 0) return;
        i = (i + 1) & mask;
    }
    // Backward-shift deletion: move later members of the run into the hole when their
    // home lies at or before it, so that no search stops early.
    std::size_t hole = i;
    for (std::size_t j = (i + 1) & mask; slots_[j].key != 0; j = (j + 1) & mask) {
        const std::size_t home = Home(slots_[j].key);
        const bool movable = hole <= j ? (home <= hole || home > j) : (home <= hole && home > j);
        if (movable) {
            slots_[hole] = slots_[j];
            hole = j;
        }
    }
    slots_[hole].key = 0;
    slots_[hole].value = Value{};
    --used_;
}
