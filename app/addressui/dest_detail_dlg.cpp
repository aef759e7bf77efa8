#include "app/addressui/dest_detail_dlg.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

#include <vector>

#include "app/addressui/db_edit_sheet.h"
#include "app/addressui/name_dlgs.h"
#include "app/addressui/recipient_page_list.h"
#include "app/addressui/view_selection.h"
#include "app/sendrecv/mail_row_notice.h"
#include "app/ui/wait_cursor.h"
#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/wait_dlg.h"
#include "app/environment/environment_service.h"
#include "app/environment/program_keys.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/foundation/date_utils.h"
#include "core/mailstore/mail_list_viewer.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

// Rows checked against the book per step of the opening's check, so a long list never
// holds all its rows' texts at once.
constexpr int kCheckChunk = 8192;

void Warn(QWidget* owner, const QString& text, const QString& caption) {
    ui::MessageBox(owner, text, caption, platform::kMbOk | platform::kMbIconWarning);
}

}  // namespace

CDestDetailDlg::CDestDetailDlg(int id, int kind, ExtractListViewer* lists, QWidget* parent)
    : QDialog(parent), id_(id), kind_(kind), lists_(lists), refresher_(kind, id, lists) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("宛先詳細"));
    refresher_.SetMessageOwner(this);
    wait_ = new shell::CWaitDlg(this);

    auto* column = new QVBoxLayout(this);
    title_ = shell::dialogs::MakeLabel(this, QString(), kIdcTitle);
    column->addWidget(title_);
    auto* top = new QHBoxLayout;
    countLabel_ = shell::dialogs::MakeLabel(this, QString(), kIdcCount);
    top->addWidget(countLabel_);
    top->addStretch(1);
    top->addWidget(new QLabel(ui::U8("現在のアドレス帳のデータをもとに宛先を更新したい場合にクリックしてください"), this));
    refresh_ = shell::dialogs::MakeButton(this, ui::U8("最新の情報に更新"), kIdcRefresh);
    top->addWidget(refresh_);
    column->addLayout(top);

    model_ = new RecipientPageModel(this);
    list_ = ui::SetControlId(new QTableView(this), kIdcList);
    SetUpRecipientList(list_, model_);
    list_->setMinimumSize(560, 300);
    column->addWidget(list_, 1);

    auto* paging = new QHBoxLayout;
    prev_ = shell::dialogs::MakeButton(this, ui::U8("↑前のページ"), kIdcPrevPage);
    next_ = shell::dialogs::MakeButton(this, ui::U8("↓次のページ"), kIdcNextPage);
    paging->addWidget(prev_);
    paging->addWidget(next_);
    paging->addStretch(1);
    paging->addWidget(new QLabel(ui::U8("より詳しい個人情報を見たいときにクリックしてください。ただし、編集はできません"), this));
    detail_ = shell::dialogs::MakeButton(this, ui::U8("個人情報の詳細"), kIdcDetail);
    paging->addWidget(detail_);
    column->addLayout(paging);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    auto* close = shell::dialogs::MakeButton(this, ui::U8("閉じる"), kIdcClose);
    bottom->addWidget(close);
    column->addLayout(bottom);

    connect(refresh_, &QPushButton::clicked, this, [this] { Refresh(); });
    connect(prev_, &QPushButton::clicked, this, [this] { MovePage(-kPageRows); });
    connect(next_, &QPushButton::clicked, this, [this] { MovePage(kPageRows); });
    connect(detail_, &QPushButton::clicked, this, [this] { ShowDetails(); });
    connect(list_, &QTableView::doubleClicked, this, [this] { ShowDetails(); });
    connect(close, &QPushButton::clicked, this, [this] { CloseWithOk(); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { UpdateButtons(); });
    UpdateButtons();
}

CDestDetailDlg::~CDestDetailDlg() = default;

int CDestDetailDlg::DoModal() { return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel; }

bool CDestDetailDlg::ReExtract(bool busyCursor, int mailTypeFilter) {
    if (!busyCursor) return refresher_.ReExtract(mailTypeFilter);
    ui::WaitCursor wait;
    return refresher_.ReExtract(mailTypeFilter);
}

void CDestDetailDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    bound_ = refresher_.Bind();
    BeginWait(1);
    worker_.Start(
        this, [this] { return Load(); }, [this](Loaded loaded) { LoadDone(loaded); });
}

