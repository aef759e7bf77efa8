#include "core/addressbook/one_customer_data.h"

#include <cstdio>
#include <cstdlib>

#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/sjis_bytes.h"
#include "core/foundation/string_utils.h"
#include "core/foundation/validation.h"

namespace {

constexpr int kTypeText = 0;
constexpr int kTypeNumber = 1;
constexpr int kTypeDate = 2;

const char* const kPrefecturesUtf8[] = {
    "<未選択>", "北海道", "青森県", "岩手県", "宮城県", "秋田県", "山形県", "福島県",
    "群馬県", "栃木県", "茨城県", "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県",
    "富山県", "石川県", "福井県", "山梨県", "長野県", "岐阜県", "静岡県", "愛知県",
    "三重県", "滋賀県", "大阪府", "京都府", "兵庫県", "奈良県", "和歌山県", "鳥取県",
    "島根県", "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県", "高知県",
    "福岡県", "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県",
};

bool AllDigits(const std::string& text) { return CheckSpecialStringData(text, "0123456789") != 0; }

// The postal code without "-", "－" and "ー", walking by character so that the bytes of
// two neighbouring characters are never taken for a full-width sign.
std::string WithoutZipHyphens(const std::string& text) {
    const std::string& wideHyphen = SjisLiteral("－");
    const std::string& longVowel = SjisLiteral("ー");
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            const std::string_view ch(text.data() + i, 2);
            if (ch != wideHyphen && ch != longVowel) out.append(ch);
            i += 2;
        } else {
            if (text[i] != '-') out.push_back(text[i]);
            ++i;
        }
    }
    return out;
}

std::string Format(const char* format, int value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

platform::DateTime CurrentTime() { return platform::DateTime::GetCurrentTime(); }

}  // namespace

const std::vector<std::string>& COneCustomerData::PrefectureNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const char* p : kPrefecturesUtf8) v.push_back(Utf8ToSjis(p));
        return v;
    }();
    return names;
}

COneCustomerData::COneCustomerData() { Init(); }

COneCustomerData::COneCustomerData(const COneCustomerData& other) { Copy(*this, other); }

COneCustomerData& COneCustomerData::operator=(const COneCustomerData& other) {
    Copy(*this, other);
    return *this;
}

void COneCustomerData::Init() {
    checkCharacterCode_ = 0;
    customerID_ = -1;
    for (std::string* s : {&email_, &kanjiSei_, &kanjiMei_, &kanaSei_, &kanaMei_, &company_, &companyPost_,
                           &zipCode1_, &zipCode2_, &prefecture_, &address1_, &address2_, &building_,
                           &phone1_, &phone2_, &fax1_, &fax2_, &portable1_, &portable2_, &deleteFlag_})
        s->clear();
    dmOk_ = "N";
    const platform::DateTime now = CurrentTime();
    birthday_ = now;
    entryDate_ = now;
    renewalDate_ = now;
    extra_.RemoveAll();
    extra_.SetSize(kExtraCount);
}

void COneCustomerData::Copy(COneCustomerData& destination, const COneCustomerData& source) {
    if (&destination == &source) return;
    const int flag = destination.checkCharacterCode_;
    destination.customerID_ = source.customerID_;
    destination.email_ = source.email_;
    destination.kanjiSei_ = source.kanjiSei_;
    destination.kanjiMei_ = source.kanjiMei_;
    destination.kanaSei_ = source.kanaSei_;
    destination.kanaMei_ = source.kanaMei_;
    destination.company_ = source.company_;
    destination.companyPost_ = source.companyPost_;
    destination.birthday_ = source.birthday_;
    destination.zipCode1_ = source.zipCode1_;
    destination.zipCode2_ = source.zipCode2_;
    destination.prefecture_ = source.prefecture_;
    destination.address1_ = source.address1_;
    destination.address2_ = source.address2_;
    destination.building_ = source.building_;
    destination.phone1_ = source.phone1_;
    destination.phone2_ = source.phone2_;
    destination.fax1_ = source.fax1_;
    destination.fax2_ = source.fax2_;
    destination.portable1_ = source.portable1_;
    destination.portable2_ = source.portable2_;
    destination.dmOk_ = source.dmOk_;
    destination.deleteFlag_ = source.deleteFlag_;
    destination.entryDate_ = source.entryDate_;
    destination.renewalDate_ = source.renewalDate_;
    destination.extra_ = source.extra_;
    destination.checkCharacterCode_ = flag;
}

