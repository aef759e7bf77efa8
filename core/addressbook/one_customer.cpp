#include "core/addressbook/one_customer.h"

#include <cstdlib>

#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/sjis_bytes.h"
#include "core/foundation/string_utils.h"

namespace {

struct ElementEntry {
    const char* name;  // UTF-8; converted to Shift_JIS once
    int type;
};

// Extension items (28-47) are named and typed by the system options; their entries here
// are placeholders.
constexpr ElementEntry kCustomerElements[kCustomerElementCount] = {
    {"個人情報ID", kCustomerNumber},
    {"メールアドレス", kCustomerText},
    {"名前(姓)", kCustomerText},
    {"名前(名)", kCustomerText},
    {"かな(せい)", kCustomerText},
    {"かな(めい)", kCustomerText},
    {"会社名", kCustomerText},
    {"部署名", kCustomerText},
    {"生年月日", kCustomerText},
    {"郵便番号", kCustomerText},
    {"", kCustomerText},
    {"都道府県", kCustomerText},
    {"市区町村", kCustomerText},
    {"番地以下", kCustomerText},
    {"", kCustomerText},
    {"電話番号", kCustomerText},
    {"", kCustomerText},
    {"FAX番号", kCustomerText},
    {"", kCustomerText},
    {"携帯番号", kCustomerText},
    {"", kCustomerText},
    {"DM送付可否", kCustomerText},
    {"DM以外送付可否", kCustomerText},
    {"余白1", kCustomerText},
    {"余白2", kCustomerText},
    {"余白3", kCustomerText},
    {"余白4", kCustomerText},
    {"余白5", kCustomerText},
    {"", kCustomerText}, {"", kCustomerText}, {"", kCustomerText}, {"", kCustomerText},
    {"", kCustomerText}, {"", kCustomerText}, {"", kCustomerText}, {"", kCustomerText},
    {"", kCustomerText}, {"", kCustomerText}, {"", kCustomerText}, {"", kCustomerText},
    {"", kCustomerText}, {"", kCustomerText}, {"", kCustomerText}, {"", kCustomerText},
    {"", kCustomerText}, {"", kCustomerText}, {"", kCustomerText}, {"", kCustomerText},
    {"余白6", kCustomerText},
    {"余白7", kCustomerText},
    {"余白8", kCustomerText},
    {"余白9", kCustomerText},
    {"余白10", kCustomerText},
    {"削除フラグ", kCustomerText},
    {"登録日時", kCustomerDate},
    {"更新日時", kCustomerDate},
};

// The text fields of OneCustomer by element; null where an element has none.
using TextField = std::string OneCustomer::*;
constexpr TextField kDirectFields[kElemOtherMailOk + 1] = {
    nullptr,
    &OneCustomer::Email,     &OneCustomer::KanjiSei,    &OneCustomer::KanjiMei,
    &OneCustomer::KanaSei,   &OneCustomer::KanaMei,     &OneCustomer::Company,
    &OneCustomer::CompanyPost, &OneCustomer::Birthday,  &OneCustomer::ZipCode1,
    &OneCustomer::ZipCode2,  &OneCustomer::Prefecture,  &OneCustomer::Address1,
    &OneCustomer::Address2,  &OneCustomer::Building,    &OneCustomer::Phone1,
    &OneCustomer::Phone2,    &OneCustomer::Fax1,        &OneCustomer::Fax2,
    &OneCustomer::Portable1, &OneCustomer::Portable2,   &OneCustomer::DMOk,
    &OneCustomer::OtherMailOk,
};

std::string_view ElementOf(const std::vector<std::string>& row, int element) {
    return static_cast<std::size_t>(element) < row.size() ? std::string_view(row[element]) : std::string_view();
}

// The first `bytes` bytes of text, never ending inside a two-byte character.
std::string Head(std::string_view text, std::size_t bytes) { return strncpy_mb(text, bytes); }

// The first character (one or two bytes) of a flag element.
std::string FirstChar(std::string_view text) {
    return Head(text, !text.empty() && IsSjisLeadByte(static_cast<unsigned char>(text[0])) ? 2 : 1);
}

}  // namespace

std::string* OneCustomer::Field(int element) {
    return const_cast<std::string*>(static_cast<const OneCustomer*>(this)->Field(element));
}

const std::string* OneCustomer::Field(int element) const {
    if (element >= 1 && element <= kElemOtherMailOk) return &(this->*kDirectFields[element]);
    if (element >= kElemExtraFirst && element <= kElemExtraLast) return &Extra[element - kElemExtraFirst];
    if (element == kElemDeleteFlag) return &DeleteFlag;
    return nullptr;
}

const std::string& CustomerElementName(int element) {
    static const std::string empty;
    if (element < 0 || element >= kCustomerElementCount) return empty;
    return SjisLiteral(kCustomerElements[element].name);
}

int CustomerElementType(int element) {
    if (element < 0 || element >= kCustomerElementCount) return kCustomerText;
    return kCustomerElements[element].type;
}

void InitOneCustomer(OneCustomer& record) {
    record = OneCustomer();
    record.DMOk = "Y";
    record.OtherMailOk = "Y";
    // Taken as text and read back, so both dates carry whole seconds and are equal.
    const platform::DateTime now = Convert_DateData2COleDateTime(GetNowDateTime());
    record.EntryDate = now;
    record.RenewalDate = now;
}

void CustomerFromRow(const std::vector<std::string>& row, OneCustomer& out) {
    out.CustomerID = std::atoi(std::string(ElementOf(row, kElemCustomerID)).c_str());
    for (int e = 1; e <= kElemOtherMailOk; ++e) {
        const std::string_view v = ElementOf(row, e);
        if (e == kElemBirthday) out.*kDirectFields[e] = Head(v, kCustomerDateTextLength);
        else if (e == kElemDMOk || e == kElemOtherMailOk) out.*kDirectFields[e] = FirstChar(v);
        else out.*kDirectFields[e] = std::string(v);
    }
    for (int k = 0; k < kCustomerExtraCount; ++k) out.Extra[k] = std::string(ElementOf(row, kElemExtraFirst + k));
    out.DeleteFlag = FirstChar(ElementOf(row, kElemDeleteFlag));
    out.EntryDate = Convert_DateData2COleDateTime(ElementOf(row, kElemEntryDate).substr(0, kCustomerDateTextLength));
    out.RenewalDate = Convert_DateData2COleDateTime(ElementOf(row, kElemRenewalDate).substr(0, kCustomerDateTextLength));
}

void CustomerToRow(const OneCustomer& record, std::vector<std::string>& row) {
    row.resize(kCustomerElementCount);
    for (int e = 1; e <= kElemOtherMailOk; ++e) row[e] = record.*kDirectFields[e];
    for (int e = kElemSpare1First; e < kElemExtraFirst; ++e) row[e].clear();
    for (int k = 0; k < kCustomerExtraCount; ++k) row[kElemExtraFirst + k] = record.Extra[k];
    for (int e = kElemSpare2First; e < kElemDeleteFlag; ++e) row[e].clear();
    row[kElemDeleteFlag] = record.DeleteFlag;
}
