#include "app/sendrecv/auto_reg_list_dlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "app/sendrecv/report_rows_model.h"
#include "app/sendrecv/report_view.h"
#include "app/sendrecv/same_address_dlg.h"
#include "app/dialogs/dialog_parts.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"

using shell::dialogs::MakeButton;

namespace {

CAutoRegListDlg::ColumnSource& Source() {
    static CAutoRegListDlg::ColumnSource source;
    return source;
}

constexpr int kDefaultWidth = 100;

// The record's fields in the order the address-book list shows them, when the program has
// not installed its column set.
std::vector<CAutoRegListDlg::Column> FixedColumns(SystemOption* options) {
    std::vector<std::string> names;
    if (options != nullptr) options->GetSOExtractDataFromMemory(names);
    std::vector<CAutoRegListDlg::Column> columns;
    columns.push_back({kElemCustomerID, ui::FromSjis(CustomerElementName(kElemCustomerID)), kDefaultWidth});
    for (int e : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 15, 17, 19, 21})
        columns.push_back({e, ui::FromSjis(CustomerElementName(e)), e == kElemEmail ? 2 * kDefaultWidth : kDefaultWidth});
    for (int k = 0; k < kCustomerExtraCount; ++k) {
        const std::string name = k < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(k)] : std::string();
        columns.push_back({kElemExtraFirst + k, ui::FromSjis(name), kDefaultWidth});
    }
    return columns;
}

// Registration rows hold no ID, no element 22 and no dates: their widths are not kept.
bool KeepsWidth(int element) {
    return element != kElemCustomerID && element != kElemOtherMailOk && element != kElemEntryDate &&
           element != kElemRenewalDate;
}

QString IdText(int id) { return QString::number(id); }

}  // namespace

CAutoRegListDlg::ColumnSource CAutoRegListDlg::SetColumnSource(ColumnSource source) {
    return std::exchange(Source(), std::move(source));
}

CAutoRegListDlg::CAutoRegListDlg(QWidget* parent) : QDialog(parent), env_(SendEnvironment::Program()) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("自動登録メール受信結果"));
    resize(860, 420);

    auto* column = new QVBoxLayout(this);
    list_ = MakeReportView(this, kIdcList, true);
    model_ = new ReportRowsModel(this);
    list_->setModel(model_);
    column->addWidget(list_, 1);

    auto* buttons = new QHBoxLayout;
    QPushButton* registerButton = MakeButton(this, ui::U8("個人情報に登録"), kIdcRegister);
    QPushButton* discard = MakeButton(this, ui::U8("登録せずに削除"), kIdcDiscard);
    keepOpen_ = MakeButton(this, ui::U8("自動で閉じなくする"), kIdcKeepOpen);
    QPushButton* close = MakeButton(this, ui::U8("閉じる"), shell::dialogs::kIdCancel);
    buttons->addWidget(registerButton);
    buttons->addWidget(discard);
    buttons->addStretch(1);
    buttons->addWidget(keepOpen_);
    buttons->addWidget(close);
    column->addLayout(buttons);

    connect(registerButton, &QPushButton::clicked, this, &CAutoRegListDlg::Register);
    connect(list_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) Register();
    });
    connect(discard, &QPushButton::clicked, this, &CAutoRegListDlg::Discard);
    connect(keepOpen_, &QPushButton::clicked, this, &CAutoRegListDlg::StopAutoClose);
    connect(close, &QPushButton::clicked, this, &CAutoRegListDlg::reject);

    // The address-book list's columns from its second on (the ID column is no use here).
    std::vector<Column> all = Source().load ? Source().load() : FixedColumns(env_.options);
    for (std::size_t i = 1; i < all.size(); ++i)
        if (all[i].element != kElemOtherMailOk) columns_.push_back(all[i]);

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &CAutoRegListDlg::reject);
    timer_->start(kAutoCloseMs);
    Load();
    Show();
}

CAutoRegListDlg::~CAutoRegListDlg() = default;

int CAutoRegListDlg::DoModal() {
    exec();
    return platform::kIdCancel;
}

void CAutoRegListDlg::Load() {
    usable_ = receive_stores::LoadList(env_.env, receive_stores::kRegistrations, rows_) == receive_stores::kLoaded;
}

void CAutoRegListDlg::Show() {
    std::vector<ReportRowsModel::Column> titles;
    for (const Column& c : columns_) titles.push_back({c.caption, false});
    std::vector<int> keys(static_cast<std::size_t>(usable_ ? rows_.GetRecordNumber() : 0));
    for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<int>(i);
    model_->Reset(std::move(titles), std::move(keys), [this](int row) { return RowTexts(row); });
    std::vector<int> widths;
    for (const Column& c : columns_) widths.push_back(c.width > 0 ? c.width : kDefaultWidth);
    ApplyColumnWidths(list_, widths);
}

QStringList CAutoRegListDlg::RowTexts(int row) const {
    QStringList texts;
    for (const Column& c : columns_) {
        std::string text = rows_.GetStringElement(c.element, row);
        if (c.element == kElemZipCode1 || c.element == kElemPhone1 || c.element == kElemFax1 ||
            c.element == kElemPortable1) {
            const std::string next = rows_.GetStringElement(c.element + 1, row);
            if (!text.empty() && !next.empty()) text += "-";
            text += next;
        }
        texts << ui::FromSjis(text);
    }
    return texts;
}

void CAutoRegListDlg::Refill() {
    Load();
    Show();
    if (autoClose_) timer_->start(kAutoCloseMs);
}

void CAutoRegListDlg::CloseRequested() { reject(); }

