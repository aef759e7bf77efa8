#pragma once
// AddressBookRows: reads the address book for the content checks, which look at a few
// elements of every recipient of a mail (a million of them is normal use).
//
// It holds the address book's own lock (CDatabaseEdit::kMutexName) for its whole life, so
// one pass sees one state of the book and nothing can change it meanwhile. Keep it for one
// pass only, and never across a message box.
//
// Customer IDs are turned into rows on the thread that made the object, through a direct
// table built from the book's IDs when the book's IDs are dense enough (IDs come from a
// sequence, so they are), otherwise, and for IDs outside that table, through the book's
// own index. Either way an ID gives the row the book's index gives (the last row of a
// repeated ID).
//
// Rows are then read in parts on up to kMaxThreads threads (ForEachPart): reading a
// million scattered rows is bound by memory, not by the processor, and several readers
// overlap their waits. The helper threads read the table through its unlocked readers,
// which is safe because the lock this object holds keeps every writer out until the pass
// has ended; the calling thread takes a part itself and waits only for the others'
// arithmetic, never for anything that could wait on it.

#include <algorithm>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/addressbook/database_edit.h"
#include "platform/named_mutex.h"

namespace compose {

class AddressBookRows {
public:
    static constexpr int kMaxThreads = 4;
    // Rows a part should have at least before another thread is worth starting.
    static constexpr std::size_t kRowsPerThread = 50000;

    // `lookups`: about how many IDs the pass will turn into rows; the direct table is made
    // only when it pays for itself.
    AddressBookRows(CDatabaseEdit& book, std::size_t lookups);
    AddressBookRows(const AddressBookRows&) = delete;
    AddressBookRows& operator=(const AddressBookRows&) = delete;

    // The row of customer `id`, or -1 when the book has no such customer. Owner thread only.
    int RowOf(int id) const {
        if (id >= 0 && static_cast<std::size_t>(id) < direct_.size()) return direct_[static_cast<std::size_t>(id)];
        if (useDirect_ && (id >= 0 || !negativeIds_)) return -1;
        return book_.DBID2RowNumber(id);
    }
    // RowOf for each ID, in order. Owner thread only.
    void RowsOf(const std::vector<int>& ids, std::vector<int>& rows) const;

    // Element `element` of row `row` into `out` (reusing its buffer). Any thread, during
    // ForEachPart.
    void Element(int row, int element, std::string& out) const {
        static_cast<const CMyDB&>(book_).GetAtElement(row, element, out);
    }

    // The number of parts ForEachPart splits `count` rows into.
    static int Parts(std::size_t count) {
        const unsigned hw = std::max(1u, std::thread::hardware_concurrency());
        const std::size_t byWork = count / kRowsPerThread + 1;
        return static_cast<int>(std::min<std::size_t>({byWork, static_cast<std::size_t>(kMaxThreads), hw}));
    }
    // Calls fn(first, last, part) for the Parts(count) consecutive ranges of [0, count),
    // part 0 on this thread, and returns when all have returned. An exception of a part is
    // passed on after every part has ended.
    template <class Fn>
    void ForEachPart(std::size_t count, Fn fn) const {
        const int parts = Parts(count);
        auto range = [&](int p) { return std::pair{count * p / parts, count * (p + 1) / parts}; };
        std::vector<std::exception_ptr> errors(static_cast<std::size_t>(parts));
        std::vector<std::thread> helpers;
        for (int p = 1; p < parts; ++p) {
            helpers.emplace_back([&, p] {
                try {
                    const auto [first, last] = range(p);
                    fn(first, last, p);
                } catch (...) {
                    errors[static_cast<std::size_t>(p)] = std::current_exception();
                }
            });
        }
        try {
            const auto [first, last] = range(0);
            fn(first, last, 0);
        } catch (...) {
            errors[0] = std::current_exception();
        }
        for (std::thread& t : helpers) t.join();
        for (const std::exception_ptr& e : errors)
            if (e) std::rethrow_exception(e);
    }

private:
    platform::NamedMutex mutex_{CDatabaseEdit::kMutexName};
    std::unique_lock<platform::NamedMutex> lock_;
    CDatabaseEdit& book_;
    std::vector<int> direct_;  // row by ID, -1 for none
    bool useDirect_ = false;
    bool negativeIds_ = false;
};

}  // namespace compose
