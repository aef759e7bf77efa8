#include "app/htmledit/attachment_limits.h"

#include <QFileInfo>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>

#include "app/mailtext/file_utils.h"
#include "app/sendrecv/report_rows_model.h"
#include "app/sendrecv/report_view.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace htmledit {

namespace {

const char* const kCaution = "注意";

struct AttachmentLimits {
    std::uint32_t maxCount;
    std::uint64_t maxBytes;
    const char* notice;
    const char* countFull;
    const char* sizeOver;
};

// The carriers' limits and texts, by AttachmentLimitDlg::Carrier.
const AttachmentLimits kAttachmentLimits[] = {
    // kHtmlPc
    {20, 5242880,
     "PC向けメールでは添付ファイルを20まで登録可能です。\r\nまた、合計で5M(5,242,880)バイトまで登録可能です。",
     "PC向けメールに添付可能なファイルの総数は20までです。\r\n追加を行う前に添付ファイルのリストから1つ以上ファイルを削除する必要があります。",
     "合計サイズが5Mバイトを超えるため、添付ファイルを追加できません。\r\nPC向けメールでは合計5Mバイトまでの添付ファイルを設定可能です。"},
    // kHtmlDocomo
    {10, 2097152,
     "NTT DoCoMo向けメールでは添付ファイルを10まで登録可能です。\r\nまた、合計で2Mバイト(2,097,152バイト)まで登録可能です。",
     "NTT DoCoMo向けメールに添付可能なファイルの総数は10までです。\r\n追加を行う前に添付ファイルのリストから1つ以上ファイルを削除する必要があります。",
     "合計サイズが2Mバイトを超えるため、添付ファイルを追加できません。\r\nNTT DoCoMo向けメールでは合計2Mバイト(2,097,152)までの添付ファイルを設定可能です。"},
    // kHtmlAu (the count message is a format filled with the file count)
    {25, 512000,
     "au TU-KA向けメールでは添付ファイル数とインライン画像数は合計25まで登録可能です。\r\nまた、添付ファイルは合計で500Kバイト(512,000バイト)まで登録可能です。",
     "au TU-KA向けメールではインライン画像数と添付ファイル数は合計%1ファイルまで設定可能です。\r\n追加を行う前に、添付ファイル、あるいはインライン画像から1つ以上ファイルを削除する必要があります。",
     "合計サイズが500Kバイトを超えるため、添付ファイルを追加できません。\r\nau TU-KA向けメールでは合計500Kバイト(512,000バイト)までの添付ファイルを設定可能です。"},
    // kHtmlSoftbank
    {20, 256000,
     "SoftBank向けメールでは添付ファイルを20まで登録可能です。\r\nまた、インライン画像、添付ファイルを合計で250Kバイト(256,000バイト)まで登録可能です。",
     "SoftBank向けメールに添付可能なファイルの総数は20までです。\r\n追加を行う前に添付ファイルのリストから1つ以上ファイルを削除する必要があります。",
     "インライン画像、添付ファイルの合計サイズが250Kバイトを超えるため、添付ファイルを追加できません。\r\nSoftBank向けメールでは合計250Kバイト(256,000バイト)までの添付ファイルを設定可能です。"},
    // kNormal
    {20, 5242880,
     "PC向けメールでは添付ファイルを20まで登録可能です。\r\nまた、合計で5M(5,242,880)バイトまで登録可能です。",
     "PC向けメールに添付可能なファイルの総数は20までです。\r\n追加を行う前に添付ファイルのリストから1つ以上ファイルを削除する必要があります。",
     "合計サイズが5Mバイトを超えるため、添付ファイルを追加できません。\r\nPC向けメールでは合計5Mバイトまでの添付ファイルを設定可能です。"},
    // kImode
    {10, 2097152,
     "NTT DoCoMo向けメールでは添付ファイルを10まで登録可能です。\r\nまた、合計で2Mバイト(2,097,152バイト)まで登録可能です。",
     "NTT DoCoMo向けメールに添付可能なファイルの総数は10までです。\r\n追加を行う前に添付ファイルのリストから1つ以上ファイルを削除する必要があります。",
     "合計サイズが2Mバイトを超えるため、添付ファイルを追加できません。\r\nNTT DoCoMo向けメールでは合計2Mバイト(2,097,152)までの添付ファイルを設定可能です。"},
    // kEzweb
    {5, 512000,
     "au TU-KA向けメールでは添付ファイルを5まで登録可能です。\r\nまた、合計で500Kバイト(512,000バイト)まで登録可能です。",
     "au TU-KA向けメールに添付可能なファイルの総数は5までです。\r\n追加を行う前に添付ファイルのリストから1つ以上ファイルを削除する必要があります。",
     "合計サイズが500Kバイトを超えるため、添付ファイルを追加できません。\r\nau TU-KA向けメールでは合計500Kバイト(512,000バイト)までの添付ファイルを設定可能です。"},
    // kJsky
    {20, 256000,
     "SoftBank向けメールでは添付ファイルを20まで登録可能です。\r\nまた、合計で250Kバイト(256,000バイト)まで登録可能です。",
     "SoftBank向けメールに添付可能なファイルの総数は20までです。\r\n追加を行う前に添付ファイルのリストから1つ以上ファイルを削除する必要があります。",
     "合計サイズが250Kバイトを超えるため、添付ファイルを追加できません。\r\nSoftBank向けメールでは合計250Kバイト(256,000バイト)までの添付ファイルを設定可能です。"},
    // kPmaildx
    {20, 358400,
     "WILLCOM向けメールでは添付ファイルを20まで登録可能です。\r\nまた、合計で350Kバイト(358,400バイト)まで登録可能です。",
     "WILLCOM向けメールに添付可能なファイルの総数は20までです。\r\n追加を行う前に添付ファイルのリストから1つ以上ファイルを削除する必要があります。",
     "合計サイズが350Kバイトを超えるため、添付ファイルを追加できません。\r\nWILLCOM向けメールでは合計350Kバイト(358,400バイト)までの添付ファイルを設定可能です。"},
};

}  // namespace