CDestDetailDlg::Loaded CDestDetailDlg::Load() {
    auto plain = [](const char* text, bool fill = false) { return Loaded{ui::U8(text), QString(), fill}; };
    if (!bound_) return plain("環境の設定に失敗しました。");
    switch (refresher_.SetTypeAndID()) {
    case 0: break;
    case -1: return plain("対象がメールの宛先で新規作成はあり得ない");
    case -2: return plain("対象がメールの宛先で該当のメールIDがない");
    case -3: return plain("対象がアドレス帳の宛先で該当の宛先IDがない");
    case -4: return plain("環境の設定がされていない");
    default: return plain("対象モードが不正");
    }
    ExtractResultDetail& result = refresher_.Result();
    switch (result.GetDBIDListFromFileToMemory(0, nullptr)) {
    case -34: return plain("送信先リストファイルその他エラー ");
    case -33: return plain("送信先リストファイル要素数エラー");
    case -31: return Loaded{ui::U8("送信先リストファイルが存在しません"), ui::U8("異常な状態です"), false};
    case -5: return plain("対象モード(メール付随、アドレス帳付随)とIDが未定義");
    case -4: return plain("環境の設定がされていない");
    case -3: return plain("対象がアドレス帳の宛先で該当の宛先IDがない");
    case -2: return plain("対象がメールの宛先で該当のメールIDがない");
    case -1: return plain("対象がメールの宛先で新規作成はあり得ない");
    default: break;
    }
    // Every listed person against the book, a slice at a time (people erased from the
    // book leave the list as they are met).
    std::vector<ERDetailPlusDB> rows;
    for (int first = 0; first < result.GetRecordNumber();) {
        const int r = result.GetIDPlusDBDataFromDBFile(rows, first, first + kCheckChunk - 1);
        if (r == -13) return Loaded{ui::U8("個人情報ファイルに存在しないIDが含まれています"), ui::U8("データが異常です"), true};
        if (r == -5) return plain("対象モード(メール付随、アドレス帳付随)とIDが未定義");
        if (r == -4) return plain("環境の設定がされていない");
        if (r < 0) return Loaded{};
        if (r == 0) break;
        first += r;
    }
    return Loaded{QString(), QString(), true};
}

void CDestDetailDlg::LoadDone(const Loaded& loaded) {
    EndWait();
    if (!loaded.text.isEmpty()) {
        if (loaded.caption.isEmpty())
            ui::MessageBox(this, loaded.text, QString::fromUtf8(shell::kProductName), platform::kMbOk);
        else
            Warn(this, loaded.text, loaded.caption);
    }
    if (loaded.fill) FillPage();
    UpdateButtons();
}

void CDestDetailDlg::FillPage() {
    ui::WaitCursor wait;
    ExtractResultDetail& result = refresher_.Result();
    ShowRecipientPage(result, start_, end_, list_, model_);
    count_ = result.GetRecordNumber();
    countLabel_->setText(ui::U8("送信対象先数：") + QStringLiteral(" %1").arg(count_) + ui::U8("件"));
    std::string name;
    if (kind_ == 1) {
        if (lists_ != nullptr) lists_->GetExtractName(id_, name);
        title_->setText(ui::U8("宛先ID[%1]の名称：　%2").arg(id_).arg(ui::FromSjis(name)));
    } else {
        if (CMailListViewer* mails = shell::GetMailListViewer()) mails->GetMailDataPinPoint(id_, 2, name);
        title_->setText(ui::U8("メールID[%1]の宛先名称：　%2").arg(id_).arg(ui::FromSjis(name)));
    }
    UpdateButtons();
}

void CDestDetailDlg::MovePage(int rows) {
    if (start_ + rows < 0) return;
    start_ += rows;
    end_ += rows;
    FillPage();
}

bool CDestDetailDlg::IsMailRefreshable() const {
    std::string status;
    CMailListViewer* mails = shell::GetMailListViewer();
    if (mails != nullptr) mails->GetMailDataPinPoint(id_, 3, status);
    return status != "W" && status != "B" && status != "R" && status != "A";
}

void CDestDetailDlg::UpdateButtons() {
    prev_->setEnabled(start_ != 0);
    next_->setEnabled(end_ < count_ - 1);
    detail_->setEnabled(!SelectedRows(list_).empty());
    refresh_->setEnabled(kind_ == 1 || (kind_ == 0 && IsMailRefreshable()));
}

void CDestDetailDlg::ShowDetails() { ShowSelectedRecipientDetails(this, list_, model_); }

