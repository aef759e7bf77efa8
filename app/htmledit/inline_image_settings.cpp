#include "app/htmledit/inline_image_settings.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTableView>

#include <string_view>

#include "app/mailtext/file_utils.h"
#include "app/mailtext/image_signature.h"
#include "app/sendrecv/report_rows_model.h"
#include "app/sendrecv/report_view.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace htmledit {

namespace {

const char* const kInlineCaution = "注意";
const char* const kError = "エラー";
const char* const kInformation = "インフォメーション";

struct InlineLimits {
    std::uint32_t slotCount;
    std::uint64_t maxBytes;
    const char* notice;
    const char* sizeOver;
};

// The carriers' limits and texts, by InlineLimitDlg::Carrier.
const InlineLimits kInlineLimits[] = {
    // kPc
    {20, 5242880,
     "PC向けHTMLメールのインライン画像登録制限：\r\n　- 登録数 20以内\r\n　- 合計サイズ 5Mバイト(5,242,880バイト)以内",
     "合計サイズが5Mバイトを超過するためインライン画像を設定できません。\r\nPC向けメールに設定可能なインライン画像の合計サイズは5Mバイト(5,242,880バイト)までです。"},
    // kDocomo
    {20, 92160,
     "NTT DoCoMo向けHTMLメールのインライン画像登録制限：\r\n　- 登録数 20以内\r\n　- 合計サイズ 90Kバイト(92,160バイト)以内",
     "合計サイズが90Kバイトを超過するためインライン画像を設定できません。\r\nNTT DoCoMo向けメールに設定可能なインライン画像の合計サイズは90Kバイト(92,160バイト)までです。"},
    // kAu
    {20, 143600,
     "au TU-KA向けHTMLメールのインライン画像登録制限：\r\n　- 添付ファイルとインライン画像の合計登録数 25以内\r\n　- 1ファイル当たりのサイズ 15Kバイト(15,360バイト)以内\r\n　- 合計サイズ 143,600以内",
     "合計サイズが143,600バイトを超過するためインライン画像を設定できません。\r\nau TU-KA向けメールに設定可能なインライン画像の合計サイズは143,600バイトまでです。"},
    // kSoftbank
    {40, 256000,
     "SoftBank向けHTMLメールのインライン画像登録制限：\r\n　- 登録数 40以内\r\n　- 添付ファイルとインライン画像の合計サイズ\r\n　　250Kバイト(256,000バイト)以内",
     "合計サイズが250Kバイトを超過するためインライン画像を設定できません。\r\nSoftBank向けメールでは、合計250Kバイト(256,000バイト)までのインライン画像、添付ファイルを設定可能です。"},
};

void Tell(QWidget* owner, const QString& text, const char* caption, unsigned icon) {
    ui::MessageBox(owner, text, ui::U8(caption), platform::kMbOk | icon);
}

}  // namespace

// ---- The slots ------------------------------------------------------------------------------

CInlineImageSettingDlg::CInlineImageSettingDlg(std::uint32_t maxCount, std::uint64_t maxBytes, QWidget* parent)
    : FileListSettingDlg(
          {kIdd,
           "インライン画像登録",
           680,
           430,
           {{QStringLiteral("Content-ID"), false}, {ui::U8("ファイル名"), false}, {ui::U8("サイズ(バイト)"), true}},
           {90, 300, 93},
           [this](int row) {
               if (row < 0 || static_cast<std::size_t>(row) >= slots_.size()) return QStringList();
               const InlineImageSlot& s = slots_[static_cast<std::size_t>(row)];
               if (s.inUse == 0) return QStringList{ui::FromSjis(s.contentId), QString(), QStringLiteral("0")};
               return QStringList{ui::FromSjis(s.contentId), ui::FromSjis(s.fileName), WithCommas(s.size)};
           },
           kIdcList,
           "追加・変更",
           kIdcAssign,
           5},
          parent),
      maxBytes_(maxBytes),
      slots_(maxCount) {
    connect(AddButton(), &QPushButton::clicked, this, &CInlineImageSettingDlg::OnAssign);
    connect(DeleteButton(), &QPushButton::clicked, this, &CInlineImageSettingDlg::OnDelete);
    connect(List(), &QTableView::doubleClicked, this, [this] { OnAssign(); });
}

