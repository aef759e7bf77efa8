#include "core/mailstore/one_mail_data.h"

#include <cstdlib>
#include <string_view>

#include "core/addressbook/one_customer_data.h"
#include "core/foundation/validation.h"

namespace {
constexpr int kMailTypeText = 0;
constexpr int kMailTypeNumber = 1;
constexpr int kMailTypeDate = 2;

struct StatusEntry {
    const char* letter;
    unsigned long bit;
    unsigned long views;
};
// View bits: 0x01 all, 0x02 drafts, 0x04 waiting, 0x08 sent, 0x10 report, 0x20 deleted.
constexpr StatusEntry kStatusLetters[] = {
    {"D", 0x1, 0x01 | 0x02 | 0x10},  {"W", 0x2, 0x01 | 0x04 | 0x10},
    {"R", 0x4, 0x01 | 0x04 | 0x10},  {"A", 0x8, 0x01 | 0x04 | 0x10},
    {"I", 0x10, 0x01 | 0x04 | 0x10}, {"C", 0x20, 0x01 | 0x08 | 0x10},
    {"E", 0x40, 0x01 | 0x08 | 0x10}, {"S", 0x80, 0x20},
    {"B", 0x100, 0x01 | 0x04 | 0x10},
};

const StatusEntry* FindStatus(std::string_view s) {
    for (const StatusEntry& e : kStatusLetters)
        if (s == e.letter) return &e;
    return nullptr;
}
}  // namespace

namespace mail_status {
unsigned long StatusBit(std::string_view status) {
    const StatusEntry* e = FindStatus(status);
    return e != nullptr ? e->bit : 0;
}
unsigned long ViewBits(std::string_view status) {
    const StatusEntry* e = FindStatus(status);
    return e != nullptr ? e->views : 0;
}
}  // namespace mail_status

COneMailData::COneMailData() { Init(); }

COneMailData::COneMailData(const COneMailData& other) { Copy(*this, other); }

COneMailData& COneMailData::operator=(const COneMailData& other) {
    if (this != &other) Copy(*this, other);
    return *this;
}

COneMailData& COneMailData::Copy(COneMailData& d, const COneMailData& s) {
    if (&d == &s) return d;
    d.SetMailID(s.mailID_);
    d.SetMailTitle(s.title_);
    d.SetAddressName(s.addressName_);
    d.SetHonorific(s.honorific_);
    d.SetStatus(s.status_, 0);
    d.SetSentNumber(s.sent_);
    d.SetErrorNumber(s.error_);
    d.SetOpenNumber(s.open_);
    for (int k = 0; k < 4; ++k) {
        // An invalid date (an unreadable reserve date) is carried over as it is.
        if (s.dates_[k].IsValid()) d.SetDate(k, s.dates_[k], 0);
        else d.dates_[k] = s.dates_[k];
    }
    d.SetSpecialFlag(s.specialFlag_);
    return d;
}

void COneMailData::Init() {
    checkCharacterCode_ = 0;
    mailID_ = -1;
    title_.clear();
    addressName_.clear();
    status_.clear();
    sent_ = error_ = open_ = 0;
    const platform::DateTime now = platform::DateTime::GetCurrentTime();
    for (platform::DateTime& d : dates_) d = now;
    specialFlag_.clear();
    honorific_.clear();
}

std::string COneMailData::ConvertUnusualData(const std::string& value, int dataType) {
    return COneCustomerData::ConvertUnusualData(value, dataType);
}

std::string COneMailData::Normalised(const std::string& text, int dataType) const {
    return checkCharacterCode_ ? ConvertUnusualData(text, dataType) : text;
}

std::string COneMailData::GetSpecialAddressFlag() const {
    return specialFlag_.empty() ? std::string(" ") : specialFlag_.substr(0, 1);
}

std::string COneMailData::GetTextOrHtmlMailFlag() const {
    return specialFlag_.size() < 2 ? std::string(" ") : specialFlag_.substr(1, 1);
}

int COneMailData::SetMailID(int id) {
    if (id < 0) return -1;
    mailID_ = id;
    return 0;
}