// ---- The list -------------------------------------------------------------------------------

CAttachmentSettingDlg::CAttachmentSettingDlg(std::uint32_t maxCount, std::uint64_t maxBytes, QWidget* parent)
    : FileListSettingDlg({kIdd,
                          "添付ファイル設定",
                          560,
                          360,
                          {{ui::U8("ファイル名"), false}, {ui::U8("サイズ(バイト)"), true}},
                          {275, 93},
                          [this](int row) {
                              if (row < 0 || static_cast<std::size_t>(row) >= entries_.size()) return QStringList();
                              const AttachmentEntry& e = entries_[static_cast<std::size_t>(row)];
                              return QStringList{ui::FromSjis(e.fileName), WithCommas(e.size)};
                          },
                          kIdcList,
                          "追加",
                          kIdcAdd,
                          4},
                         parent),
      maxCount_(maxCount),
      maxBytes_(maxBytes) {
    entries_.reserve(maxCount_);
    connect(AddButton(), &QPushButton::clicked, this, &CAttachmentSettingDlg::OnAdd);
    connect(DeleteButton(), &QPushButton::clicked, this, &CAttachmentSettingDlg::OnDelete);
}

std::uint64_t CAttachmentSettingDlg::GetTotalSize() const {
    std::uint64_t total = 0;
    for (const AttachmentEntry& e : entries_) total += e.size;
    return total;
}

bool CAttachmentSettingDlg::IsAddSizeOver(std::uint64_t size) const { return Exceeds(GetTotalSize(), size, maxBytes_); }

bool CAttachmentSettingDlg::IsReplaceSizeOver(std::size_t index, std::uint64_t size) const {
    const std::uint64_t others = GetTotalSize() - (index < entries_.size() ? entries_[index].size : 0);
    return Exceeds(others, size, maxBytes_);
}

bool CAttachmentSettingDlg::IsCountFull() const { return entries_.size() >= maxCount_; }

bool CAttachmentSettingDlg::IsNameUsed(const std::string& name, long long index) const {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (static_cast<long long>(i) != index && entries_[i].fileName == name) return true;
    return false;
}

int CAttachmentSettingDlg::AddAttachment(const std::string& name, std::uint64_t size, const std::string& path,
                                         std::int32_t flag) {
    if (IsCountFull() || IsNameUsed(name) || IsAddSizeOver(size)) return 0;
    entries_.push_back({name, size, path, flag});
    return 1;
}

int CAttachmentSettingDlg::ReplaceAttachment(std::size_t index, const std::string& name, std::uint64_t size,
                                             const std::string& path, std::int32_t flag) {
    if (index >= entries_.size() || IsNameUsed(name, static_cast<long long>(index)) || IsReplaceSizeOver(index, size))
        return 0;
    entries_[index] = {name, size, path, flag};
    return 1;
}

int CAttachmentSettingDlg::RemoveAttachment(std::size_t index) {
    if (index >= entries_.size()) return 0;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    return 1;
}

// ---- The dialog -----------------------------------------------------------------------------

