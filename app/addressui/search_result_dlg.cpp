#include "app/addressui/search_result_dlg.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

#include <unordered_set>
#include <utility>

#include "app/addressui/csv_export.h"
#include "app/addressui/db_edit_sheet.h"
#include "app/addressui/export_choice_hooks.h"
#include "app/addressui/export_file_prompts.h"
#include "app/addressui/search_filter.h"
#include "app/addressui/search_result_model.h"
#include "app/addressui/view_selection.h"
#include "app/addressui/window_rect_ini.h"
#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/wait_dlg.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

constexpr const char* kSearchResultRectSection = "DBSRCHRSLTDLGINFO";

}  // namespace

CSearchResultDlg::CSearchResultDlg(std::vector<int>* hits, const OneExtractCondition* condition, QWidget* parent)
    : shell::CResizableDialog(kIdd, parent), hits_(hits), condition_(condition) {
    setWindowTitle(ui::U8("個人情報検索結果"));
    wait_ = new shell::CWaitDlg(this);
    CDatabaseEdit* book = shell::GetDatabaseEdit();

    auto* column = new QVBoxLayout(this);
    field_ = shell::dialogs::MakeLabel(this, QString(), kIdcField);
    conditionLabel_ = shell::dialogs::MakeLabel(this, QString(), kIdcCondition);
    column->addWidget(field_);
    column->addWidget(conditionLabel_);

    model_ = new SearchResultModel(book, this);
    list_ = ui::SetControlId(new QTableView(this), kIdcList);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setWordWrap(false);
    list_->setAlternatingRowColors(true);
    list_->verticalHeader()->hide();
    // Rows of one fixed height: a million rows are never measured one by one.
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->setMinimumSize(640, 300);
    column->addWidget(list_, 1);

    auto* bottom = new QHBoxLayout;
    hitCount_ = shell::dialogs::MakeLabel(this, QString(), kIdcHitCount);
    bottom->addWidget(hitCount_);
    bottom->addStretch();
    edit_ = shell::dialogs::MakeButton(this, ui::U8("編集"), kIdcEdit);
    delete_ = shell::dialogs::MakeButton(this, ui::U8("削除"), kIdcDelete);
    export_ = shell::dialogs::MakeButton(this, ui::U8("エクスポート"), kIdcExport);
    auto* close = shell::dialogs::MakeButton(this, ui::U8("閉じる"), kIdcClose);
    for (QPushButton* b : {edit_, delete_, export_, close}) bottom->addWidget(b);
    column->addLayout(bottom);

    // The searched field's name, for the summary.
    std::vector<std::string> attributeNames;
    if (book != nullptr && condition_ != nullptr && condition_->element >= 0) {
        std::vector<DB_Element_Info> fields;
        book->Get_DBElementInfo(fields, kSearchFieldMask);
        for (const DB_Element_Info& f : fields)
            if (f.element == condition_->element) fieldName_ = f.name;
    }
    if (SystemOption* options = shell::GetSystemOption()) options->GetSOExtractDataFromMemory(attributeNames);

    columns_.LoadColumnInfo();
    model_->SetColumns(BuildListColumns(columns_, attributeNames, condition_ != nullptr ? condition_->element : -1));
    list_->setModel(model_);
    for (int c = 0; c < model_->columnCount(); ++c)
        list_->setColumnWidth(c, model_->Columns()[static_cast<std::size_t>(c)].width);
    list_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    list_->setSortingEnabled(true);
    if (hits_ != nullptr) model_->SetIds(*hits_);

    connect(edit_, &QPushButton::clicked, this, [this] { EditRecord(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteRecords(); });
    connect(export_, &QPushButton::clicked, this, [this] { Export(); });
    connect(close, &QPushButton::clicked, this, &CSearchResultDlg::reject);
    connect(list_, &QTableView::doubleClicked, this, [this] { EditRecord(); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { UpdateButtons(); });
    connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] { UpdateButtons(); });
    UpdateSummary();
    UpdateButtons();
}

CSearchResultDlg::~CSearchResultDlg() {
    // A dialog destroyed while shown gets no hide event of its own.
    if (isVisible()) SaveRect();
}

int CSearchResultDlg::DoModal() {
    exec();
    return platform::kIdCancel;
}

QString CSearchResultDlg::FieldSummary(const OneExtractCondition& condition, const std::string& fieldName) {
    if (condition.element < 0 || fieldName.empty()) return ui::U8("検索項目 ： すべて");
    return ui::U8("検索項目 ： ") + ui::FromSjis(fieldName);
}

QString CSearchResultDlg::ConditionSummary(const OneExtractCondition& condition, const std::string& fieldName) {
    if (condition.element < 0 || fieldName.empty()) return ui::U8("検索条件 ： －");
    std::string text;
    if (condition.kind == "E") {
        for (std::size_t k = 0; k < condition.values.size(); ++k) {
            if (k > 0) text += ',';
            text += condition.values[k];
        }
        if (condition.equalFlag == "Y") return ui::U8("検索条件 ： ") + ui::FromSjis(text) + ui::U8(" を含む");
        if (condition.equalFlag == "N") return ui::U8("検索条件 ： ") + ui::FromSjis(text) + ui::U8(" を含まない");
        return {};
    }
    const QString range = ui::U8("検索条件 ： \"") + ui::FromSjis(condition.lower) + ui::U8("\" から \"") +
                          ui::FromSjis(condition.upper) + ui::U8("\" の間");
    if (condition.rangeFlag == "Y") return range + ui::U8(" である");
    if (condition.rangeFlag == "N") return range + ui::U8(" でない");
    return {};
}

