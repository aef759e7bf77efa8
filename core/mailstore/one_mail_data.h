#pragma once
// COneMailData: one mail's record of the mail list as an object, passed between the mail
// list, the mail-list view, the composing screens, the management dialogs and the send
// run. With the character check on, every text, number and date setter first cuts its
// argument before the first character Windows Shift_JIS cannot carry (a line break, for
// example), so a record read from a file holds only what the screens can show.
//
// Setters return 0 on success and a negative number when they refuse; a refused value
// leaves the field as it was. No error code is kept.
//
// Special flags: position 0 is the special-address flag ("Y" when the recipients were made
// from another mail's send history), position 1 the text-or-HTML flag ("N" text, "Y" HTML
// for PCs, "M" HTML for mobile terminals only). Lists of an older layout may hold fewer
// characters; a missing character reads as a blank.
//
// The reserve date decides when a waiting mail goes out: a reserve-date text that does
// not read as a date and time leaves the reserve date invalid (and is reported), so a
// damaged list never makes a mail due at once. Callers treat an invalid reserve date as
// "not scheduled".

#include <string>
#include <string_view>

#include "platform/date_time.h"

class COneMailData {
public:
    // Date numbers of SetDate.
    enum DateKind : int { kEntryDate = 0, kRenewalDate = 1, kReserveDate = 2, kSetAddressDate = 3 };
    // SetDate's result for a reserve-date text that is no date and time (the reserve date
    // is then invalid).
    static constexpr int kUnreadableReserveDate = -5;

    COneMailData();
    COneMailData(const COneMailData& other);
    COneMailData& operator=(const COneMailData& other);
    virtual ~COneMailData() = default;

    // Copies the source's fields into the destination through the setters (the
    // destination's character-check flag is kept and governs the normalisation; a value a
    // setter refuses leaves the destination's field). Returns the destination.
    static COneMailData& Copy(COneMailData& destination, const COneMailData& source);

    // Every field to its initial value: ID -1, texts empty, counts 0, the four dates now,
    // character check off.
    void Init();
    void SetCheckCharacterCodeFlag(int flag) { checkCharacterCode_ = flag; }
    int IsCheckCharacterCode() const { return checkCharacterCode_; }

    int GetMailID() const { return mailID_; }
    std::string GetMailTitle() const { return title_; }
    std::string GetAddressName() const { return addressName_; }
    std::string GetHonorific() const { return honorific_; }
    std::string GetStatus() const { return status_; }
    int GetSentNumber() const { return sent_; }
    int GetErrorNumber() const { return error_; }
    int GetOpenNumber() const { return open_; }
    platform::DateTime GetEntryDate() const { return dates_[kEntryDate]; }
    platform::DateTime GetRenewalDate() const { return dates_[kRenewalDate]; }
    platform::DateTime GetReserveDate() const { return dates_[kReserveDate]; }
    platform::DateTime GetSetAddressDate() const { return dates_[kSetAddressDate]; }
    std::string GetSpecialFlag() const { return specialFlag_; }
    // Position 0 / 1 of the special flags, or a blank when the text is too short.
    std::string GetSpecialAddressFlag() const;
    std::string GetTextOrHtmlMailFlag() const;

    // Negative IDs and counts are refused (-1). The text forms read the number as atoi does.
    int SetMailID(int id);
    int SetMailID(const std::string& text);
    void SetMailTitle(const std::string& text);
    void SetAddressName(const std::string& text);
    void SetHonorific(const std::string& text);
    // One of the nine status letters D W R A I C E S B (the whole text). Any other text:
    // with fallback nonzero "D" is stored (0), with fallback 0 it is refused (-1).
    int SetStatus(const std::string& text, int fallback);
    int SetSentNumber(int n);
    int SetSentNumber(const std::string& text);
    int SetErrorNumber(int n);
    int SetErrorNumber(const std::string& text);
    int SetOpenNumber(int n);
    int SetOpenNumber(const std::string& text);

    // Stores `value` as date `kind` (0-3). With check nonzero the value is first clamped:
    // earlier than *lower or later than *upper becomes *replacement (now when not given).
    //  -1 invalid value or bad kind; -2 / -3 / -4 invalid lower / upper / replacement
    //  (tested only when given and check is set).
    int SetDate(int kind, const platform::DateTime& value, int check,
                const platform::DateTime* replacement = nullptr,
                const platform::DateTime* lower = nullptr,
                const platform::DateTime* upper = nullptr);
    // The text form: a text holding a whole date and time ("2008/01/02 03:04:05") is
    // parsed; any other text means now, except for the reserve date, which becomes invalid
    // (kUnreadableReserveDate). A text that parses to an impossible date: -1.
    int SetDate(int kind, const std::string& text, int check,
                const platform::DateTime* replacement = nullptr,
                const platform::DateTime* lower = nullptr,
                const platform::DateTime* upper = nullptr);

    // The whole special-flag text, at most two characters (else -1).
    int SetSpecialFlag(const std::string& text);
    // One position (0 or 1, else -1) to one character (else -2). Setting position 1 of an
    // empty text first sets position 0 to "N", so the character never lands in the
    // special-address position.
    int SetSpecialFlag(int position, const std::string& character);

    // `value` cut before the first character Windows Shift_JIS cannot show, for the data
    // types 0 (text), 1 (number) and 2 (date); unchanged for any other type.
    static std::string ConvertUnusualData(const std::string& value, int dataType);

private:
    std::string Normalised(const std::string& text, int dataType) const;
    static int SetCount(int& field, int n);

    int checkCharacterCode_ = 0;
    int mailID_ = -1;
    std::string title_;
    std::string addressName_;
    std::string status_;
    int sent_ = 0;
    int error_ = 0;
    int open_ = 0;
    platform::DateTime dates_[4];
    std::string specialFlag_;
    std::string honorific_;
};

// Status letters and their bits; view bits of the mail-list views.
namespace mail_status {
// The bit of a status letter (the whole text compared), 0 for any other text.
unsigned long StatusBit(std::string_view status);
// The view bits a status letter belongs to (0 for any other text).
unsigned long ViewBits(std::string_view status);
}  // namespace mail_status
