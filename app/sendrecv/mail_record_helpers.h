#pragma once
// The mail-record helpers: what every screen and the send engine need to say about one
// mail-list entry (COneMailData) - its status as letter, bit code and Japanese text, the
// status groups the commands test, the texts of the mail-list view's twelve columns, and
// the step that makes a mail ready to send (UpdateMailRecipientsIfAddressBookChanged).
//
// They are free functions at global scope, like the core's, so that the mail-list view,
// the send and receive runs and the mail dialogs all name them the same way.
//
// Texts are Shift_JIS (std::string), as the mail list holds them; the GUI converts them
// with ui::FromSjis where it shows them. Status letters are compared as whole texts: "B"
// is a status, "b" and "BB" are not.
//
// Nothing here touches a widget, so the functions may run on any thread, except
// UpdateMailRecipientsIfAddressBookChanged, which asks the user and opens the
// destination-refresh screen: it runs on the GUI thread.

#include <functional>
#include <string>
#include <string_view>

#include "core/mailstore/one_mail_data.h"

class EnvManager;
class SystemOption;

// The status codes: one bit per status letter.
enum MailStatusCode : int {
    kMailStatusUnknown = 0,
    kMailStatusDraft = 1,         // "D" 下書き
    kMailStatusWaiting = 2,       // "W" 送信待ち
    kMailStatusResend = 4,        // "R" 再送信待ち
    kMailStatusSending = 8,       // "A" 送信中
    kMailStatusInterrupted = 16,  // "I" 送信中断中
    kMailStatusSent = 32,         // "C" 送信済み
    kMailStatusError = 64,        // "E" エラー
    kMailStatusDeleted = 128,     // "S" 削除済み
    kMailStatusSplitWait = 256,   // "B" 分割送信待ち
};

// Status groups (codes ORed).
inline constexpr int kMailEditableStatuses = kMailStatusDraft | kMailStatusSent | kMailStatusError;
inline constexpr int kMailSendPendingStatuses =
    kMailStatusWaiting | kMailStatusResend | kMailStatusInterrupted | kMailStatusSplitWait;
// Every status but "A" (sending) and "S" (deleted).
inline constexpr int kMailListedStatuses = kMailEditableStatuses | kMailSendPendingStatuses;

// ---- Conversions --------------------------------------------------------------------------
// The code of a status letter; 0 for any other text.
int MailStatusLetterToCode(std::string_view letter);
// The letter of a code; "error!" for a value that is not one of the nine codes.
std::string MailStatusCodeToLetter(int code);
// The Japanese text of a status letter ("送信待ち" ...); "error!" for any other text.
std::string MailStatusLetterToText(std::string_view letter);

// ---- Predicates (1 or 0, by the mail's status letter) -------------------------------------
int IsMailEditable(const COneMailData& mail);      // D, C, E
int IsMailSendPending(const COneMailData& mail);   // W, R, I, B
int IsMailListed(const COneMailData& mail);        // every status but A and S

// Opened count / sent count; 0 when either is 0.
double GetMailOpenRate(const COneMailData& mail);

// ---- Changes ----------------------------------------------------------------------------
// Stores the letter of `code` (an unknown code stores "D") and sets the last-change date
// (date 1) to now.
void SetMailStatusByCode(COneMailData& mail, int code);
// A send-pending mail (W, R, I, B) becomes a draft (SetMailStatusByCode 1); any other is
// left alone.
void ResetPendingMailToDraft(COneMailData& mail);

// Results of UpdateMailRecipientsIfAddressBookChanged.
enum MailReadyResult : int {
    kMailMadeWaiting = 0,            // the status is now "W"
    kMailNotEditable = 1,            // not D, C or E: nothing changed
    kMailBookTimeUnreadable = -1,    // the address book's file time could not be read (told)
    kMailRecipientsNotRefreshed = -2,  // the refresh could not be done (told): nothing changed
};

// Makes an editable mail (D, C, E) ready to send: "W". When the address book
// (DB/database.dat) was written after the mail's recipients were built (its address-set
// date, date 3), the recipients are brought up to date first through the destination
// refresh: the user is asked first unless system option 12 is "Y" (an answer other than
// Yes makes the mail waiting with the recipients it has and changes neither date), and
// told afterwards unless option 12 is "Y"; the address-set date then becomes now. The
// last-change date becomes now when the recipients were up to date or were refreshed.
// A mail whose recipients were taken from another mail's send history (special-flag
// character 0 "Y") is never refreshed: it only becomes "W".
//
// The refresh itself is the destination-refresh screen, which lives above this library:
// the program installs it with SetDestinationRefreshHook. When the user agreed to a
// refresh (or option 12 asks for it silently) and no hook is installed, or the hook says
// the refresh failed, the mail is left exactly as it was and the user is told
// (kMailRecipientsNotRefreshed): a mail is never made ready to go to recipients the user
// just asked to have replaced.
//
// The first form uses the program's open environment; the second the given one (null
// environment: the file time cannot be read). Message boxes have no owner window.
int UpdateMailRecipientsIfAddressBookChanged(COneMailData& mail);
int UpdateMailRecipientsIfAddressBookChanged(COneMailData& mail, EnvManager* env, SystemOption* options);

// The destination refresh: rebuilds the recipient list of destination (kind, id) from the
// current address book (kind 0: the recipients of mail `id`), modally, on the GUI thread.
// Returns nonzero when the recipient list was rebuilt and saved, 0 when it was not (the
// screen has told the user why).
using DestinationRefreshHook = std::function<int(int kind, int id)>;
// Installs the hook (empty: none); returns the one it replaces.
DestinationRefreshHook SetDestinationRefreshHook(DestinationRefreshHook hook);

// ---- Column texts of the mail-list view --------------------------------------------------
// Dates are "%04d/%02d/%02d %02d:%02d:%02d"; a date that is not valid (an unreadable
// reserve date) gives "".
std::string GetMailIDText(const COneMailData& mail);          // "%d"
std::string GetMailTitleText(const COneMailData& mail);
std::string GetMailAddressNameText(const COneMailData& mail);
// From character 1 of the special flag: "N" テキスト, "Y" HTML(PC), "M" HTML(携帯); any
// other character, or a flag shorter than two characters: "error!".
std::string GetMailTypeText(const COneMailData& mail);
std::string GetMailStatusText(const COneMailData& mail);
std::string GetReserveDateText(const COneMailData& mail);
std::string GetSentNumberText(const COneMailData& mail);      // "%d"
std::string GetErrorNumberText(const COneMailData& mail);     // "%d"
std::string GetOpenNumberText(const COneMailData& mail);      // "%d"
// GetMailOpenRate x 100 as "%3.1f %%": "30.0 %", "0.0 %".
std::string GetOpenRateText(const COneMailData& mail);
std::string GetEntryDateText(const COneMailData& mail);
std::string GetRenewalDateText(const COneMailData& mail);

// The program's own mail-list entry: an empty COneMailData (ID -1, no texts, the dates
// now), destroyed with it.
class CMailRecord : public COneMailData {
public:
    CMailRecord() = default;
    CMailRecord(const COneMailData& other) : COneMailData(other) {}  // NOLINT: a copy
    ~CMailRecord() override = default;
};