std::string COneCustomerData::ConvertUnusualData(const std::string& text, int dataType) {
    if (dataType != kTypeText && dataType != kTypeNumber && dataType != kTypeDate) return text;
    std::string copy;
    if (CheckCharacterCodeForWinSJIS(text, &copy)) return text;
    // The copy holds a zero byte at each offending position: keep what precedes the first.
    const std::size_t cut = copy.find('\0');
    return cut == std::string::npos ? text : text.substr(0, cut);
}

std::string COneCustomerData::Converted(const std::string& text, int dataType) const {
    return checkCharacterCode_ ? ConvertUnusualData(text, dataType) : text;
}

std::string COneCustomerData::GetExtra(int item) const {
    return item >= 0 && item < extra_.GetSize() ? extra_.GetAt(item) : std::string();
}

int COneCustomerData::SetCustomerID(const std::string& text) {
    return SetCustomerID(std::atoi(Converted(text, kTypeNumber).c_str()));
}

int COneCustomerData::SetCustomerID(int id) {
    if (id < 0) return -1;
    customerID_ = id;
    return 0;
}

int COneCustomerData::SetEmail(const std::string& text) {
    const std::string value = Converted(text, kTypeText);
    if (!MailAddressChecker(value)) return -1;
    email_ = value;
    return 0;
}

void COneCustomerData::SetKanjiSei(const std::string& text) { kanjiSei_ = Converted(text, kTypeText); }
void COneCustomerData::SetKanjiMei(const std::string& text) { kanjiMei_ = Converted(text, kTypeText); }
void COneCustomerData::SetKanaSei(const std::string& text) { kanaSei_ = Converted(text, kTypeText); }
void COneCustomerData::SetKanaMei(const std::string& text) { kanaMei_ = Converted(text, kTypeText); }
void COneCustomerData::SetCompany(const std::string& text) { company_ = Converted(text, kTypeText); }
void COneCustomerData::SetCompanyPost(const std::string& text) { companyPost_ = Converted(text, kTypeText); }
void COneCustomerData::SetAddress1(const std::string& text) { address1_ = Converted(text, kTypeText); }
void COneCustomerData::SetAddress2(const std::string& text) { address2_ = Converted(text, kTypeText); }
void COneCustomerData::SetBuilding(const std::string& text) { building_ = Converted(text, kTypeText); }

int COneCustomerData::SetZipCode(int code) {
    if (code < 0 || code > 9999999) return -1;
    const std::string digits = Format("%07d", code);
    zipCode1_ = digits.substr(0, 3);
    zipCode2_ = digits.substr(3, 4);
    return 0;
}

int COneCustomerData::SetZipCode(const std::string& text) {
    const std::string digits = WithoutZipHyphens(text);
    if (digits.size() != 7 || !AllDigits(digits)) return -1;
    zipCode1_ = digits.substr(0, 3);
    zipCode2_ = digits.substr(3, 4);
    return 0;
}

int COneCustomerData::SetZipCode1(int code) {
    if (code < 0 || code > 999) return -1;
    zipCode1_ = Format("%03d", code);
    return 0;
}

int COneCustomerData::SetZipCode1(const std::string& text) {
    const std::string value = Converted(text, kTypeText);
    if (value.size() != 3) return -1;
    if (!AllDigits(value)) return -2;
    zipCode1_ = value;
    return 0;
}

int COneCustomerData::SetZipCode2(int code) {
    if (code < 0 || code > 9999) return -1;
    zipCode2_ = Format("%04d", code);
    return 0;
}

int COneCustomerData::SetZipCode2(const std::string& text) {
    const std::string value = Converted(text, kTypeText);
    if (value.size() != 4) return -1;
    if (!AllDigits(value)) return -2;
    zipCode2_ = value;
    return 0;
}

int COneCustomerData::SetPrefecture(const std::string& text) {
    const std::string value = Converted(text, kTypeText);
    const std::vector<std::string>& names = PrefectureNames();
    for (const std::string& name : names) {
        if (name == value) {
            prefecture_ = value;
            return 0;
        }
    }
    prefecture_ = names.front();
    return -1;
}

int COneCustomerData::SetPhoneLike(std::string& member, const std::string& text) {
    const std::string value = Converted(text, kTypeText);
    if (!CheckSpecialStringData(value, "0123456789-")) return -1;
    member = value;
    return 0;
}