void CAttachmentSettingDlg::OnInitDialog() {
    snapshot_ = entries_;
    for (AttachmentEntry& e : entries_) e.flag = 0;
    removed_.clear();
    removed_.reserve(entries_.size());
    ShowRows(entries_.size());
    ShowTotal(GetTotalSize());
    ShowNotice(GetNoticeText());
}

void CAttachmentSettingDlg::OnAdd() {
    if (IsCountFull()) {
        ShowCountFullMessage();
        return;
    }
    ui::FileRequest request;
    request.filter = ui::U8("全て(*.*)|*.*||");
    request.fileMustExist = true;
    const std::optional<QString> chosen = ui::CurrentFilePicker().PickFile(this, request);
    if (!chosen) return;
    const std::string name = ui::ToSjis(QFileInfo(*chosen).fileName());
    const std::string path = ui::ToPath(*chosen);
    if (IsNameUsed(name)) {
        ui::MessageBox(this, ui::U8("同じ名前のファイルを複数添付することはできません。"), ui::U8(kCaution),
                       platform::kMbOk | platform::kMbIconWarning);
        return;
    }
    std::uint64_t size = 0;
    if (compose::GetFileSizeByName(path, size) != 1) {
        ui::MessageBox(this, ui::U8("ファイル情報の取得に失敗しました。"), ui::U8("エラー"),
                       platform::kMbOk | platform::kMbIconError);
        return;
    }
    if (IsAddSizeOver(size)) {
        ShowSizeOverMessage();
        return;
    }
    AddAttachment(name, size, path, 1);
    ShowRows(entries_.size());
    ShowTotal(GetTotalSize());
}

void CAttachmentSettingDlg::OnDelete() {
    const std::vector<int> rows = SelectedRows(List());
    if (rows.empty()) return;
    const auto index = static_cast<std::size_t>(rows.front());
    if (index >= entries_.size()) return;
    if (entries_[index].flag == 0) removed_.push_back(entries_[index]);
    RemoveAttachment(index);
    ShowRows(entries_.size());
    ShowTotal(GetTotalSize());
    if (entries_.empty()) return;
    const int next = static_cast<int>(std::min(index, entries_.size() - 1));
    List()->selectRow(next);
    List()->setCurrentIndex(RowsModel()->index(next, 0));
    List()->setFocus();
}

void CAttachmentSettingDlg::reject() {
    entries_ = snapshot_;
    removed_.clear();
    QDialog::reject();
}

// ---- The carriers ---------------------------------------------------------------------------

AttachmentLimitDlg::AttachmentLimitDlg(Carrier carrier, QWidget* parent)
    : CAttachmentSettingDlg(kAttachmentLimits[carrier].maxCount, kAttachmentLimits[carrier].maxBytes, parent), carrier_(carrier) {}

QString AttachmentLimitDlg::GetNoticeText() const { return ui::U8(kAttachmentLimits[carrier_].notice); }

void AttachmentLimitDlg::ShowCountFullMessage() {
    QString text = ui::U8(kAttachmentLimits[carrier_].countFull);
    if (carrier_ == kHtmlAu) text = text.arg(CAttachmentSettingDlgHtmlAu::kMaxFiles);
    ui::MessageBox(this, text, ui::U8(kCaution), platform::kMbOk | platform::kMbIconWarning);
}

void AttachmentLimitDlg::ShowSizeOverMessage() {
    ui::MessageBox(this, ui::U8(kAttachmentLimits[carrier_].sizeOver), ui::U8(kCaution), platform::kMbOk | platform::kMbIconWarning);
}

bool CAttachmentSettingDlgHtmlAu::IsCountFull() const {
    return static_cast<std::uint64_t>(GetCount()) + GetInlineImageCount() >= kMaxFiles;
}

int CAttachmentSettingDlgHtmlSoftbank::SetInlineTotal(std::uint64_t size) {
    if (Exceeds(GetTotalSize(), size, GetMaxBytes())) return 0;
    inlineTotal_ = size;
    return 1;
}

bool CAttachmentSettingDlgHtmlSoftbank::IsAddSizeOver(std::uint64_t size) const {
    const std::uint64_t inlineTotal = GetInlineTotal();
    return inlineTotal > GetMaxBytes() || Exceeds(GetTotalSize() + inlineTotal, size, GetMaxBytes());
}

bool CAttachmentSettingDlgHtmlSoftbank::IsReplaceSizeOver(std::size_t index, std::uint64_t size) const {
    const std::uint64_t inlineTotal = GetInlineTotal();
    const std::uint64_t others = GetTotalSize() - (index < GetCount() ? GetAt(index).size : 0);
    return inlineTotal > GetMaxBytes() || Exceeds(others + inlineTotal, size, GetMaxBytes());
}

}  // namespace htmledit
