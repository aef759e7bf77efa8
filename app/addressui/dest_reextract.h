#pragma once
// Re-extraction of a destination: the recipients of a stored mail (kind 0) or the members
// of a destination list (kind 1) rebuilt by running the destination's own conditions
// against the address book as it is now. The destination details dialog, the refresh
// dialog and the address book use it; no widgets, so it runs on a worker.
//
// ReExtract, in order:
//  1. the destination's conditions are read from its file;
//  2. the three-group union runs over the book (extract_run.h rules; a destination without
//     any condition takes every live record), into the result list;
//  3. the mail-type filter keeps, among the people whose address can be read, only PC
//     addresses (1), only mobile addresses (2), or mobile addresses other than WILLCOM (3);
//     0 keeps everyone;
//  4. for a mail, its send history decides: a person the history lists is kept only when
//     the mail may be sent to them again (HistoryListViewer::CheckRetrySendOK gives 0);
//     a person the history does not list is kept.
// Every failure is told to the user (caption "抽出実行エラー") and leaves the result list
// holding exactly what it held before, so a failed refresh can never be written as the
// destination: in particular a condition that cannot be applied, and a history that
// cannot be read (or the options it is judged by), never hand the mail to people it
// excluded. Removals run in one pass, whatever the list's size.
//
// Messages go through ui::MessageBox, which carries them to the GUI thread when ReExtract
// runs on a worker. One object is used by one thread at a time.

#include <QString>

#include <string>

#include "core/addressbook/extract_result_detail.h"

class CDatabaseEdit;
class CMailListViewer;
class EnvManager;
class ExtractListViewer;
class QWidget;
class SystemOption;

namespace addressui {

// The mail-type filters.
enum MailTypeFilter : int {
    kMailTypeAll = 0,
    kMailTypePcOnly = 1,
    kMailTypeMobileOnly = 2,
    kMailTypeMobileButWillcom = 3,
};
// The filter a mail's text-or-HTML flag asks for: "Y" (PC HTML) 1, "M" (mobile HTML) 3,
// anything else 0.
int MailTypeFilterOf(char textOrHtmlFlag);

class DestinationRefresher {
public:
    // `lists` (not owned) is the list store of a kind-1 destination; may be null for kind 0.
    DestinationRefresher(int kind, int id, ExtractListViewer* lists);

    // The window the messages stand over (may be null); touched on the GUI thread only.
    void SetMessageOwner(QWidget* owner) { owner_ = owner; }
    // Binds the result list to the program's open environment (its descriptor, mail list,
    // address book and options) and the list store: false when a binding failed.
    bool Bind();
    // The result list's SetTypeAndID for the destination: 0 or its negative result.
    int SetTypeAndID() { return result_.SetTypeAndID(static_cast<ERTYPE>(kind_), id_); }

    // The re-extraction above: true on success.
    bool ReExtract(int mailTypeFilter);

    ExtractResultDetail& Result() { return result_; }
    int Kind() const { return kind_; }
    int ID() const { return id_; }
    // The number of IDs after the last successful re-extraction.
    int GetExtractedCount() const { return count_; }
    // When the last re-extraction started reading the book ("YYYY/MM/DD hh:mm:ss").
    const std::string& StartTime() const { return startTime_; }

private:
    void Tell(const QString& text) const;
    bool ApplyMailTypeFilter(int filter);
    bool ApplyHistoryFilter();

    int kind_;
    int id_;
    ExtractListViewer* lists_;
    EnvManager* env_ = nullptr;
    CDatabaseEdit* book_ = nullptr;
    CMailListViewer* mails_ = nullptr;
    SystemOption* options_ = nullptr;
    QWidget* owner_ = nullptr;
    ExtractResultDetail result_;
    int count_ = 0;
    std::string startTime_;
};

// The refresh that CDestRenewDlg runs on its worker: destination (kind, id) re-extracted
// and written, without showing it. For a mail the filter follows its type; for a list the
// list's last update becomes the time the re-extraction started, and only after its
// members were written. Nothing is written when the re-extraction fails. Messages
// (caption "宛先の最新化失敗" for the preparation, else as above) over `owner`. True when
// the destination was rebuilt and saved.
bool RenewDestination(int kind, int id, QWidget* owner);

}  // namespace addressui