int COneCustomerData::SetPhone1(const std::string& text) { return SetPhoneLike(phone1_, text); }
int COneCustomerData::SetPhone2(const std::string& text) { return SetPhoneLike(phone2_, text); }
int COneCustomerData::SetFax1(const std::string& text) { return SetPhoneLike(fax1_, text); }
int COneCustomerData::SetFax2(const std::string& text) { return SetPhoneLike(fax2_, text); }
int COneCustomerData::SetPortable1(const std::string& text) { return SetPhoneLike(portable1_, text); }
int COneCustomerData::SetPortable2(const std::string& text) { return SetPhoneLike(portable2_, text); }

int COneCustomerData::SetDMOk(const std::string& text) {
    const std::string value = Converted(text, kTypeText);
    if (value == "Y" || value == "N") {
        dmOk_ = value;
        return 0;
    }
    dmOk_ = "N";
    return -1;
}

void COneCustomerData::SetDMOk(int flag) { dmOk_ = flag == 1 ? "Y" : "N"; }

int COneCustomerData::SetDeleteFlag(const std::string& text) {
    const std::string value = Converted(text, kTypeText);
    if (value == "Y" || value.empty()) {
        deleteFlag_ = value;
        return 0;
    }
    deleteFlag_.clear();
    return -1;
}

void COneCustomerData::SetDeleteFlag(int flag) { deleteFlag_ = flag == 1 ? "Y" : ""; }

int COneCustomerData::SetDate(int which, const platform::DateTime& date, int clamp,
                              const platform::DateTime* lower, const platform::DateTime* upper,
                              const platform::DateTime* replacement) {
    if (!date.IsValid()) return -1;
    platform::DateTime value = date;
    if (clamp) {
        if (lower != nullptr && !lower->IsValid()) return -2;
        if (upper != nullptr && !upper->IsValid()) return -3;
        if (replacement != nullptr && !replacement->IsValid()) return -4;
        const platform::DateTime substitute = replacement != nullptr ? *replacement : CurrentTime();
        if ((lower != nullptr && value < *lower) || (upper != nullptr && value > *upper)) value = substitute;
    }
    switch (which) {
        case 0:
            birthday_ = platform::DateTime(value.GetYear(), value.GetMonth(), value.GetDay(), 0, 0, 0);
            return 0;
        case 1:
            entryDate_ = value;
            return 0;
        case 2:
            renewalDate_ = value;
            return 0;
        default:
            return -1;
    }
}

int COneCustomerData::SetDate(int which, const std::string& text, int clamp, const platform::DateTime* lower,
                              const platform::DateTime* upper, const platform::DateTime* replacement) {
    const std::string value = Converted(text, kTypeDate);
    platform::DateTime date = CurrentTime();
    std::string normalised;
    if (which == 0) {
        // Year, month and day come from the normalised text, so that un-padded dates
        // ("2024/1/15") read as they are meant.
        if (CheckDateTypeData(value, 3) && ReFormat_DateData(value, normalised, 0) >= 3) {
            date = platform::DateTime(std::atoi(normalised.substr(0, 4).c_str()),
                                      std::atoi(normalised.substr(5, 2).c_str()),
                                      std::atoi(normalised.substr(8, 2).c_str()), 0, 0, 0);
        } else {
            date = platform::DateTime(date.GetYear(), date.GetMonth(), date.GetDay(), 0, 0, 0);
        }
    } else if (CheckDateTypeData(value, 6) && ReFormat_DateData(value, normalised, 0) == 6) {
        date = Convert_DateData2COleDateTime(normalised);
    }
    return SetDate(which, date, clamp, lower, upper, replacement);
}

int COneCustomerData::SetExtraAll(const XCStringArrayEx& items) {
    if (items.GetSize() != kExtraCount) return -1;
    extra_ = items;
    return 0;
}

int COneCustomerData::SetExtra(int item, const std::string& text) {
    if (item < 0 || item >= kExtraCount) return -1;
    if (extra_.GetSize() != kExtraCount) extra_.SetSize(kExtraCount);
    extra_.SetAt(item, Converted(text, kTypeDate));
    return 0;
}

int COneCustomerData::SetExtra(int item, int number) { return SetExtra(item, Format("%d", number)); }

int COneCustomerData::SetExtra(int item, const platform::DateTime& date) {
    if (!date.IsValid()) return -3;
    return SetExtra(item, Convert_COleDateTime2DateData(date));
}
