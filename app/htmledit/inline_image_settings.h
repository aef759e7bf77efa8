#pragma once
// CInlineImageSettingDlg (dlg936, "インライン画像登録"): the inline images of one HTML mail
// page and, at the same time, the modal dialog in which the user assigns a GIF or JPEG
// file to one of the page's image slots or empties it, under the limits of the page's
// carrier (its frame: file_list_setting_dlg.h).
//
// The slots are a fixed table. Each carries a Content-ID that the page writes once, right
// after construction ("00", "01", ... or the au TU-KA page's own form); the HTML part
// refers to a slot's image as "cid:" and that id, so a slot never moves and emptying it
// keeps its id. One run (DoModal):
//  - opening backs up all slots and clears every slot's flag;
//  - "追加・変更" (or a double-click) asks for a file for the selected slot and assigns it
//    (flag 1) unless the carrier's count or size rule refuses, the file's size cannot be
//    read, it cannot be read whole at that size, or it is not GIF ("GIF87a"/"GIF89a") or
//    JPEG (FF D8) by its first bytes, whatever its name; each refusal with its message,
//    the slot staying as it was. Assigning to a slot in use replaces its image, so only
//    the difference in size needs room;
//  - "削除" (or the Delete key while the list has the focus; the dialog takes every Delete
//    key) empties the selected slot;
//  - OK keeps the slots; Cancel brings the backup back.
//
// Sizes are 64-bit and compared without overflow. The au TU-KA page counts its
// attachments with the images (25 files together), the SoftBank page its attachments'
// bytes with theirs (256,000 bytes together): those figures belong to the page's
// attachment settings, so the page links them with a source function asked at each check.

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/htmledit/file_list_setting_dlg.h"

namespace htmledit {

struct InlineImageSlot {
    std::string contentId;   // Shift_JIS, written by the page
    std::string fileName;    // Shift_JIS, the name part of the file
    std::uint64_t size = 0;  // bytes
    std::string path;        // file-system path
    std::int32_t flag = 0;   // 1: assigned in the current run
    std::int32_t inUse = 0;  // 1: the slot carries an image
};

class CInlineImageSettingDlg : public FileListSettingDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 936;
    enum : int { kIdcList = 5247, kIdcAssign = 5246 };

    CInlineImageSettingDlg(std::uint32_t maxCount, std::uint64_t maxBytes, QWidget* parent = nullptr);

    // The count rule: every slot in use.
    virtual bool IsCountFull() const;
    // Assigns an image to slot `index`: 1, or 0 (slot unchanged) for an index past the
    // slots, a full count on a slot not in use, or a total past the limit.
    virtual int SetImage(std::size_t index, const std::string& name, std::uint64_t size, const std::string& path,
                         std::int32_t flag);
    // SetImage for the first slot whose Content-ID is `contentId`; 0 when none is.
    virtual int SetImageByContentId(const std::string& contentId, const std::string& name, std::uint64_t size,
                                    const std::string& path, std::int32_t flag);
    // The total of the slots in use, less slot `index`'s own image, plus `size`, over the
    // maximum.
    virtual bool IsSetSizeOver(std::size_t index, std::uint64_t size) const;
    // The message for a full count (only a carrier that counts other files has one).
    virtual void ShowCountFullMessage();
    // 1 when the file may go into slot `index`; else 0 after its message.
    virtual int CheckSize(std::size_t index, const std::string& name, std::uint64_t size, const std::string& path);
    virtual QString GetNoticeText() const = 0;
    virtual void ShowSizeOverMessage() = 0;

    std::uint64_t GetTotalSize() const;
    std::uint32_t GetCount() const;
    // 1 when slot `index` was emptied (its Content-ID stays); 0 when there is none.
    int RemoveImage(std::size_t index);
    // Empties every slot; the number of slots.
    int RemoveAllImages();

    std::uint32_t GetMaxCount() const { return static_cast<std::uint32_t>(slots_.size()); }
    std::uint64_t GetMaxBytes() const { return maxBytes_; }
    const InlineImageSlot& GetSlot(std::size_t index) const { return slots_[index]; }
    const std::vector<InlineImageSlot>& GetSlots() const { return slots_; }
    void SetContentId(std::size_t index, std::string contentId) { slots_[index].contentId = std::move(contentId); }

