#include "app/settings/import_wizard_mapping.h"

#include <algorithm>

#include "core/addressbook/one_customer.h"
#include "core/foundation/cp932.h"
#include "core/foundation/system_option.h"

namespace settings {
namespace {

const std::array<int, ImportMapping::kTargetCount>& TargetElements() {
    static const std::array<int, ImportMapping::kTargetCount> elements = [] {
        std::array<int, ImportMapping::kTargetCount> out{};
        std::size_t k = 0;
        for (int e = 0; ImportMapping::kElementMask[e] != '\0'; ++e)
            if (ImportMapping::kElementMask[e] == '1') out[k++] = e;
        return out;
    }();
    return elements;
}

}  // namespace

int ImportMapping::TargetElement(int row) {
    return row >= 0 && row < kTargetCount ? TargetElements()[static_cast<std::size_t>(row)] : -1;
}

std::vector<std::string> ImportMapping::TargetNames(SystemOption* options) {
    static const char* const kFixed[kFixedTargets] = {
        "メールアドレス", "名前(姓)", "名前(名)", "かな(せい)", "かな(めい)", "会社名",
        "部署名",         "生年月日", "郵便番号", "都道府県",   "市区町村",   "番地以下",
        "電話番号",       "FAX番号",  "携帯番号", "DM送付可否"};
    std::vector<std::string> names;
    names.reserve(kTargetCount);
    for (const char* name : kFixed) names.push_back(SjisLiteral(name));
    std::vector<std::string> extra;
    if (options == nullptr || options->GetSOExtractDataFromMemory(extra) < 0) extra.clear();
    extra.resize(kTargetCount - kFixedTargets);
    for (std::string& name : extra) names.push_back(std::move(name));
    return names;
}

void ImportMapping::Reset(int columns) {
    columns_ = std::max(columns, 0);
    assignment_ = Unassigned();
    pool_.resize(static_cast<std::size_t>(columns_));
    for (int c = 0; c < columns_; ++c) pool_[static_cast<std::size_t>(c)] = c;
}

void ImportMapping::ReturnToPool(int column) {
    pool_.insert(std::upper_bound(pool_.begin(), pool_.end(), column), column);
}

bool ImportMapping::Assign(int row, int poolRow) {
    if (row < 0 || row >= kTargetCount || poolRow < 0 || poolRow >= static_cast<int>(pool_.size())) return false;
    const int column = pool_[static_cast<std::size_t>(poolRow)];
    pool_.erase(pool_.begin() + poolRow);
    int& held = assignment_[static_cast<std::size_t>(row)];
    if (held >= 0) ReturnToPool(held);
    held = column;
    return true;
}

bool ImportMapping::Unassign(int row) {
    if (row < 0 || row >= kTargetCount) return false;
    int& held = assignment_[static_cast<std::size_t>(row)];
    if (held < 0) return false;
    ReturnToPool(held);
    held = -1;
    return true;
}

bool ImportMapping::Adopt(int columns, const std::vector<int>& assignment, std::vector<int> pool) {
    if (columns < 0 || assignment.size() != static_cast<std::size_t>(kTargetCount)) return false;
    std::vector<char> seen(static_cast<std::size_t>(columns), 0);
    const auto take = [&seen, columns](int column) {
        if (column < 0 || column >= columns || seen[static_cast<std::size_t>(column)]) return false;
        seen[static_cast<std::size_t>(column)] = 1;
        return true;
    };
    for (int column : assignment)
        if (column != -1 && !take(column)) return false;
    for (int column : pool)
        if (!take(column)) return false;
    if (std::find(seen.begin(), seen.end(), 0) != seen.end()) return false;
    std::sort(pool.begin(), pool.end());
    columns_ = columns;
    std::copy(assignment.begin(), assignment.end(), assignment_.begin());
    pool_ = std::move(pool);
    return true;
}

std::vector<int> ImportMapping::ColumnMap(const std::array<int, kTargetCount>& assignment,
                                          const std::vector<DB_Element_Info>& elements) {
    std::vector<int> map(kCustomerElementCount, -1);
    const std::size_t n = std::min(elements.size(), static_cast<std::size_t>(kTargetCount));
    for (std::size_t j = 0; j < n; ++j) {
        const int e = elements[j].element;
        if (e >= 0 && e < kCustomerElementCount) map[static_cast<std::size_t>(e)] = assignment[j];
    }
    return map;
}

}  // namespace settings
