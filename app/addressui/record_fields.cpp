#include "app/addressui/record_fields.h"

#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/string_utils.h"

namespace addressui {

const std::vector<std::string>& PrefectureEntries() {
    static const std::vector<std::string> entries = [] {
        static constexpr const char* kUtf8[] = {
            "<未選択>", "北海道", "青森県", "岩手県", "宮城県", "秋田県", "山形県", "福島県",
            "群馬県",   "栃木県", "茨城県", "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県",
            "富山県",   "石川県", "福井県", "山梨県", "長野県", "岐阜県", "静岡県", "愛知県",
            "三重県",   "滋賀県", "京都府", "大阪府", "兵庫県", "奈良県", "和歌山県", "鳥取県",
            "島根県",   "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県", "高知県",
            "福岡県",   "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県",
        };
        std::vector<std::string> v;
        for (const char* name : kUtf8) v.push_back(Utf8ToSjis(name));
        return v;
    }();
    return entries;
}

int PrefectureEntryOf(const std::string& stored) {
    if (stored.empty()) return 0;
    const std::vector<std::string>& entries = PrefectureEntries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i] == stored) return static_cast<int>(i);
    return -1;
}

BirthDateShown ReadBirthDate(const std::string& stored) {
    BirthDateShown shown;
    if (stored.empty()) return shown;
    std::string normalised;
    if (ReFormat_DateData(strncpy_mb(stored, kCustomerDateTextLength), normalised, 0) >= 3 &&
        Convert_DateData2COleDateTimeChecked(normalised, shown.date)) {
        shown.checked = true;
    } else {
        shown.date = platform::DateTime();
        shown.unreadable = true;
    }
    return shown;
}

std::string BirthDateText(const platform::DateTime& date) { return Convert_COleDateTime2DateData(date); }

int DmFlagEntryOf(const std::string& stored) {
    if (stored == "Y") return 0;
    if (stored == "N") return 1;
    return -1;
}

std::string DmFlagToStore(int entry, const std::string& stored) {
    if (entry == 0) return "Y";
    if (entry == 1) return "N";
    return stored;
}

std::string HeaderIdText(const OneCustomer& record) {
    return record.CustomerID == -1 ? SjisLiteral("新規作成") : std::to_string(record.CustomerID);
}

std::string HeaderNameText(const OneCustomer& record) {
    if (record.KanjiSei.empty() && record.KanjiMei.empty()) return record.Company;
    return record.KanjiSei + " " + record.KanjiMei;
}

std::string ReadOnlyMailText(const OneCustomer& record) {
    return record.Email.empty() ? SjisLiteral("（削除済み）") : record.Email;
}

std::string ReadOnlyBirthDateText(const OneCustomer& record) {
    return strncpy_mb(record.Birthday, kCustomerDateTextLength);
}

std::string ReadOnlyDmFlagText(const OneCustomer& record) {
    const int entry = DmFlagEntryOf(record.DMOk);
    return entry < 0 ? std::string() : SjisLiteral(kDmFlagEntries[entry]);
}

}  // namespace addressui