    // The opening of a run: the backup, the flags cleared, the first slot selected.
    void OnInitDialog() override;
    // The buttons.
    void OnAssign();
    void OnDelete() override;

    void reject() override;

protected:
    // The total of the slots in use other than `index`.
    std::uint64_t OthersTotal(std::size_t index) const;

private:
    int SelectedSlot() const;

    std::uint64_t maxBytes_;
    std::vector<InlineImageSlot> slots_;
    std::vector<InlineImageSlot> backup_;
};

// The carriers' dialogs: one limit and two texts each (a table in the source).
class InlineLimitDlg : public CInlineImageSettingDlg {
    Q_OBJECT
public:
    enum Carrier : int { kPc, kDocomo, kAu, kSoftbank };
    QString GetNoticeText() const override;
    void ShowSizeOverMessage() override;
    Carrier GetCarrier() const { return carrier_; }

protected:
    InlineLimitDlg(Carrier carrier, QWidget* parent);

private:
    Carrier carrier_;
};

// PC HTML: 20 slots, 5,242,880 bytes.
class CInlineImageSettingDlgPc : public InlineLimitDlg {
    Q_OBJECT
public:
    explicit CInlineImageSettingDlgPc(QWidget* parent = nullptr) : InlineLimitDlg(kPc, parent) {}
};

// NTT DoCoMo HTML: 20 slots, 92,160 bytes.
class CInlineImageSettingDlgDocomo : public InlineLimitDlg {
    Q_OBJECT
public:
    explicit CInlineImageSettingDlgDocomo(QWidget* parent = nullptr) : InlineLimitDlg(kDocomo, parent) {}
};

// au TU-KA HTML: 20 slots, 143,600 bytes, each file at most 15,360 bytes, images and
// attachments together at most 25 files.
class CInlineImageSettingDlgAu : public InlineLimitDlg {
    Q_OBJECT
public:
    static constexpr std::uint32_t kMaxFiles = 25;
    static constexpr std::uint64_t kMaxFileBytes = 15360;
    explicit CInlineImageSettingDlgAu(QWidget* parent = nullptr) : InlineLimitDlg(kAu, parent) {}

    // The page's number of attachments: set by hand, or asked of `source` at each check
    // once one is given (null: the number set by hand again).
    void SetAttachmentCount(std::uint32_t count) { attachmentCount_ = count; }
    void SetAttachmentCountSource(std::function<std::uint32_t()> source) { attachmentCountSource_ = std::move(source); }
    std::uint32_t GetAttachmentCount() const { return attachmentCountSource_ ? attachmentCountSource_() : attachmentCount_; }

    bool IsCountFull() const override;
    void ShowCountFullMessage() override;
    // The size rule first (its message), then the per-file limit.
    int CheckSize(std::size_t index, const std::string& name, std::uint64_t size, const std::string& path) override;

private:
    std::uint32_t attachmentCount_ = 0;
    std::function<std::uint32_t()> attachmentCountSource_;
};

// SoftBank HTML: 40 slots; images and attachments together at most 256,000 bytes.
class CInlineImageSettingDlgSoftbank : public InlineLimitDlg {
    Q_OBJECT
public:
    explicit CInlineImageSettingDlgSoftbank(QWidget* parent = nullptr) : InlineLimitDlg(kSoftbank, parent) {}

    // Stores the attachments' total bytes (1), or keeps the old value (0) when the images
    // and `size` together pass 256,000 bytes.
    int SetAttachmentTotal(std::uint64_t size);
    // Asks `source` for the attachments' total at each check once given (null: the stored
    // value again).
    void SetAttachmentTotalSource(std::function<std::uint64_t()> source) { attachmentTotalSource_ = std::move(source); }
    std::uint64_t GetAttachmentTotal() const { return attachmentTotalSource_ ? attachmentTotalSource_() : attachmentTotal_; }

    bool IsSetSizeOver(std::size_t index, std::uint64_t size) const override;

private:
    std::uint64_t attachmentTotal_ = 0;
    std::function<std::uint64_t()> attachmentTotalSource_;
};

}  // namespace htmledit
