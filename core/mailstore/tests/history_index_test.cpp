// The flat hash table of the send history's indexes against std::unordered_map, with a
// small key space so that runs of probed slots form, wrap and are cut by erasures.

#include "core/mailstore/history_index.h"

#include <gtest/gtest.h>

#include <random>
#include <unordered_map>

namespace {

TEST(HistoryIndex, AgreesWithAReferenceMapUnderInsertsAndErasures) {
    std::mt19937_64 rng(7);
    HistoryIndex index;
    std::unordered_map<std::uint64_t, int> ref;
    for (int step = 0; step < 200000; ++step) {
        // Keys 0..299 (0 included: the empty mark's stand-in) and a few large ones.
        const std::uint64_t key = rng() % 8 == 0 ? rng() : rng() % 300;
        if (rng() % 3 == 0) {
            index.Erase(key);
            ref.erase(key);
        } else {
            bool fresh = false;
            index.Insert(key, fresh).first = step;
            ASSERT_EQ(fresh, ref.count(key) == 0) << key;
            ref[key] = step;
        }
        ASSERT_EQ(index.Size(), ref.size());
        if (step % 1000 == 0) {
            for (std::uint64_t k = 0; k < 300; ++k) {
                const HistoryIndex::Value* v = index.Find(k);
                const auto it = ref.find(k);
                ASSERT_EQ(v != nullptr, it != ref.end()) << k << " at " << step;
                if (v != nullptr) {
                    ASSERT_EQ(v->first, it->second);
                }
            }
            for (const auto& [k, value] : ref) {
                const HistoryIndex::Value* v = index.Find(k);
                ASSERT_NE(v, nullptr) << k;
                ASSERT_EQ(v->first, value);
            }
        }
    }
}

}  // namespace
