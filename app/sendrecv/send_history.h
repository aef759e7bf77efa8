#pragma once
// The send history of one mail as the send-history dialog (send_history_dlg.h) shows it,
// without widgets: the history read into memory, its pages of 1000 rows, the nine texts
// of a row, the export of all rows to a CSV or text file, and the bulk change that lets
// every failed recipient be mailed again.
//
// The history may hold a million recipients, so nothing here makes all rows at once: a
// page is copied out on demand, the export and the bulk change walk the rows in slices.
//
// A row's texts (Shift_JIS):
//   0 "個人ID"      the customer ID, "%d"
//   1 "メールアドレス" the person's mail address, or "（削除済み）" when the address book no
//                   longer holds the person or the address is empty (erased)
//   2 "名前(姓)" 3 "名前(名)" 4 "会社名"   from the address book (empty when not held)
//   5 "状態"        "送信待ち" (W), "送信済み" (C), "エラー" (E); another letter as stored
//   6 "再送回数"    "%d"
//   7 "開封通知"    "有" (Y), "無" (N); another value as stored
//   8 "最終更新日"  "YYYY/MM/DD hh:mm:ss" ("" when the date is not valid)
//
// Threads: the dialog reads the file and exports on a worker while it is disabled; the
// object is used by one thread at a time. The address book locks itself.

#include <array>
#include <string>
#include <vector>

#include "core/mailstore/history_list_viewer.h"

class CDatabaseEdit;
class CMailListViewer;
class EnvManager;
class SystemOption;

class SendHistory {
public:
    static constexpr int kPageRows = 1000;
    static constexpr int kColumns = 9;
    using RowTexts = std::array<std::string, kColumns>;

    SendHistory() = default;
    SendHistory(const SendHistory&) = delete;
    SendHistory& operator=(const SendHistory&) = delete;

    // Binds the history to the environment's managers: true when every binding took.
    bool Bind(EnvManager* env, SystemOption* options, CDatabaseEdit* book, CMailListViewer* mails);
    // Selects the mail: the viewer's result (0, or negative).
    int SetMailID(int mailId) { return viewer_.SetMailID(mailId); }
    // Reads the history file: the viewer's result (0; -21 no file; -22 empty file; ...).
    int Read() { return viewer_.GetHDataFromFileToMemory(); }
    int Total() const { return viewer_.GetRecordNumber(); }
    HistoryListViewer& Viewer() { return viewer_; }

    // Rows first..last (clamped to the history) into `out`: their number.
    int Page(int first, int last, std::vector<HistorySet>& out) const;

    // The nine texts of one row, looked up in `book` (may be null: no person data).
    static RowTexts Texts(const HistorySet& row, CDatabaseEdit* book);
    // The column titles, UTF-8.
    static const std::array<const char*, kColumns>& Titles();

    // Writes every row to `path` (replaced only when the whole file was written): with
    // `header` the titles first. True when the file was written.
    bool Export(const std::string& path, bool header) const;

    // Every recipient in state "E" on any page whose record has a mail address gets the
    // mail permission "Y" (element 21), and the address book is written. Recipients
    // without an address, or already "Y", are left alone; the history is not changed.
    // On the first failing load, store or write it stops: `error` gets the address book's
    // error text and what was stored in memory before is not written.
    struct BulkResult {
        bool ok = false;
        int changed = 0;
        std::string error;  // Shift_JIS
    };
    BulkResult ResetErrorRecipients() const;

private:
    // Calls fn(row) for every row, a slice at a time; stops when fn gives false. False
    // when it stopped.
    template <class Fn>
    bool ForEachRow(Fn&& fn) const;

    HistoryListViewer viewer_;
    CDatabaseEdit* book_ = nullptr;
};
