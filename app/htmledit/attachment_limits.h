#pragma once
// CAttachmentSettingDlg (dlg934, "添付ファイル設定"): the attachment list of one mail page
// and, at the same time, the modal dialog in which the user adds and removes its files,
// under the limits of the page's carrier (its frame: file_list_setting_dlg.h).
//
// The page owns one object for its whole life; the entries survive between runs of the
// dialog and are the page's attachment list. One run (DoModal):
//  - opening takes a snapshot of the entries, clears every entry's flag and empties the
//    removed list;
//  - "追加" asks for one existing file and adds it (flag 1: it still lies at the chosen
//    path) unless the list is full, a file of that name is already attached, its size
//    cannot be read or the total would pass the limit, each refusal with its message;
//  - "削除" (or the Delete key while the list has the focus; the dialog takes every Delete
//    key) removes the selected entry; an entry that was there when the dialog opened goes
//    to the removed list, whose files the page deletes after OK. A file added and removed
//    in the same run never reaches that list, so the user's own files are never deleted;
//  - OK keeps the entries and the removed list; Cancel brings the snapshot back and
//    empties the removed list.
// After OK the page copies each entry of flag 1 into its work folder and replaces the
// entry's path with the copy (ReplaceAttachment), removing an entry whose copy failed.
//
// Sizes are 64-bit and the limits are compared without overflow: a file of 4 GiB and
// 100 bytes is 4 GiB and 100 bytes, never 100. A name is the file's name part in
// Shift_JIS; two entries never share a name (compared byte for byte, so case counts).
//
// The carriers' limits and messages are the subclasses below. The au TU-KA HTML page
// counts its inline images in the number of files, and the SoftBank HTML page counts
// their bytes in the total; those figures belong to the page's inline-image settings, so
// the page links them with a source function that is asked at each check (a figure the
// page set by hand goes stale as soon as the other side changes).

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/htmledit/file_list_setting_dlg.h"

namespace htmledit {

struct AttachmentEntry {
    std::string fileName;    // Shift_JIS, the name part of the file
    std::uint64_t size = 0;  // bytes
    std::string path;        // file-system path: the chosen file, later the page's copy
    std::int32_t flag = 0;   // 1: added in the current run (still at the chosen path)
};

class CAttachmentSettingDlg : public FileListSettingDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 934;
    enum : int { kIdcList = 5241, kIdcAdd = 5242 };

    CAttachmentSettingDlg(std::uint32_t maxCount, std::uint64_t maxBytes, QWidget* parent = nullptr);

    // 1 when appended; 0, silently, when the list is full, the name is used or the total
    // would pass the limit.
    int AddAttachment(const std::string& name, std::uint64_t size, const std::string& path, std::int32_t flag);
    // 1 when entry `index` was overwritten; 0 when there is no such entry, another entry
    // has the name or the total would pass the limit.
    int ReplaceAttachment(std::size_t index, const std::string& name, std::uint64_t size, const std::string& path,
                          std::int32_t flag);
    // 1 when entry `index` was removed (later entries move up); 0 when there is none.
    int RemoveAttachment(std::size_t index);
    // Whether an entry other than `index` (-1: none excluded) has exactly this name.
    bool IsNameUsed(const std::string& name, long long index = -1) const;
    std::uint64_t GetTotalSize() const;

    std::size_t GetCount() const { return entries_.size(); }
    const AttachmentEntry& GetAt(std::size_t index) const { return entries_[index]; }
    const std::vector<AttachmentEntry>& GetEntries() const { return entries_; }
    // Entries there at the opening of the last run and removed in it (read after OK).
    const std::vector<AttachmentEntry>& GetRemovedList() const { return removed_; }
    std::uint32_t GetMaxCount() const { return maxCount_; }
    std::uint64_t GetMaxBytes() const { return maxBytes_; }

    // The limit rules. Size rules: the total plus `size` (less the replaced entry's size)
    // over the maximum; count rule: as many entries as the maximum.
    virtual bool IsAddSizeOver(std::uint64_t size) const;
    virtual bool IsReplaceSizeOver(std::size_t index, std::uint64_t size) const;
    virtual bool IsCountFull() const;
    virtual QString GetNoticeText() const = 0;
    virtual void ShowCountFullMessage() = 0;
    virtual void ShowSizeOverMessage() = 0;

    // The opening of a run: the snapshot, the flags cleared, the removed list emptied.
    void OnInitDialog() override;
    // The buttons.
    void OnAdd();
    void OnDelete() override;

    void reject() override;

private:
    std::uint32_t maxCount_;
    std::uint64_t maxBytes_;
    std::vector<AttachmentEntry> entries_;
    std::vector<AttachmentEntry> snapshot_;
    std::vector<AttachmentEntry> removed_;
};