std::uint64_t CInlineImageSettingDlg::GetTotalSize() const { return OthersTotal(slots_.size()); }

std::uint64_t CInlineImageSettingDlg::OthersTotal(std::size_t index) const {
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (i != index && slots_[i].inUse != 0) total += slots_[i].size;
    return total;
}

std::uint32_t CInlineImageSettingDlg::GetCount() const {
    std::uint32_t count = 0;
    for (const InlineImageSlot& s : slots_) count += s.inUse != 0 ? 1 : 0;
    return count;
}

bool CInlineImageSettingDlg::IsCountFull() const { return GetCount() >= GetMaxCount(); }

bool CInlineImageSettingDlg::IsSetSizeOver(std::size_t index, std::uint64_t size) const {
    return Exceeds(OthersTotal(index), size, maxBytes_);
}

int CInlineImageSettingDlg::SetImage(std::size_t index, const std::string& name, std::uint64_t size,
                                     const std::string& path, std::int32_t flag) {
    if (index >= slots_.size()) return 0;
    InlineImageSlot& slot = slots_[index];
    if ((IsCountFull() && slot.inUse == 0) || IsSetSizeOver(index, size)) return 0;
    slot.fileName = name;
    slot.size = size;
    slot.path = path;
    slot.flag = flag;
    slot.inUse = 1;
    return 1;
}

int CInlineImageSettingDlg::SetImageByContentId(const std::string& contentId, const std::string& name,
                                                std::uint64_t size, const std::string& path, std::int32_t flag) {
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].contentId == contentId) return SetImage(i, name, size, path, flag);
    return 0;
}

int CInlineImageSettingDlg::RemoveImage(std::size_t index) {
    if (index >= slots_.size()) return 0;
    slots_[index].inUse = 0;
    return 1;
}

int CInlineImageSettingDlg::RemoveAllImages() {
    for (InlineImageSlot& s : slots_) s.inUse = 0;
    return static_cast<int>(slots_.size());
}

void CInlineImageSettingDlg::ShowCountFullMessage() {}

int CInlineImageSettingDlg::CheckSize(std::size_t index, const std::string&, std::uint64_t size, const std::string&) {
    if (!IsSetSizeOver(index, size)) return 1;
    ShowSizeOverMessage();
    return 0;
}

// ---- The dialog -----------------------------------------------------------------------------

void CInlineImageSettingDlg::OnInitDialog() {
    backup_ = slots_;
    for (InlineImageSlot& s : slots_) s.flag = 0;
    setWindowTitle(ui::U8("インライン画像登録"));
    ShowRows(slots_.size());
    if (!slots_.empty()) {
        List()->selectRow(0);
        List()->setCurrentIndex(RowsModel()->index(0, 0));
        List()->setFocus();
    }
    ShowTotal(GetTotalSize());
    ShowNotice(GetNoticeText());
}

int CInlineImageSettingDlg::SelectedSlot() const {
    const std::vector<int> rows = SelectedRows(List());
    return rows.empty() ? -1 : rows.front();
}

void CInlineImageSettingDlg::OnAssign() {
    const int row = SelectedSlot();
    if (row < 0 || static_cast<std::size_t>(row) >= slots_.size()) {
        Tell(this, ui::U8("追加・変更を行うには、リストから対象となるContent-IDを選択する必要があります。"), kInformation,
             platform::kMbIconInformation);
        return;
    }
    const auto index = static_cast<std::size_t>(row);
    if (IsCountFull() && slots_[index].inUse == 0) {
        ShowCountFullMessage();
        return;
    }
    ui::FileRequest request;
    request.filter = ui::U8("インライン画像(*.gif;*.jpg;*.jpeg)|*.gif;*.jpg;*.jpeg||");
    request.fileMustExist = true;
    const std::optional<QString> chosen = ui::CurrentFilePicker().PickFile(this, request);
    if (!chosen) return;
    const QString shownName = QFileInfo(*chosen).fileName();
    const std::string name = ui::ToSjis(shownName);
    const std::string path = ui::ToPath(*chosen);
    std::uint64_t size = 0;
    if (compose::GetFileSizeByName(path, size) != 1) {
        Tell(this, ui::U8("ファイル情報の取得に失敗しました。"), kError, platform::kMbIconError);
        return;
    }
    if (CheckSize(index, name, size, path) == 0) return;
    // Read at the size just checked: a file that changed since is refused, never read
    // past what was measured.
    std::string data(static_cast<std::size_t>(size), '\0');
    if (compose::ReadWholeFile(path, data.data(), data.size()) != 1) {
        Tell(this, ui::U8("指定されたファイル「%1」の情報が取得できません。").arg(shownName), kError, platform::kMbIconError);
        return;
    }
    if (!compose::IsGifData(data) && !compose::IsJpegData(data)) {
        Tell(this, ui::U8("ファイルフォーマットが不正です。\r\nインライン画像にはgif、jpegのみ指定可能です。"), kError,
             platform::kMbIconError);
        return;
    }
    if (SetImage(index, name, size, path, 1) == 0) return;
    RowsModel()->ResetKeys(RowsModel()->Keys());
    List()->selectRow(row);
    ShowTotal(GetTotalSize());
}

