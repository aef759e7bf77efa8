#include "app/sendrecv/mail_search_dlg.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "app/sendrecv/mail_row_notice.h"
#include "app/sendrecv/report_rows_model.h"
#include "app/sendrecv/report_view.h"
#include "app/dialogs/dialog_parts.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "app/ui/wait_cursor.h"
#include "platform/notifier.h"

using shell::dialogs::MakeButton;
using shell::dialogs::MakeLabel;

namespace {

const char* const kFieldNames[] = {"メール件名", "メール本文", "宛先の名称", "すべての項目"};
const char* const kTargetTexts[] = {"検索対象 ： 件名", "検索対象 ： 本文", "検索対象 ： 宛先名称",
                                    "検索対象 ： すべての項目"};

// The excerpt as the list shows it: line breaks and tabs as "・", as the column says.
QString ShownExcerpt(const std::string& excerpt) {
    QString text = ui::FromSjis(excerpt);
    for (QChar& c : text)
        if (c == u'\r' || c == u'\n' || c == u'\t') c = QChar(0x30FB);
    return text;
}

}  // namespace

// ---- Condition ------------------------------------------------------------------------------

CMailSearchDlg::CMailSearchDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("メール検索条件"));

    auto* column = new QVBoxLayout(this);
    auto* condition = new QHBoxLayout;
    fieldBox_ = ui::SetControlId(new QComboBox(this), kIdcField);
    for (const char* name : kFieldNames) fieldBox_->addItem(ui::U8(name));
    fieldBox_->setCurrentIndex(kSearchSubject);
    keywordEdit_ = shell::dialogs::MakeEdit(this, kIdcKeyword);
    keywordEdit_->setMinimumWidth(200);
    condition->addWidget(fieldBox_);
    condition->addWidget(MakeLabel(this, ui::U8("が")));
    condition->addWidget(keywordEdit_, 1);
    condition->addWidget(MakeLabel(this, ui::U8("を含む")));
    column->addLayout(condition);
    column->addWidget(MakeLabel(this, ui::U8("※単一条件（一つのキーワード）での検索のみ可能です")));

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    QPushButton* search = MakeButton(this, ui::U8("検索"), shell::dialogs::kIdOk);
    search->setDefault(true);
    QPushButton* cancel = MakeButton(this, ui::U8("キャンセル"), shell::dialogs::kIdCancel);
    row->addWidget(search);
    row->addWidget(cancel);
    column->addLayout(row);
    connect(search, &QPushButton::clicked, this, &CMailSearchDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CMailSearchDlg::reject);
    keywordEdit_->setFocus();
}

int CMailSearchDlg::DoModal() { return exec() == platform::kIdOk ? platform::kIdOk : platform::kIdCancel; }

void CMailSearchDlg::accept() {
    field_ = fieldBox_->currentIndex();
    keyword_ = keywordEdit_->text();
    if (keyword_.isEmpty()) {
        ui::MessageBox(this, ui::U8("空の条件では検索はできません\r\n条件は必ず入力してください"), ui::U8("条件が未入力です"),
                       platform::kMbOk | platform::kMbIconInformation);
        return;
    }
    {
        ui::WaitCursor wait;
        MailSearcher searcher(shell::GetEnvManager(), shell::GetMailListViewer());
        searcher.Search(field_, ui::ToSjis(keyword_), hits_);
    }
    done(platform::kIdOk);
}

void CMailSearchDlg::reject() { done(platform::kIdCancel); }

// ---- Result -------------------------------------------------------------------------------

CMailSearchResultDlg::CMailSearchResultDlg(const CMailSearchDlg& condition, QWidget* parent)
    : QDialog(parent), field_(condition.GetSearchField()), keyword_(condition.GetKeyword()), hits_(condition.GetHits()) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("メール検索結果"));
    resize(560, 400);

    auto* column = new QVBoxLayout(this);
    hitCount_ = MakeLabel(this, QString(), kIdcHitCount);
    target_ = MakeLabel(this, QString(), kIdcTarget);
    condition_ = MakeLabel(this, QString(), kIdcCondition);
    condition_->setTextFormat(Qt::PlainText);
    column->addWidget(hitCount_);
    column->addWidget(target_);
    column->addWidget(condition_);

    list_ = MakeReportView(this, kIdcList, false);
    model_ = new ReportRowsModel(this);
    std::vector<int> keys(hits_.size());
    for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<int>(i);
    model_->Reset({{ui::U8("メールID"), false},
                   {ui::U8("該当場所"), false},
                   {ui::U8("該当端末名"), false},
                   {ui::U8("付近の様子（改行やタブは「・」になります）"), false}},
                  std::move(keys), [this](int key) {
                      const MailSearchHit& hit = hits_[static_cast<std::size_t>(key)];
                      return QStringList{QString::number(hit.mailId), ui::U8(SearchPlaceName(hit.place)),
                                         ui::U8(hit.place == kPlaceAddressName ? "-" : SearchPartName(hit.partIndex)),
                                         ShownExcerpt(hit.excerpt)};
                  });
    list_->setModel(model_);
    ApplyColumnWidths(list_, {60, 100, 100, 249});
    column->addWidget(list_, 1);

    auto* row = new QHBoxLayout;
    edit_ = MakeButton(this, ui::U8("編集をする"), kIdcEdit);
    QPushButton* close = MakeButton(this, ui::U8("閉じる"), shell::dialogs::kIdCancel);
    row->addWidget(edit_);
    row->addStretch(1);
    row->addWidget(close);
    column->addLayout(row);

    connect(edit_, &QPushButton::clicked, this, &CMailSearchResultDlg::EditSelected);
    connect(close, &QPushButton::clicked, this, &CMailSearchResultDlg::reject);
    connect(list_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) EditSelected();
    });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CMailSearchResultDlg::UpdateStatus);
    connect(list_, &QTableView::clicked, this, &CMailSearchResultDlg::UpdateStatus);
    UpdateStatus();
}

int CMailSearchResultDlg::DoModal() {
    exec();
    return platform::kIdCancel;
}

void CMailSearchResultDlg::UpdateStatus() {
    hitCount_->setText(ui::U8("検索ﾋｯﾄ件数：%1件").arg(hits_.size()));
    target_->setText(ui::U8(kTargetTexts[field_ >= 0 && field_ <= kSearchAll ? field_ : kSearchAll]));
    condition_->setText(ui::U8("検索条件 ： ") + keyword_ + ui::U8(" を含む"));
    edit_->setEnabled(!SelectedRows(list_).empty());
}

void CMailSearchResultDlg::EditSelected() {
    const std::vector<int> rows = SelectedRows(list_);
    if (rows.empty()) return;
    RequestMailEdit(hits_[static_cast<std::size_t>(model_->KeyAt(rows.front()))].mailId);
    activateWindow();
    raise();
}

void CMailSearchResultDlg::reject() { done(platform::kIdCancel); }

void RunMailSearch(QWidget* parent) {
    CMailSearchDlg condition(parent);
    if (condition.DoModal() != platform::kIdOk) return;
    CMailSearchResultDlg result(condition, parent);
    result.DoModal();
}