// The carriers' dialogs: one limit and three texts each (a table in the source).
class AttachmentLimitDlg : public CAttachmentSettingDlg {
    Q_OBJECT
public:
    enum Carrier : int {
        kHtmlPc, kHtmlDocomo, kHtmlAu, kHtmlSoftbank, kNormal, kImode, kEzweb, kJsky, kPmaildx,
    };
    QString GetNoticeText() const override;
    void ShowCountFullMessage() override;
    void ShowSizeOverMessage() override;
    Carrier GetCarrier() const { return carrier_; }

protected:
    AttachmentLimitDlg(Carrier carrier, QWidget* parent);

private:
    Carrier carrier_;
};

// PC HTML: 20 files, 5,242,880 bytes.
class CAttachmentSettingDlgHtmlPc : public AttachmentLimitDlg {
    Q_OBJECT
public:
    explicit CAttachmentSettingDlgHtmlPc(QWidget* parent = nullptr) : AttachmentLimitDlg(kHtmlPc, parent) {}
};

// NTT DoCoMo HTML: 10 files, 2,097,152 bytes.
class CAttachmentSettingDlgHtmlDocomo : public AttachmentLimitDlg {
    Q_OBJECT
public:
    explicit CAttachmentSettingDlgHtmlDocomo(QWidget* parent = nullptr) : AttachmentLimitDlg(kHtmlDocomo, parent) {}
};

// au TU-KA HTML: 512,000 bytes; attachments and inline images together at most 25 files.
class CAttachmentSettingDlgHtmlAu : public AttachmentLimitDlg {
    Q_OBJECT
public:
    static constexpr std::uint32_t kMaxFiles = 25;
    explicit CAttachmentSettingDlgHtmlAu(QWidget* parent = nullptr) : AttachmentLimitDlg(kHtmlAu, parent) {}

    // The page's number of inline images: set by hand, or asked of `source` at each check
    // once one is given (null: the number set by hand again).
    void SetInlineImageCount(std::uint32_t count) { inlineCount_ = count; }
    void SetInlineImageCountSource(std::function<std::uint32_t()> source) { inlineCountSource_ = std::move(source); }
    std::uint32_t GetInlineImageCount() const { return inlineCountSource_ ? inlineCountSource_() : inlineCount_; }

    bool IsCountFull() const override;

private:
    std::uint32_t inlineCount_ = 0;
    std::function<std::uint32_t()> inlineCountSource_;
};

// SoftBank HTML: 20 files; attachments and inline images together at most 256,000 bytes.
class CAttachmentSettingDlgHtmlSoftbank : public AttachmentLimitDlg {
    Q_OBJECT
public:
    explicit CAttachmentSettingDlgHtmlSoftbank(QWidget* parent = nullptr) : AttachmentLimitDlg(kHtmlSoftbank, parent) {}

    // Stores the inline images' total bytes (1), or keeps the old value (0) when the
    // attachments and `size` together pass 256,000 bytes.
    int SetInlineTotal(std::uint64_t size);
    // Asks `source` for the inline images' total at each check once given (null: the
    // stored value again).
    void SetInlineTotalSource(std::function<std::uint64_t()> source) { inlineTotalSource_ = std::move(source); }
    std::uint64_t GetInlineTotal() const { return inlineTotalSource_ ? inlineTotalSource_() : inlineTotal_; }

    bool IsAddSizeOver(std::uint64_t size) const override;
    bool IsReplaceSizeOver(std::size_t index, std::uint64_t size) const override;

private:
    std::uint64_t inlineTotal_ = 0;
    std::function<std::uint64_t()> inlineTotalSource_;
};

// PC text: 20 files, 5,242,880 bytes.
class CAttachmentSettingDlgNormal : public AttachmentLimitDlg {
    Q_OBJECT
public:
    explicit CAttachmentSettingDlgNormal(QWidget* parent = nullptr) : AttachmentLimitDlg(kNormal, parent) {}
};

// NTT DoCoMo text: 10 files, 2,097,152 bytes.
class CAttachmentSettingDlgImode : public AttachmentLimitDlg {
    Q_OBJECT
public:
    explicit CAttachmentSettingDlgImode(QWidget* parent = nullptr) : AttachmentLimitDlg(kImode, parent) {}
};

// au TU-KA text: 5 files, 512,000 bytes.
class CAttachmentSettingDlgEzweb : public AttachmentLimitDlg {
    Q_OBJECT
public:
    explicit CAttachmentSettingDlgEzweb(QWidget* parent = nullptr) : AttachmentLimitDlg(kEzweb, parent) {}
};

// SoftBank text: 20 files, 256,000 bytes.
class CAttachmentSettingDlgJsky : public AttachmentLimitDlg {
    Q_OBJECT
public:
    explicit CAttachmentSettingDlgJsky(QWidget* parent = nullptr) : AttachmentLimitDlg(kJsky, parent) {}
};

// WILLCOM text: 20 files, 358,400 bytes.
class CAttachmentSettingDlgPmaildx : public AttachmentLimitDlg {
    Q_OBJECT
public:
    explicit CAttachmentSettingDlgPmaildx(QWidget* parent = nullptr) : AttachmentLimitDlg(kPmaildx, parent) {}
};

}  // namespace htmledit
