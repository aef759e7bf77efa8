#pragma once
// ImportMapping: which column of the import file goes into which address-book item.
//
// There are 36 target items (kTargetCount): the 16 fixed ones (mail address, names, kana,
// company, department, birthday, postal code, prefecture, city, street, phone, fax,
// mobile, DM flag) and the 20 extension items A-T under the names the system options
// give them. Each target holds the index of one source column or -1. The source columns
// that no target holds form the free pool, always kept in ascending order, so the list of
// free columns reads in file order.
//
// Guarantees: a column is never held by two targets nor by a target and the pool at
// once; together they always hold every column 0 .. columns-1 exactly once. Every
// operation that would break that (an index out of range, a row that does not exist)
// changes nothing and answers false.
//
// The column map the import takes (one entry per address-book element, 56) comes from
// the targets through the importable-element mask.

#include <array>
#include <string>
#include <vector>

struct DB_Element_Info;
class SystemOption;

namespace settings {

class ImportMapping {
public:
    static constexpr int kTargetCount = 36;
    static constexpr int kFixedTargets = 16;
    // One character per address-book element 0-55; "1" marks an importable element. Its
    // 36 "1"s, in element order, are the 36 targets in order.
    static constexpr const char* kElementMask = "01111111110111010101010000001111111111111111111100000000";

    // The element of target `row` (-1 outside 0-35).
    static int TargetElement(int row);
    // The target names (Shift_JIS): the 16 fixed names, then the extension item names of
    // `options` (empty names when they cannot be read).
    static std::vector<std::string> TargetNames(SystemOption* options);

    // Every target unassigned and the pool 0 .. columns-1.
    void Reset(int columns);
    int ColumnCount() const { return columns_; }
    const std::array<int, kTargetCount>& Assignment() const { return assignment_; }
    const std::vector<int>& Pool() const { return pool_; }
    int SourceOf(int row) const { return row >= 0 && row < kTargetCount ? assignment_[static_cast<std::size_t>(row)] : -1; }

    // Gives target `row` the column at `poolRow` of the pool; a column the target held
    // goes back into the pool at its place. False (nothing changed) for a row or pool row
    // that does not exist.
    bool Assign(int row, int poolRow);
    // Puts the column of target `row` back into the pool. False when it held none.
    bool Unassign(int row);

    // Takes a loaded assignment and pool, after checking that together they hold every
    // column 0 .. columns-1 exactly once (the pool is sorted). False (nothing changed)
    // otherwise.
    bool Adopt(int columns, const std::vector<int>& assignment, std::vector<int> pool);

    // The 56-entry column map: for each importable element in `elements` (as
    // CDatabaseEdit::Get_DBElementInfo gives them for kElementMask, target order) the
    // column `assignment` gives its target; -1 elsewhere.
    static std::vector<int> ColumnMap(const std::array<int, kTargetCount>& assignment,
                                      const std::vector<DB_Element_Info>& elements);

private:
    void ReturnToPool(int column);

    int columns_ = 0;
    std::array<int, kTargetCount> assignment_ = Unassigned();
    std::vector<int> pool_;

    static std::array<int, kTargetCount> Unassigned() {
        std::array<int, kTargetCount> a{};
        a.fill(-1);
        return a;
    }
};

}  // namespace settings
