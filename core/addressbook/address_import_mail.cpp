// CAddressImport: registration mails to a record, and the list of mail domains.
#include <array>
#include <cstdlib>
#include <unordered_set>

#include "core/addressbook/address_import.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/import_date_text.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/string_utils.h"
#include "core/foundation/validation.h"
#include "platform/named_mutex.h"

namespace {

// The tag of element e is "<NAME>" ... "</NAME>".
struct Tag {
    int element;
    const char* name;
};

constexpr Tag kTags[] = {
    {kElemEmail, "EMAIL"},           {kElemKanjiSei, "NAME_SEI"},     {kElemKanjiMei, "NAME_MEI"},
    {kElemKanaSei, "NAME_KANASEI"},  {kElemKanaMei, "NAME_KANAMEI"},  {kElemCompany, "COMPANY"},
    {kElemCompanyPost, "POST"},      {kElemBirthday, "BIRTHDAY"},     {kElemZipCode1, "ZIPCODE_1"},
    {kElemZipCode2, "ZIPCODE_2"},    {kElemPrefecture, "PREFECTURE"}, {kElemAddress1, "ADDRESS_1"},
    {kElemAddress2, "ADDRESS_2"},    {kElemBuilding, "BUILDING"},     {kElemPhone1, "PHONE_1"},
    {kElemPhone2, "PHONE_2"},        {kElemFax1, "FAX_1"},            {kElemFax2, "FAX_2"},
    {kElemPortable1, "PORTABLE_1"},  {kElemPortable2, "PORTABLE_2"},  {kElemDMOk, "DMOK"},
};

// Whole values that replace a split one.
constexpr Tag kWholeTags[] = {
    {kElemZipCode1, "ZIPCODE_3"}, {kElemAddress2, "ADDRESS_3"}, {kElemPhone1, "PHONE_3"},
    {kElemFax1, "FAX_3"},         {kElemPortable1, "PORTABLE_3"},
};

enum class Found { kMissing, kUnclosed, kValue };

// The text between the first "<name>" and the "</name>" after it. Tags begin with "<",
// which is never the second byte of a two-byte character, so a byte search is exact.
Found FindTagged(const std::string& text, const std::string& name, std::string& value,
                 const char* otherClose = nullptr) {
    const std::string open = "<" + name + ">";
    const std::size_t start = text.find(open);
    if (start == std::string::npos) return Found::kMissing;
    const std::size_t from = start + open.size();
    std::size_t end = text.find("</" + name + ">", from);
    if (end == std::string::npos && otherClose != nullptr) end = text.find(otherClose, from);
    if (end == std::string::npos) return Found::kUnclosed;
    value = text.substr(from, end - from);
    return Found::kValue;
}


// Checks a tagged value and puts it in the form it is stored in. False when invalid.
bool CheckValue(int element, int dataType, std::string& value) {
    if (element == kElemEmail) return MailAddressChecker(value) != 0;
    if (value.empty()) return true;
    switch (element) {
    case kElemBirthday: {
        if (!CheckDateTypeData(value, 3)) return false;
        std::string full;
        ReFormat_DateData(value, full, 0);
        value = full.substr(0, 10);
        return true;
    }
    case kElemZipCode1:
    case kElemPhone1:
    case kElemFax1:
    case kElemPortable1:
        return CheckSpecialStringData(value, "1234567890") != 0;
    case kElemPhone2:
    case kElemFax2:
    case kElemPortable2:
        return CheckSpecialStringData(value, "1234567890-") != 0;
    case kElemDMOk:
        return value == "Y" || value == "N";
    default:
        break;
    }
    if (dataType == kCustomerNumber) {
        if (!CheckNumberData(value)) return false;
        value = std::to_string(std::atoi(value.c_str()));
        return true;
    }
    if (dataType == kCustomerDate) return ImportDateText(value, value);
    return true;
}

}  // namespace

int CAddressImport::ConvertEMailToOneCunstomer(const char* body, OneCustomer& record, int strict) {
    return ConvertEMailToOneCunstomer(body != nullptr ? std::string_view(body) : std::string_view(), record, strict);
}