void CAutoRegListDlg::reject() {
    timer_->stop();
    if (Source().save) {
        std::vector<std::pair<int, int>> widths;
        for (std::size_t i = 0; i < columns_.size(); ++i)
            if (KeepsWidth(columns_[i].element))
                widths.emplace_back(columns_[i].element, list_->columnWidth(static_cast<int>(i)));
        Source().save(widths);
    }
    QDialog::reject();
}

void CAutoRegListDlg::StopAutoClose() {
    autoClose_ = false;
    timer_->stop();
    keepOpen_->setText(ui::U8("自動で閉じません"));
    keepOpen_->setEnabled(false);
}

int CAutoRegListDlg::Ask(const QString& text, const QString& caption, unsigned style) {
    return ui::MessageBox(this, text, caption, style);
}

void CAutoRegListDlg::Discard() {
    StopAutoClose();
    if (!usable_) return;
    int removed = 0;
    for (int selected : SelectedRows(list_)) {
        const int row = selected - removed;
        const QString address = ui::FromSjis(rows_.GetStringElement(kElemEmail, row));
        const QString text = "[" + address +
                             ui::U8("]\r\nこのメールアドレスの自動登録メールの情報を破棄します\r\n"
                                    "データの復旧は一切できません\r\nよろしいですか？");
        if (Ask(text, ui::U8("自動登録メール情報破棄の確認"),
                platform::kMbYesNo | platform::kMbIconWarning | ui::kMbDefButton2) != platform::kIdYes)
            continue;
        rows_.DeleteString(row);
        ++removed;
        receive_stores::SaveList(env_.env, receive_stores::kRegistrations, rows_);
        Show();
    }
}

void CAutoRegListDlg::Register() {
    StopAutoClose();
    if (!usable_ || env_.book == nullptr) return;
    std::vector<int> types;
    if (env_.options != nullptr) env_.options->GetSOExtractTypeFromMemory(types);
    receive_stores::AddressLookup lookup(*env_.book);
    CDatabaseEdit& book = *env_.book;
    bool registered = false;
    int removed = 0;
    for (int selected : SelectedRows(list_)) {
        const int row = selected - removed;
        std::vector<std::string> texts(receive_stores::kRegistrationElements);
        for (int e = 0; e < receive_stores::kRegistrationElements; ++e)
            texts[static_cast<std::size_t>(e)] = rows_.GetStringElement(e, row);
        OneCustomer record = receive_stores::RegistrationRecord(texts, types);
        if (record.Email.empty()) {
            Ask(ui::U8("メールアドレスが入力されていないデータです\r\n"
                       "メールアドレスのみ、未入力は不可ですので、登録はできません"),
                ui::U8("メールアドレス未入力"), platform::kMbOk | platform::kMbIconInformation);
            break;
        }
        const QString address = ui::FromSjis(record.Email);
        const int existing = lookup.Find(record.Email);
        if (existing < 0) {
            // A record the book cannot take keeps its row.
            if (book.SetOneCustomerInfo(record, 0) != 0) continue;
            lookup.Add(record.Email, record.CustomerID);
            Ask(ui::U8("自動登録メールの登録が完了しました\r\n自動登録メールの情報は破棄されます"), ui::U8("自動登録の完了"),
                platform::kMbOk | platform::kMbIconInformation);
        } else {
            const bool deleted = book.GetCustomerDataPinPoint(existing, kElemDeleteFlag) == "Y";
            const QString target = (deleted ? ui::U8("削除済み個人情報ID[") : ui::U8("個人情報ID[")) + IdText(existing);
            const QString explanation =
                "[" + address + ui::U8("]\r\nこのメールアドレスは、") + target +
                ui::U8("] に存在しています\r\nこのソフトでは、同一環境で重複したメールアドレスの登録を許可していません\r\n"
                       "ここで上書きすると、元の個人情報は参照できなくなりますのでご注意ください");
            CSameAddressDlg same(explanation, target + ui::U8("] に上書きします"), existing, this);
            if (same.DoModal() != CSameAddressDlg::kIdcOverwrite) continue;
            QString question = target + ui::U8("] に自動登録メールの情報を上書きします\r\n既存のデータは復旧できなくなります\r\n");
            if (deleted) question += ui::U8("また、個人情報ID[") + IdText(existing) + ui::U8("] は削除から復旧されます\r\n");
            question += ui::U8("よろしいですか？");
            if (Ask(question, target + ui::U8("] への上書き確認"),
                    platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2) != platform::kIdYes) {
                Ask(target + ui::U8("] への自動登録メールの上書き登録は行われませんでした"), ui::U8("上書き登録のキャンセル"),
                    platform::kMbOk | platform::kMbIconInformation);
                continue;
            }
            // The registration's empty deletion mark brings a deleted record back.
            record.CustomerID = existing;
            if (book.SetOneCustomerInfo(record, 0) != 0) continue;
            QString done = target + ui::U8("] への自動登録メールの上書き登録が完了しました\r\n自動登録メールの情報は破棄されます");
            if (deleted) done += ui::U8("\r\n\r\nまた、個人情報ID[") + IdText(existing) + ui::U8("] は削除から復旧されました");
            Ask(done, ui::U8("上書き登録の完了"), platform::kMbOk | platform::kMbIconInformation);
        }
        rows_.DeleteString(row);
        ++removed;
        registered = true;
        Show();
    }
    if (registered) SaveAfterRegistering();
}

bool CAutoRegListDlg::SaveAfterRegistering() {
    // The records first: a row leaves the list only once its record is on the disk.
    if (env_.book->WriteFromMemoryToFile() != 0) {
        Ask(ui::FromSjis(env_.book->GetErrMsg().GetLastMsg()), windowTitle(), platform::kMbOk | platform::kMbIconWarning);
        return false;
    }
    return receive_stores::SaveList(env_.env, receive_stores::kRegistrations, rows_);
}