void CDestDetailDlg::Refresh() {
    if (worker_.Busy() || !refresh_->isEnabled()) return;
    SaveRecipientColumnWidths(list_);
    int filter = kMailTypeAll;
    if (kind_ == 0) {
        std::string special;
        if (CMailListViewer* mails = shell::GetMailListViewer()) mails->GetMailDataPinPoint(id_, 11, special);
        if (!special.empty()) {
            filter = MailTypeFilterOf(special.size() > 1 ? special[1] : ' ');
            if (special[0] == 'Y' &&
                ui::MessageBox(this,
                               ui::U8("このメールの宛先は、他のメールの送信履歴から作られた特殊な宛先です。\r\n"
                                      "宛先の更新を行なうと、現在の特殊な宛先は削除されてしまい復活できませんがよろしいですか？"),
                               ui::U8("特殊宛先変更確認"), platform::kMbYesNo | platform::kMbIconQuestion) !=
                    platform::kIdYes)
                return;
        }
    }
    if (ui::MessageBox(this, ui::U8("抽出を実行します\r\n数分かかる可能性がありますがよろしいでしょうか？"),
                       ui::U8("抽出実行の確認"), platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes)
        return;
    BeginWait(2);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    worker_.Start(
        this, [this, filter] { return refresher_.ReExtract(filter); },
        [this, filter](bool ok) {
            QGuiApplication::restoreOverrideCursor();
            RefreshDone(ok, filter);
        });
}

void CDestDetailDlg::RefreshDone(bool ok, int /*filter*/) {
    EndWait();
    if (!ok) return;  // told by the re-extraction; nothing was written
    if (refresher_.Result().WriteAllOnMemoryDBIDToFile() != 0) {
        Warn(this, ui::U8("宛先の保存に失敗しました"), ui::U8("抽出実行エラー"));
        return;
    }
    start_ = 0;
    end_ = kPageRows - 1;
    FillPage();
    const int n = refresher_.GetExtractedCount();
    if (kind_ == 1) {
        ui::MessageBox(this, ui::U8("宛先ID[%1]の条件で、\n%2件の個人情報を抽出しました").arg(id_).arg(n),
                       ui::U8("抽出件数"), platform::kMbOk | platform::kMbIconInformation);
        return;
    }
    ui::MessageBox(this, ui::U8("メールID[%1]の宛先として、\n%2件の個人情報を抽出しました").arg(id_).arg(n),
                   ui::U8("抽出件数"), platform::kMbOk | platform::kMbIconInformation);
    MailRefreshed();
}

void CDestDetailDlg::MailRefreshed() {
    CMailListViewer* mails = shell::GetMailListViewer();
    COneMailData mail;
    if (mails == nullptr || mails->GetMailData(id_, mail) != 0) {
        Warn(this, ui::U8("対象メールID:[%1]の情報取得に失敗しました").arg(id_), ui::U8("メール情報取得失敗"));
        return;
    }
    CConditionNameDlg nameDlg(this);
    nameDlg.SetName(mail.GetAddressName());
    if (nameDlg.DoModal() == platform::kIdOk) {
        const std::string old = mail.GetAddressName();
        mail.SetAddressName(nameDlg.GetName());
        title_->setText(ui::U8("メールID[%1]の宛先名称:%2→%3")
                            .arg(id_)
                            .arg(ui::FromSjis(old), ui::FromSjis(nameDlg.GetName())));
    }
    // The recipients are as of the moment the re-extraction read the book.
    const platform::DateTime now = platform::DateTime::GetCurrentTime();
    platform::DateTime readAt;
    if (!Convert_DateData2COleDateTimeChecked(refresher_.StartTime(), readAt)) readAt = now;
    mail.SetDate(COneMailData::kRenewalDate, now, 0);
    mail.SetDate(COneMailData::kSetAddressDate, readAt, 0);
    if (!mail.GetSpecialFlag().empty()) mail.SetSpecialFlag(0, "N");
    if (mails->SetMailData(mail) != 0) {
        Warn(this, ui::U8("対象メールID:[%1]の更新に失敗しました").arg(id_), ui::U8("メール情報更新"));
        return;
    }
    if (mails->WriteMailList(0) != 0) {
        Warn(this, ui::U8("対象メールID:[%1]の保存に失敗しました").arg(id_), ui::U8("メール情報保存"));
        return;
    }
    NotifyMailRowChanged(mail);
}

void CDestDetailDlg::BeginWait(int what) {
    setEnabled(false);
    switch (what) {
    case 1:
        wait_->SetMessages(ui::U8("宛先詳細情報を読み込んでいます"), ui::U8("情報件数により時間がかかる場合があります"),
                           ui::U8("しばらくお待ちください"));
        break;
    case 2:
        wait_->SetMessages(ui::U8("ただいま最新の情報に更新するための抽出をしています"),
                           ui::U8("件数、条件の複雑さにより時間がかかる場合があります"), ui::U8("しばらくお待ちください"));
        break;
    default:
        wait_->SetMessages(ui::U8("処理をしています"), ui::U8("処理内容により時間がかかる場合があります"),
                           ui::U8("しばらくお待ちください"));
        break;
    }
    wait_->Create(this);
}

void CDestDetailDlg::EndWait() {
    setEnabled(true);
    wait_->End();
}

void CDestDetailDlg::CloseWithOk() {
    if (worker_.Busy()) return;
    SaveRecipientColumnWidths(list_);
    accept();
}

void CDestDetailDlg::reject() {
    if (worker_.Busy()) return;
    SaveRecipientColumnWidths(list_);
    QDialog::reject();
}

}  // namespace addressui
