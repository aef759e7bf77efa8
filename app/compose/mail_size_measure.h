#pragma once
// The size measurement of a composed mail after merging: for one terminal kind, the
// largest size that each of its texts (subject; body or HTML part; TEXT part) takes once
// merged for a recipient, and for HTML mail the number and total size of its inline images
// and attachments. The content checks compare these with the carriers' limits.
//
// Two ways to measure, by the record's mode:
//  - kMeasureTestRecipient (200, the pages' check button): merged with the test-mail
//    recipient: record 0 (PC) for kinds 1 and 6, record 1 (mobile) for the others;
//  - any other mode: the largest over the record's customer IDs (IDs the address book does
//    not know are passed over, as CMailSize passes them over).
// Sizes are Shift_JIS bytes with half-width katakana counted as the full-width characters
// they are sent as, except a SoftBank HTML text holding a pictogram, which goes out in
// Shift_JIS as it is.
//
// Over an ID list the largest merged size is worked out from each recipient's values
// (MergeSizeProfile) in one pass over the address book (AddressBookRows, in parallel
// parts) that reads each field the texts use once per recipient: nothing is merged and no
// text is built, so the five kinds of a text mail to a million recipients take about a
// tenth of a second, where merging every recipient took seconds, and the result equals
// CMailSize's merge of every recipient byte for byte.
//
// Messages go through ui::MessageBox (or are handed back, MeasureMailSizes); no widget is
// made here.

#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/sendrecv/send_environment.h"

class CDatabaseEdit;
class CMailListViewer;
class EnvManager;
class QWidget;
class SystemOption;

namespace compose {

class AddressBookRows;
class MergeSizeProfile;

// The stores of the open environment that the checks read: the send engine's (the checks
// refuse, with the measurement's message, where one they need is null).
using CheckStores = ::SendEnvironment;

// One entry of an HTML page's inline-image list or attachment list.
struct PageFileEntry {
    std::string contentId;   // Shift_JIS
    std::string fileName;    // Shift_JIS
    bool inlineImage = false;  // an inline image (else attached, or an image no longer inline)
    uint64_t size = 0;       // bytes of the file
};

// Check purposes, which every check takes and the measurement takes as its mode.
enum CheckPurpose : int { kPurposeSend = 100, kMeasureTestRecipient = 200, kPurposeCheckButton = 200, kPurposeSave = 300 };

// Terminal kinds of the checks: text mail 1-5, HTML mail 6-9.
enum CheckKind : int {
    kKindTextPc = 1, kKindTextDocomo = 2, kKindTextAu = 3, kKindTextSoftbank = 4, kKindTextWillcom = 5,
    kKindHtmlPc = 6, kKindHtmlDocomo = 7, kKindHtmlAu = 8, kKindHtmlSoftbank = 9,
};

struct MailSizeResult {
    int status = 0;
    // The byte lengths of the three texts; after a successful measurement, their largest
    // merged sizes.
    std::array<int64_t, 3> sizes{};
    // Only for kinds 6-9 and the lists given, else 0. Inline images count only entries
    // still marked inline.
    int inlineCount = 0;
    uint64_t inlineTotal = 0;
    int attachmentCount = 0;
    uint64_t attachmentTotal = 0;
};

// The measurement record.
struct MailSizeMeasure {
    int mode = 0;  // kMeasureTestRecipient, or anything else for the ID list
    int kind = 0;  // CheckKind
    // Subject; body (text mail) or HTML part (HTML mail; merged in its HTML form); TEXT part.
    std::array<std::string, 3> texts;
    const std::vector<PageFileEntry>* inlineImages = nullptr;
    const std::vector<PageFileEntry>* attachments = nullptr;
    const std::vector<int>* ids = nullptr;
    MailSizeResult result;
};

// Measures `record` into record.result. True on success, also when the ID list is empty
// (nothing is merged then: the sizes stay the texts' lengths). On failure the user is told
// and the result keeps the unmerged lengths:
//   test recipient: "環境情報取得に失敗しました。" ("異常") when the recipients cannot be
//   read, "テストメールの情報を設定して下さい。" ("注意") when the record is missing;
//   ID list: "チェック対象の個人情報IDがデータベースに存在しません" when no ID is in the
//   address book, "長さチェックに失敗しました" without an address book (both "異常").
bool CheckMailSizeForCarriers(QWidget* parent, MailSizeMeasure& record, const CheckStores& stores);

// The same for several records, with one pass over the address book for all their ID
// lists (the lock is held for that pass only). True when every record succeeded; each
// failure is told as above.
bool CheckMailSizeForCarriers(QWidget* parent, const std::vector<MailSizeMeasure*>& records,
                              const CheckStores& stores);

// Fills the image and attachment counts and totals of record.result from its lists (zero
// for text mail kinds and for lists not given), leaving the sizes alone.
void CountPageFiles(MailSizeMeasure& record);

// A measurement's failure: the message and caption that CheckMailSizeForCarriers shows.
struct MeasureFailure {
    QString text;
    QString caption;
    bool failed() const { return !text.isEmpty(); }
};

// The same without showing anything: failures[i] tells how record i failed (empty on
// success), for a caller that shows each where it belongs.
void MeasureMailSizes(const std::vector<MailSizeMeasure*>& records, const CheckStores& stores,
                      std::vector<MeasureFailure>& failures);

// The largest merged size of each profile over the customers `ids` (in the book's lock
// held by `rows`); -1 for each when no ID is in the book. The engine of the measurement.
void LargestMergedSizes(AddressBookRows& rows, const std::vector<int>& ids,
                        const std::vector<const MergeSizeProfile*>& profiles, std::vector<int64_t>& sizes);

// Whether the texts of `kind` are measured with half-width katakana widened: every kind but
// SoftBank HTML (9) when the text holds a pictogram.
bool MeasureWidensKana(int kind, const std::string& text);

}  // namespace compose