int CAddressImport::ConvertEMailToOneCunstomer(std::string_view body, OneCustomer& record, int strict) {
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(mutex);
    if (const int r = CheckBound(); r < 0) return r;
    std::vector<DB_Element_Info> info;
    if (book_->Get_DBElementInfo(info, std::string(kCustomerElementCount, '1')) < 0 ||
        info.size() != static_cast<std::size_t>(kCustomerElementCount))
        return Fail(10403, -17);

    // A value or a tag may be broken over lines; values never keep a line break.
    std::string text;
    text.reserve(body.size());
    for (char c : body)
        if (c != '\r' && c != '\n') text.push_back(c);

    InitOneCustomer(record);
    const bool strictly = strict == 1;
    std::array<std::string, kCustomerElementCount> values;
    auto tagged = [&](int element, const char* name) {
        std::string value;
        const Found found =
            FindTagged(text, name, value, element == kElemPrefecture ? "</PREFCTURE>" : nullptr);
        if (found == Found::kMissing) return element != kElemEmail;
        if (found == Found::kUnclosed) return element != kElemEmail && !strictly;
        if (!CheckValue(element, info[static_cast<std::size_t>(element)].dataType, value))
            return element != kElemEmail && !strictly;
        values[static_cast<std::size_t>(element)] = std::move(value);
        return true;
    };
    bool ok = true;
    for (const Tag& tag : kTags) ok = ok && tagged(tag.element, tag.name);
    for (int k = 0; ok && k < kCustomerExtraCount; ++k) {
        const std::string name = std::string("EXTRA_") + static_cast<char>('A' + k);
        ok = tagged(kElemExtraFirst + k, name.c_str());
    }
    std::array<bool, kCustomerElementCount> whole{};
    for (const Tag& tag : kWholeTags) {
        if (!ok) break;
        std::string value;
        const Found found = FindTagged(text, tag.name, value);
        if (found == Found::kMissing) continue;
        if (found == Found::kUnclosed) {
            ok = !strictly;
            continue;
        }
        if (tag.element != kElemAddress2 && !CheckSpecialStringData(value, "1234567890-")) {
            ok = !strictly;
            continue;
        }
        values[static_cast<std::size_t>(tag.element)] = std::move(value);
        whole[static_cast<std::size_t>(tag.element)] = true;
    }
    if (!ok) {
        InitOneCustomer(record);
        return Fail(10801, -43);
    }

    auto& v = values;
    // A whole value stands for both parts: appending a second part given as well would make
    // an eleven-digit postal code or a number with two tails.
    for (int first : {kElemZipCode1, kElemPhone1, kElemFax1, kElemPortable1})
        if (whole[static_cast<std::size_t>(first)]) v[static_cast<std::size_t>(first + 1)].clear();
    const std::string zip = v[kElemZipCode1] + v[kElemZipCode2];
    CDatabaseEdit::HyphenCut(&zip, &v[kElemZipCode1]);
    v[kElemZipCode2].clear();
    v[kElemAddress2] += v[kElemBuilding];
    v[kElemBuilding].clear();
    for (int first : {kElemPhone1, kElemFax1, kElemPortable1}) {
        std::string& head = v[static_cast<std::size_t>(first)];
        std::string& tail = v[static_cast<std::size_t>(first + 1)];
        if (!head.empty() && !tail.empty()) head += "-";
        head += tail;
        tail.clear();
    }
    for (int e = kElemEmail; e <= kElemPortable2; ++e) *record.Field(e) = v[static_cast<std::size_t>(e)];
    for (int e = kElemExtraFirst; e <= kElemExtraLast; ++e) *record.Field(e) = v[static_cast<std::size_t>(e)];
    if (!v[kElemDMOk].empty()) record.DMOk = v[kElemDMOk];
    return 0;
}

int CAddressImport::GetDBElementGroupByForMailAddress(std::vector<std::string>& domains, int withDeleted, int limit) {
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(mutex);
    domains.clear();
    if (book_ == nullptr) return 0;
    std::unordered_set<std::string> seen;
    const int n = book_->GetLineNumber();
    std::string address, mark;
    for (int row = 0; row < n; ++row) {
        if (withDeleted == 0) {
            book_->GetAtElement(row, kElemDeleteFlag, mark);
            if (IsDeletedMark(mark)) continue;
        }
        book_->GetAtElement(row, kElemEmail, address);
        const std::size_t at = FindSjis(address, "@");  // "@" may be a trail byte
        std::string domain = at == std::string::npos ? address : address.substr(at);
        if (!seen.insert(domain).second) continue;
        domains.push_back(std::move(domain));
        if (limit > 0 && static_cast<int>(domains.size()) >= limit) break;
    }
    return static_cast<int>(domains.size());
}