int COneMailData::SetMailID(const std::string& text) {
    return SetMailID(std::atoi(Normalised(text, kMailTypeNumber).c_str()));
}

void COneMailData::SetMailTitle(const std::string& text) { title_ = Normalised(text, kMailTypeText); }
void COneMailData::SetAddressName(const std::string& text) { addressName_ = Normalised(text, kMailTypeText); }
void COneMailData::SetHonorific(const std::string& text) { honorific_ = Normalised(text, kMailTypeText); }

int COneMailData::SetStatus(const std::string& text, int fallback) {
    const std::string s = Normalised(text, kMailTypeText);
    if (FindStatus(s) != nullptr) {
        status_ = s;
        return 0;
    }
    if (fallback == 0) return -1;
    status_ = "D";
    return 0;
}

int COneMailData::SetCount(int& field, int n) {
    if (n < 0) return -1;
    field = n;
    return 0;
}

int COneMailData::SetSentNumber(int n) { return SetCount(sent_, n); }
int COneMailData::SetErrorNumber(int n) { return SetCount(error_, n); }
int COneMailData::SetOpenNumber(int n) { return SetCount(open_, n); }
int COneMailData::SetSentNumber(const std::string& t) {
    return SetCount(sent_, std::atoi(Normalised(t, kMailTypeNumber).c_str()));
}
int COneMailData::SetErrorNumber(const std::string& t) {
    return SetCount(error_, std::atoi(Normalised(t, kMailTypeNumber).c_str()));
}
int COneMailData::SetOpenNumber(const std::string& t) {
    return SetCount(open_, std::atoi(Normalised(t, kMailTypeNumber).c_str()));
}

int COneMailData::SetDate(int kind, const platform::DateTime& value, int check,
                          const platform::DateTime* replacement, const platform::DateTime* lower,
                          const platform::DateTime* upper) {
    if (!value.IsValid()) return -1;
    platform::DateTime v = value;
    if (check != 0) {
        if (lower != nullptr && !lower->IsValid()) return -2;
        if (upper != nullptr && !upper->IsValid()) return -3;
        if (replacement != nullptr && !replacement->IsValid()) return -4;
        const platform::DateTime r =
            replacement != nullptr ? *replacement : platform::DateTime::GetCurrentTime();
        if (lower != nullptr && v < *lower) v = r;
        if (upper != nullptr && v > *upper) v = r;
    }
    if (kind < 0 || kind > 3) return -1;
    dates_[kind] = v;
    return 0;
}

int COneMailData::SetDate(int kind, const std::string& text, int check,
                          const platform::DateTime* replacement, const platform::DateTime* lower,
                          const platform::DateTime* upper) {
    if (kind < 0 || kind > 3) return -1;
    const std::string t = Normalised(text, kMailTypeDate);
    platform::DateTime v;
    if (CheckDateTypeData(t, 6)) {
        if (!v.ParseDateTime(t)) return -1;
    } else if (kind == kReserveDate) {
        // A reserve date that cannot be read must not become "now": the mail would be sent
        // at once. It stays invalid until someone sets it.
        dates_[kind].SetStatus(platform::DateTime::invalid);
        return kUnreadableReserveDate;
    } else {
        v = platform::DateTime::GetCurrentTime();
    }
    return SetDate(kind, v, check, replacement, lower, upper);
}

int COneMailData::SetSpecialFlag(const std::string& text) {
    if (text.size() > 2) return -1;
    specialFlag_ = text;
    return 0;
}

int COneMailData::SetSpecialFlag(int position, const std::string& character) {
    if (position != 0 && position != 1) return -1;
    if (character.size() != 1) return -2;
    if (static_cast<std::size_t>(position) < specialFlag_.size()) {
        specialFlag_[static_cast<std::size_t>(position)] = character[0];
        return 0;
    }
    // Position 1 of an empty text: position 0 gets "N" first, so the text-or-HTML flag
    // never turns into the special-address flag.
    if (position == 1 && specialFlag_.empty()) specialFlag_ = "N";
    specialFlag_ += character;
    return 0;
}
