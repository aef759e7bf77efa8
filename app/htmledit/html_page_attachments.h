#pragma once
// HtmlPageAttachments: the attachments of one mail page - an HTML mail page, or a text
// page of the composing dialog, which keep them by the same rules. They have three views
// that stay in step:
//  - the page's slot of the work record: (file name, size as decimal text) pairs, what the
//    composing dialog stores;
//  - the page's attachment list with its carrier's limits (CAttachmentSettingDlg entries:
//    name, size, path, flag), what the user edits in the attachment dialog;
//  - a copy of every attached file in the page's work folder under its own name, so the
//    mail no longer depends on the file the user picked.
//
// What it guarantees:
//  - only files inside the work folder, under a plain name, are ever deleted; the user's
//    own files never are (an entry still at the chosen path is never deleted);
//  - a copy replaces its target only once it is whole (written beside it, then renamed),
//    and a file that already is the folder's copy is not copied onto itself;
//  - a name that is not a plain file name (empty, "." or "..", or holding "/", a
//    backslash, NUL or another control byte) never reaches the file system: such an
//    attachment is refused;
//  - ReplaceAll (an .eml import) writes every new file beside the folder's files first and
//    changes nothing when one cannot be written; only then are the old attachments removed
//    and the new ones put in place.
// Destroying the object deletes the copies of its entries (the stored mail keeps its own).
// GUI thread only (messages go through ui::MessageBox).

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/mailstore/one_mail.h"

class QWidget;

namespace htmledit {

class CAttachmentSettingDlg;

class HtmlPageAttachments {
public:
    // `settings` is the page's attachment list (not owned); `record` gives the page's
    // slot of the work record, or null while the page has none.
    HtmlPageAttachments(CAttachmentSettingDlg& settings, std::function<std::vector<AttachData>*()> record);
    ~HtmlPageAttachments();
    HtmlPageAttachments(const HtmlPageAttachments&) = delete;
    HtmlPageAttachments& operator=(const HtmlPageAttachments&) = delete;

    // The work folder, ending in "/" (empty: none set).
    void SetFolder(std::string folder);
    const std::string& Folder() const { return folder_; }

    // The record's pairs into the attachment list (path: the folder's copy). A size text
    // that is not a clean decimal is taken from the copy, so the limits still count it.
    void Load();
    // The work after the attachment dialog closed with OK: the copies of removed entries
    // deleted ("テンポラリファイルの削除に失敗しました。" when one cannot be), each newly
    // chosen file copied into the folder (an entry whose copy fails is dropped after
    // "添付ファイルに指定されたファイル「<name>」を作業フォルダにコピーできません。"), and
    // the record's pairs made from the entries. Messages over `owner`.
    void ApplyDialogResult(QWidget* owner);

    int Count() const;
    // 0 when index is out of range.
    int GetName(int index, std::string& name) const;
    int GetSize(int index, std::uint64_t& size) const;
    // The entry's file into `buffer` (bufferSize bytes): 0 when the index is out of range,
    // the buffer is smaller than the entry, or the file no longer holds exactly the entry's
    // bytes.
    int GetData(int index, std::size_t bufferSize, char* buffer) const;
    std::uint64_t TotalSize() const;
    // Writes the bytes as the folder's copy of `name` and lists them: 0, writing nothing,
    // when the list is full, the name is used or not a plain file name, the total would
    // pass the limit, or there is no folder; 0 when the write fails.
    int AddFromBuffer(const std::string& name, const char* bytes, std::size_t size);
    // Deletes entry `index`'s copy, its record pair and the entry: 0 (nothing changed)
    // when there is no such entry or the copy cannot be deleted.
    int RemoveAt(int index);
    // RemoveAt from the last entry to the first; 0 at the first failure.
    int RemoveAll();
    // The record's names joined by ", ", for the page's display.
    QString NamesText() const;

    struct NewAttachment {
        std::string name;
        std::string bytes;
    };
    enum class ReplaceResult { kDone, kWriteFailed, kClearFailed };
    // Replaces every attachment with `files` (see above). kWriteFailed (`failedName` set):
    // a new file could not be written or listed; before the old attachments were removed
    // nothing has changed. kClearFailed: an old attachment could not be removed (the ones
    // before it in the removal order are gone, the new files are not listed).
    ReplaceResult ReplaceAll(const std::vector<NewAttachment>& files, std::string& failedName);

private:
    std::vector<AttachData>& Record();
    std::string CopyPath(const std::string& name) const { return folder_ + name; }
    // Deletes `path` when it is a file of the work folder: true when it is gone (or never
    // was the folder's).
    bool DeleteCopy(const std::string& path) const;

    CAttachmentSettingDlg& settings_;
    std::function<std::vector<AttachData>*()> record_;
    std::vector<AttachData> noRecord_;
    std::string folder_;
};

// The value of a whole decimal text of at most 20 digits that fits 64 bits; nothing for
// any other text.
std::optional<std::uint64_t> DecimalSize(const std::string& text);

}  // namespace htmledit
