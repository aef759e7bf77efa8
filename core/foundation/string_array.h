#pragma once
// XCStringArrayEx: the string array that is one row of the record tables, a thin class
// over std::vector<std::string> with the small array interface the stores use. Copies
// are deep. Indexes are not checked by GetAt/SetAt/operator[] (as with any array); the
// tables check them before they get here.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class XCStringArrayEx {
public:
    XCStringArrayEx() = default;
    XCStringArrayEx(std::initializer_list<std::string> items) : items_(items) {}
    explicit XCStringArrayEx(std::vector<std::string> items) : items_(std::move(items)) {}
    XCStringArrayEx(const XCStringArrayEx&) = default;
    XCStringArrayEx(XCStringArrayEx&&) noexcept = default;
    XCStringArrayEx& operator=(const XCStringArrayEx&) = default;
    XCStringArrayEx& operator=(XCStringArrayEx&&) noexcept = default;
    virtual ~XCStringArrayEx() = default;

    // Empties `target` and appends every string of `source`.
    static void Copy(XCStringArrayEx& target, const XCStringArrayEx& source) {
        if (&target != &source) target.items_ = source.items_;
    }

    int GetSize() const { return static_cast<int>(items_.size()); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return items_.empty(); }
    // Grows with empty texts or shrinks to n strings.
    void SetSize(int n) { items_.resize(n > 0 ? static_cast<std::size_t>(n) : 0); }

    const std::string& GetAt(int i) const { return items_[static_cast<std::size_t>(i)]; }
    std::string& ElementAt(int i) { return items_[static_cast<std::size_t>(i)]; }
    void SetAt(int i, std::string s) { items_[static_cast<std::size_t>(i)] = std::move(s); }
    // Sets element i, growing the array with empty texts when i is past the end.
    void SetAtGrow(int i, std::string s) {
        if (i < 0) return;
        if (static_cast<std::size_t>(i) >= items_.size()) items_.resize(static_cast<std::size_t>(i) + 1);
        items_[static_cast<std::size_t>(i)] = std::move(s);
    }
    const std::string& operator[](int i) const { return GetAt(i); }
    std::string& operator[](int i) { return ElementAt(i); }

    // Appends and returns the new index.
    int Add(std::string s) {
        items_.push_back(std::move(s));
        return GetSize() - 1;
    }
    // Appends all strings of `other`; returns the index of the first appended one.
    int Append(const XCStringArrayEx& other) {
        const int at = GetSize();
        items_.insert(items_.end(), other.items_.begin(), other.items_.end());
        return at;
    }
    // Inserts `count` copies of s before index i (i may equal the size).
    void InsertAt(int i, const std::string& s, int count = 1) {
        if (i < 0 || i > GetSize() || count <= 0) return;
        items_.insert(items_.begin() + i, static_cast<std::size_t>(count), s);
    }
    void RemoveAt(int i, int count = 1) {
        if (i < 0 || count <= 0 || i >= GetSize()) return;
        const int last = i + count > GetSize() ? GetSize() : i + count;
        items_.erase(items_.begin() + i, items_.begin() + last);
    }
    void RemoveAll() { items_.clear(); }

    const std::vector<std::string>& values() const { return items_; }
    std::vector<std::string>& values() { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }

    bool operator==(const XCStringArrayEx& other) const { return items_ == other.items_; }

private:
    std::vector<std::string> items_;
};