void CSearchResultDlg::UpdateSummary() {
    hitCount_->setText(ui::U8("検索ヒット件数：%1件").arg(model_->rowCount()));
    if (condition_ == nullptr) return;
    field_->setText(FieldSummary(*condition_, fieldName_));
    conditionLabel_->setText(ConditionSummary(*condition_, fieldName_));
}

void CSearchResultDlg::UpdateButtons() {
    const std::size_t selected = SelectedRows(list_).size();
    edit_->setEnabled(selected == 1);
    delete_->setEnabled(selected >= 1);
    export_->setEnabled(model_->rowCount() > 0);
}

void CSearchResultDlg::BeginWait(int what) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
    const QString first = what == 1 ? ui::U8("検索結果の個人情報を削除しています") : ui::U8("CSVファイルを書き出しています");
    wait_->SetMessages(first, ui::U8("件数により時間がかかる場合があります"), ui::U8("しばらくお待ちください"));
    wait_->Create(this);
}

void CSearchResultDlg::EndWait() {
    wait_->End();
    setEnabled(true);
    QGuiApplication::restoreOverrideCursor();
}

void CSearchResultDlg::EditRecord() {
    if (worker_.Busy()) return;
    const std::vector<int> rows = SelectedRows(list_);
    if (rows.size() >= 2) {
        ui::MessageBox(this, ui::U8("複数行の編集はできません\r\n一行のみを選択してください"), ui::U8("複数編集はできません"),
                       platform::kMbOk | platform::kMbIconWarning);
        return;
    }
    if (rows.empty()) {
        ui::MessageBox(this, ui::U8("選択されていません"), ui::U8("行の未選択"), platform::kMbOk | platform::kMbIconWarning);
        return;
    }
    const int row = rows.front();
    CDBEditSheet sheet(model_->IdAt(row), ui::U8("個人情報－編集"), this);
    if (sheet.DoModal() == platform::kIdOk) {
        model_->RefreshRow(row);
        changed_ = true;
    }
}

void CSearchResultDlg::DeleteRecords() {
    if (worker_.Busy()) return;
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    const std::vector<int> rows = SelectedRows(list_);
    if (book == nullptr || rows.empty()) return;
    const QString question =
        rows.size() == 1
            ? ui::U8("個人情報ID ") + QString::number(model_->IdAt(rows.front())) + ui::U8(" を削除します。よろしいですか？")
            : ui::U8("選択した個人情報をすべて削除します。よろしいですか？");
    if (ui::MessageBox(this, question, ui::U8("個人情報削除の確認"),
                       platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2) != platform::kIdYes)
        return;
    std::vector<int> ids;
    ids.reserve(rows.size());
    for (const int r : rows) ids.push_back(model_->IdAt(r));
    BeginWait(1);
    QWidget* owner = this;
    worker_.Start(
        this,
        [book, ids, owner] {
            // From the last selected row to the first; the rows of the records deleted. The
            // selection reaches the disk in one commit, and failures are told after it (the
            // book's lock is not held while a message waits for the person).
            std::vector<char> deleted(ids.size(), 0);
            std::size_t failures = 0;
            {
                CDatabaseEdit::ChangeGroup group(*book);
                for (std::size_t k = ids.size(); k-- > 0;) {
                    if (book->DeleteCustomer(ids[k]) == 0) deleted[k] = 1;
                    else ++failures;
                }
                if (group.Commit() != 0 && failures == 0) failures = 1;
            }
            for (std::size_t i = 0; i < failures; ++i)
                ui::MessageBox(owner, ui::U8("何らかの原因で個人情報の削除ができませんでした"), ui::U8("個人情報削除失敗"),
                               platform::kMbOk | platform::kMbIconError);
            return deleted;
        },
        [this, rows, ids](std::vector<char> deleted) {
            std::vector<int> goneRows;
            std::unordered_set<int> goneIds;
            for (std::size_t k = 0; k < rows.size(); ++k) {
                if (!deleted[k]) continue;
                goneRows.push_back(rows[k]);
                goneIds.insert(ids[k]);
            }
            model_->RemoveRowsAt(goneRows);
            // A record that could not be deleted stays a hit: it is still in the book.
            if (hits_ != nullptr && !goneIds.empty())
                std::erase_if(*hits_, [&goneIds](int id) { return goneIds.count(id) != 0; });
            changed_ = true;
            UpdateButtons();
            UpdateSummary();
            EndWait();
        });
}

void CSearchResultDlg::Export() {
    if (worker_.Busy()) return;
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    if (book == nullptr || model_->rowCount() == 0) return;
    const int header = AskExportHeaderRow(this);
    if (header < 0) return;
    const std::optional<std::string> picked = PickExportFile(this);
    if (!picked) return;
    const std::string path = *picked;
    BeginWait(4);
    worker_.Start(
        this,
        [book, path, columns = model_->Columns(), ids = model_->Ids(), header] {
            return ExportListRows(*book, path, columns, ids, header == 1);
        },
        [this](int result) {
            EndWait();
            TellExportResult(this, result);
        });
}

void CSearchResultDlg::reject() {
    if (worker_.Busy()) return;
    QDialog::reject();
}

void CSearchResultDlg::showEvent(QShowEvent* event) {
    shell::CResizableDialog::showEvent(event);
    if (!rectRestored_ && !event->spontaneous()) {
        rectRestored_ = true;
        RestoreRect();
    }
}

void CSearchResultDlg::hideEvent(QHideEvent* event) {
    shell::CResizableDialog::hideEvent(event);
    if (!event->spontaneous()) SaveRect();
}

void CSearchResultDlg::RestoreRect() { RestoreWindowRect(this, kSearchResultRectSection); }

void CSearchResultDlg::SaveRect() { SaveWindowRect(this, kSearchResultRectSection); }

}  // namespace addressui
