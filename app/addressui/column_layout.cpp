#include "app/addressui/column_layout.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "app/environment/environment_service.h"
#include "core/foundation/cp932.h"
#include "core/foundation/string_array.h"

namespace addressui {
namespace {

constexpr const char* kViewSection = "COLUMNVIEW";
constexpr const char* kWidthSection = "COLUMNWIDTH";

struct Defaults {
    std::array<std::string, CDBColumnInfo::kElements> flag;
    std::array<std::string, CDBColumnInfo::kElements> width;
};

const Defaults& DefaultTable() {
    static const Defaults d = [] {
        Defaults t;
        auto set = [&t](int first, int last, const char* flag, const char* width) {
            for (int e = first; e <= last; ++e) {
                t.flag[static_cast<std::size_t>(e)] = flag;
                t.width[static_cast<std::size_t>(e)] = width;
            }
        };
        set(0, 0, "Y", "75");
        set(1, 1, "Y", "130");
        set(2, 3, "Y", "60");
        set(4, 5, "N", "70");
        set(6, 6, "Y", "160");
        set(7, 7, "N", "100");
        set(8, 8, "N", "85");
        set(9, 9, "N", "80");
        set(10, 10, "N", "0");
        set(11, 11, "N", "70");
        set(12, 12, "N", "180");
        set(13, 13, "N", "190");
        set(14, 14, "N", "0");
        set(15, 19, "N", "230");
        set(16, 16, "N", "0");
        set(18, 18, "N", "0");
        set(20, 20, "", "");
        set(21, 21, "Y", "90");
        set(22, 22, "N", "110");
        set(23, 27, "N", "0");
        set(28, 47, "N", "100");
        set(48, 52, "N", "0");
        set(53, 53, "N", "100");
        set(54, 54, "N", "140");
        set(55, 55, "Y", "140");
        return t;
    }();
    return d;
}

const std::array<std::string, CDBColumnInfo::kCaptionCount>& Captions() {
    static const std::array<std::string, CDBColumnInfo::kCaptionCount> c = [] {
        const char* utf8[CDBColumnInfo::kCaptionCount] = {
            "個人ID",   "メールアドレス", "名前(姓)", "名前(名)", "かな(せい)", "かな(めい)",
            "会社名",   "部署名",         "生年月日", "郵便番号", "都道府県",   "市区町村",
            "番地以下", "電話番号",       "FAX番号",  "携帯番号", "DM送付可否", "DM以外送付可否"};
        std::array<std::string, CDBColumnInfo::kCaptionCount> out;
        for (int k = 0; k < CDBColumnInfo::kCaptionCount; ++k)
            out[static_cast<std::size_t>(k)] = Utf8ToSjis(utf8[k]);
        return out;
    }();
    return c;
}

// The number at the start of a width text, as the ini's integer reading takes it.
long WidthNumber(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

}  // namespace

CDBColumnInfo::CDBColumnInfo() = default;

CDBColumnInfo::CDBColumnInfo(std::string iniPath) : ownPath_(true), iniPath_(std::move(iniPath)) {}

std::string CDBColumnInfo::IniPath() const {
    if (ownPath_) return iniPath_;
    shell::EnvironmentService* service = shell::ProgramEnvironment();
    return service != nullptr ? service->EnvIniPath() : std::string();
}

const std::array<int, CDBColumnInfo::kOrderCount>& CDBColumnInfo::DisplayOrder() {
    static const std::array<int, kOrderCount> order = [] {
        std::array<int, kOrderCount> o{};
        const int head[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 15, 17, 19, 21, 22};
        std::size_t k = 0;
        for (int e : head) o[k++] = e;
        for (int e = 28; e <= 47; ++e) o[k++] = e;
        o[k++] = 54;
        o[k++] = 55;
        return o;
    }();
    return order;
}

const std::string& CDBColumnInfo::Caption(int k) {
    static const std::string empty;
    return k >= 0 && k < kCaptionCount ? Captions()[static_cast<std::size_t>(k)] : empty;
}

const std::string& CDBColumnInfo::DefaultFlag(int element) {
    static const std::string empty;
    return element >= 0 && element < kElements ? DefaultTable().flag[static_cast<std::size_t>(element)] : empty;
}

const std::string& CDBColumnInfo::DefaultWidth(int element) {
    static const std::string empty;
    return element >= 0 && element < kElements ? DefaultTable().width[static_cast<std::size_t>(element)] : empty;
}

int CDBColumnInfo::LoadColumnInfo() {
    const std::string path = IniPath();
    std::array<std::string, kElements> flags, widths;
    ini_.KeepSectionPosition(path, kViewSection);
    for (int i = 0; i < kElements; ++i) {
        std::string& flag = flags[static_cast<std::size_t>(i)];
        flag = DefaultFlag(i);
        // The ID column is always shown: a list without it could not be worked with.
        if (i != 0) ini_.GetProfileStringA(std::to_string(i), flag, DefaultFlag(i));
    }
    ini_.KeepSectionPosition(path, kWidthSection);
    for (int i = 0; i < kElements; ++i) {
        std::string& width = widths[static_cast<std::size_t>(i)];
        width = DefaultWidth(i);
        ini_.GetProfileStringA(std::to_string(i), width, DefaultWidth(i));
        const long n = WidthNumber(width);
        if (n <= 0 || n > kMaxWidth) width = DefaultWidth(i);
    }
    table_.SetElementNumber(2);
    for (int i = 0; i < kElements; ++i) {
        XCStringArrayEx record;
        record.Add(flags[static_cast<std::size_t>(i)]);
        record.Add(widths[static_cast<std::size_t>(i)]);
        table_.InsertString(record);
    }
    changed_ = false;
    return 0;
}

int CDBColumnInfo::SaveColumnInfo() {
    if (table_.GetElementNumber() != 2 || table_.GetRecordNumber() != kElements) return kErrTable;
    const std::string path = IniPath();
    if (path.empty()) return -1;
    for (int which = 0; which < 2; ++which) {
        ini_.KeepSectionPosition(path, which == 0 ? kViewSection : kWidthSection);
        for (int i = 0; i < kElements; ++i) {
            const std::string value = table_.GetStringElement(which, i);
            if (ini_.WriteProfileStringA(std::to_string(i).c_str(), value.c_str()) == 0) return -1;
        }
    }
    changed_ = false;
    return 0;
}

int CDBColumnInfo::Check(int element, int which) const {
    if (table_.GetElementNumber() != 2 || table_.GetRecordNumber() != kElements) return kErrTable;
    if (which != 0 && which != 1) return kErrWhich;
    if (element < 0 || element >= kElements) return kErrIndex;
    return 0;
}

int CDBColumnInfo::GetColumnValue(int element, int which, std::string& out) const {
    if (const int r = Check(element, which); r != 0) return r;
    out = table_.GetStringElement(which, element);
    return 0;
}

int CDBColumnInfo::SetColumnValue(int element, int which, const std::string& text) {
    if (const int r = Check(element, which); r != 0) return r;
    XCStringArrayEx record;
    if (table_.GetString(element, record) == 0) return kErrReplace;
    record.SetAt(which, text);
    if (table_.CorrectString(element, record) == 0) return kErrReplace;
    changed_ = true;
    return 0;
}

int CDBColumnInfo::IsColumnShown(int element) const {
    std::string flag;
    if (const int r = GetColumnValue(element, 0, flag); r != 0) return r;
    return flag == "Y" ? 1 : 0;
}

int CDBColumnInfo::GetColumnWidth(int element) const {
    std::string width;
    if (const int r = GetColumnValue(element, 1, width); r != 0) return r;
    return static_cast<int>(WidthNumber(width));
}

std::vector<ListColumn> BuildListColumns(const CDBColumnInfo& info, const std::vector<std::string>& extensionNames,
                                         int alsoShown) {
    static const std::string registered = Utf8ToSjis("登録日時");
    static const std::string renewed = Utf8ToSjis("更新日時");
    std::vector<ListColumn> columns;
    const auto& order = CDBColumnInfo::DisplayOrder();
    for (int k = 0; k < CDBColumnInfo::kOrderCount; ++k) {
        const int e = order[static_cast<std::size_t>(k)];
        if (info.IsColumnShown(e) != 1 && e != alsoShown) continue;
        ListColumn column;
        column.element = e;
        if (k < CDBColumnInfo::kCaptionCount) {
            column.caption = CDBColumnInfo::Caption(k);
        } else if (k < CDBColumnInfo::kCaptionCount + 20) {
            const auto n = static_cast<std::size_t>(k - CDBColumnInfo::kCaptionCount);
            if (n < extensionNames.size()) column.caption = extensionNames[n];
        } else {
            column.caption = e == 54 ? registered : renewed;
        }
        column.width = std::max(0, info.GetColumnWidth(e));
        columns.push_back(std::move(column));
    }
    return columns;
}

}  // namespace addressui
