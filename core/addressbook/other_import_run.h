#pragma once
// OtherImportRun: one run of an import of another program's file: the report file, the
// counts in the shared progress block, the reason phrases of a rejected record, and the
// merge of a record into the book by its mail address. The format readers of
// CAddressImport drive it; it knows nothing of any format.
//
// The report is Shift_JIS with CR LF line ends: the start time and the source, the
// rejected and skipped records, the end status with both counts (or the reason of an
// abnormal end) and the end time.

#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <optional>

#include "core/addressbook/database_edit.h"
#include "core/addressbook/import_id_source.h"
#include "core/addressbook/import_mail_index.h"
#include "core/addressbook/import_progress.h"
#include "core/foundation/cp932.h"
#include "core/foundation/string_array.h"

class EnvManager;

namespace import_text {
// The Shift_JIS bytes of a UTF-8 literal: the titles and phrases the import readers write.
inline const std::string& L(const char* utf8) { return SjisLiteral(utf8); }
}  // namespace import_text

class OtherImportRun {
public:
    OtherImportRun(CDatabaseEdit& book, ImportProgress& progress);
    ~OtherImportRun();
    OtherImportRun(const OtherImportRun&) = delete;
    OtherImportRun& operator=(const OtherImportRun&) = delete;

    // Creates the report afresh (0600: it names the people imported) and writes the start
    // time and `sourceSection`. The path is the one the user chose in a save dialog and is
    // opened as named (a link the user picked is followed), unless `programsOwn`: then it
    // is opened as the program's own files are (platform::OpenPrivateFile). False when it
    // cannot be created.
    bool OpenReport(const std::string& path, const std::string& sourceSection, bool programsOwn = false);

    // A note of its own section, written after the source.
    void Note(const std::string& text) { Write(text); }

    // Under the store's lock: the ID index rebuilt, the customer sequence moved past the
    // largest ID and the mail index built; the records stored from here on are committed
    // together by End, or taken back together when the run ends abnormally. False when the
    // sequence fails (10009).
    bool Prepare(EnvManager* env);

    // ---- One record ----------------------------------------------------------------------
    void BeginRecord();
    // The record's line (or a field of it) as the file has it: one holding a NUL byte is
    // rejected, whatever column it is in. No text of the book can hold one, and a text cut
    // at it would store less than the file says.
    void LineText(std::string_view text);
    // The mail-address column: a phrase for an empty or invalid address, else the record
    // is looked up and becomes a copy of the stored one or a new one. newFlag is the
    // advertising flag a new record starts with ("" keeps the element empty).
    void MailColumn(const std::string& value, const std::string& title, const char* newFlag);
    // Free text: "㈱" and its kind spelled out, line breaks removed, half-width kana widened,
    // then no machine-dependent character allowed.
    void FreeText(int element, const std::string& value, const std::string& title);
    // The same clean-up and check into `out`; false (with the phrase) when it fails.
    bool CleanText(const std::string& value, const std::string& title, std::string& out);
    // Telephone-like numbers (digits and hyphens, normalised) and postal codes (hyphens
    // removed); anything else is a phrase.
    void Phone(int element, const std::string& value, const std::string& title);
    void ZipCode(int element, const std::string& value, const std::string& title);
    void Set(int element, std::string value) { cells()[static_cast<std::size_t>(element)] = std::move(value); }
    std::string& Cell(int element) { return cells()[static_cast<std::size_t>(element)]; }
    // Adds a reason phrase ("[title]" + rest).
    void Phrase(const std::string& title, const char* rest);
    void RawPhrase(const std::string& text) { reason_ += text; }
    bool Rejected() const { return !reason_.empty(); }
    const std::string& Reason() const { return reason_; }
    bool IsExisting() const { return row_ >= 0; }
    // An element of the stored record this one updates.
    std::string Stored(int element) const;
    // Advertising-mail mode 1 to 4: new records "Y" for 1 and 3; existing ones "Y" for 1,
    // "N" for 2, else kept.
    void ApplyMailMode(int mode);

    // The duplicate policy for a record found in the book: "2" never updates it; "0" only
    // when fileDate (date text; empty counts as the earliest date) is later than the stored
    // renewal date; anything else always. True when the record is skipped: the skip line
    // (`who` followed by the reason) has then been written.
    bool SkippedByPolicy(const std::string& policy, const std::string& fileDate, const std::string& who);

    // Stores the record: added with a new ID or replacing the stored one. 0, or the code
    // of the failure (10009, 10602).
    int Commit();
    // A rejected record's line (counted as an error) or a skipped record's (not counted).
    void ErrorLine(const std::string& line);
    void SkipLine(const std::string& line);

    // Ends the run: the ID index rebuilt, the sequence stored and the records committed
    // when Prepare ran (a commit that fails ends the run abnormally with 10204, -42), then
    // the end status and the end time. `reason` empty is a normal end. An abnormal end
    // takes the run's own records back (the rows it added go, the rows it updated get their
    // earlier texts), and nothing else: a change another writer made before the run began
    // stays. The imported count, or `failure` for an abnormal end.
    int End(const std::string& reason, int failure);

    int Imported() const { return imported_; }
    // The message of an error code, the reason of a run ended by that failure.
    static std::string MessageOf(int code);

private:
    std::vector<std::string>& cells() { return work_.values(); }
    void Write(std::string_view text);
    void WriteErrorSection(const std::string& line);
    void WriteTime(const char* heading);
    // Puts the rows the run changed back as they were at Prepare (in one group).
    void TakeBack();

    CDatabaseEdit& book_;
    ImportProgress& progress_;
    std::FILE* report_ = nullptr;
    bool prepared_ = false;
    bool errorSection_ = false;
    int imported_ = 0;
    int errors_ = 0;
    ImportIdSource ids_;
    std::optional<CDatabaseEdit::ChangeGroup> changes_;
    ImportMailIndex mails_;
    // What TakeBack needs: the book's rows at Prepare, and the earlier texts of the rows
    // among them that the run replaced (the first time it replaced each).
    int rowsBefore_ = 0;
    std::unordered_map<int, XCStringArrayEx> earlier_;
    XCStringArrayEx work_;
    int row_ = -1;
    std::string reason_;
    std::string now_;
};