void CInlineImageSettingDlg::OnDelete() {
    const int row = SelectedSlot();
    if (row < 0 || static_cast<std::size_t>(row) >= slots_.size()) {
        Tell(this, ui::U8("削除を行うには、リストから対象となるContent-IDを選択する必要があります。"), kInformation,
             platform::kMbIconInformation);
        return;
    }
    RemoveImage(static_cast<std::size_t>(row));
    RowsModel()->ResetKeys(RowsModel()->Keys());
    List()->selectRow(row);
    ShowTotal(GetTotalSize());
}

void CInlineImageSettingDlg::reject() {
    slots_ = backup_;
    QDialog::reject();
}

// ---- The carriers ---------------------------------------------------------------------------

InlineLimitDlg::InlineLimitDlg(Carrier carrier, QWidget* parent)
    : CInlineImageSettingDlg(kInlineLimits[carrier].slotCount, kInlineLimits[carrier].maxBytes, parent), carrier_(carrier) {}

QString InlineLimitDlg::GetNoticeText() const { return ui::U8(kInlineLimits[carrier_].notice); }

void InlineLimitDlg::ShowSizeOverMessage() { Tell(this, ui::U8(kInlineLimits[carrier_].sizeOver), kInlineCaution, platform::kMbIconWarning); }

bool CInlineImageSettingDlgAu::IsCountFull() const {
    return static_cast<std::uint64_t>(GetCount()) + GetAttachmentCount() >= kMaxFiles;
}

void CInlineImageSettingDlgAu::ShowCountFullMessage() {
    Tell(this,
         ui::U8("au TU-KA向けメールではインライン画像数と添付ファイル数は合計%1ファイルまで設定可能です。\r\n追加を行う前に、添付ファイル、あるいはインライン画像から1つ以上ファイルを削除する必要があります。")
             .arg(kMaxFiles),
         kInlineCaution, platform::kMbIconWarning);
}

int CInlineImageSettingDlgAu::CheckSize(std::size_t index, const std::string& name, std::uint64_t size,
                                        const std::string& path) {
    if (CInlineImageSettingDlg::CheckSize(index, name, size, path) == 0) return 0;
    if (size <= kMaxFileBytes) return 1;
    Tell(this,
         ui::U8("指定されたファイル「%1」のサイズが15Kバイトを超えています。\r\nau TU-KA向けメールのインライン画像には15Kバイト(15,360バイト)以内の画像が設定可能です。")
             .arg(ui::FromSjis(name)),
         kInlineCaution, platform::kMbIconWarning);
    return 0;
}

int CInlineImageSettingDlgSoftbank::SetAttachmentTotal(std::uint64_t size) {
    if (Exceeds(GetTotalSize(), size, GetMaxBytes())) return 0;
    attachmentTotal_ = size;
    return 1;
}

bool CInlineImageSettingDlgSoftbank::IsSetSizeOver(std::size_t index, std::uint64_t size) const {
    const std::uint64_t attachments = GetAttachmentTotal();
    return attachments > GetMaxBytes() || Exceeds(OthersTotal(index) + attachments, size, GetMaxBytes());
}

}  // namespace htmledit
