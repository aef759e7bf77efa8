#include "app/addressui/db_list_dlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>
#include <utility>

#include "app/addressui/column_select_dlg.h"
#include "app/addressui/csv_export.h"
#include "app/addressui/db_backup_restore.h"
#include "app/addressui/db_edit_sheet.h"
#include "app/addressui/db_list_import_hook.h"
#include "app/addressui/export_choice_hooks.h"
#include "app/addressui/export_file_prompts.h"
#include "app/addressui/new_dest_list.h"
#include "app/addressui/personal_list_model.h"
#include "app/addressui/record_store.h"
#include "app/addressui/search_dlg.h"
#include "app/addressui/search_result_dlg.h"
#include "app/addressui/view_selection.h"
#include "app/addressui/window_rect_ini.h"
#include "app/compose/confirm_dialog.h"
#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/wait_dlg.h"
#include "app/environment/environment_service.h"
#include "app/environment/run_monitor.h"
#include "app/ui/control_ids.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/backup_restore.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

constexpr const char* kDbListRectSection = "DBDLGINFO";

// The wait cursor for the life of a piece of work done on the GUI thread.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QPushButton* Button(QWidget* parent, const char* text, int id) {
    return shell::dialogs::MakeButton(parent, ui::U8(text), id);
}

}  // namespace

PersonalListSortState& CDBListDlg::SortState() {
    static PersonalListSortState state;
    return state;
}

void CDBListDlg::ResetSortState() { SortState() = PersonalListSortState(); }

std::array<QString, 3> CDBListDlg::WaitLines(int kind) {
    const QString wait = ui::U8("しばらくお待ちください");
    switch (kind) {
    case kWaitKeep:
        return {};
    case kWaitLoad:
        return {ui::U8("個人情報を読み込んでいます"), ui::U8("個人情報件数により時間がかかる場合があります"), wait};
    case kWaitSave:
        return {ui::U8("個人情報をファイルに保存しています"), ui::U8("個人情報件数により時間がかかる場合があります"), wait};
    case kWaitReadCsv:
        return {ui::U8("CSVファイルを読み込んでいます"), ui::U8("件数により時間がかかる場合があります"), wait};
    case kWaitWriteCsv:
        return {ui::U8("CSVファイルを書き出しています"), ui::U8("件数により時間がかかる場合があります"), wait};
    case kWaitRestore:
        return {ui::U8("ファイルの復旧を実行しています"), ui::U8("復旧件数により時間がかかる場合があります"), wait};
    default:
        return {ui::U8("処理をしています"), ui::U8("処理内容により時間がかかる場合があります"), wait};
    }
}

CDBListDlg::CDBListDlg(ExtractListViewer* lists, int* created, QWidget* parent)
    : shell::CResizableDialog(kIdd, parent), lists_(lists), created_(created) {
    setWindowTitle(ui::U8("個人情報一覧"));
    wait_ = new shell::CWaitDlg(this);
    model_ = new PersonalListModel(shell::GetDatabaseEdit(), this);

    auto* column = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    count_ = shell::dialogs::MakeLabel(this, ui::U8("読み込み中です"), kIdcCount);
    top->addWidget(count_);
    top->addStretch();
    auto* idLabel = shell::dialogs::MakeLabel(this, ui::U8("ID"), kIdcIdLabel);
    idLabel->hide();
    top->addWidget(idLabel);
    top->addWidget(Button(this, "表示項目変更(&H)", kIdcColumns));
    column->addLayout(top);

    list_ = ui::SetControlId(new QTableView(this), kIdcList);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setWordWrap(false);
    list_->setAlternatingRowColors(true);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->horizontalHeader()->setSectionsClickable(true);
    list_->setMinimumSize(720, 320);
    list_->setModel(model_);
    column->addWidget(list_, 1);

    page_ = shell::dialogs::MakeLabel(this, QString(), kIdcPage);
    column->addWidget(page_);

    auto* bottom = new QHBoxLayout;
    auto* commands = new QGridLayout;
    auto* newButton = Button(this, "新規(&N)", kIdcNew);
    edit_ = Button(this, "編集(&E)", kIdcEdit);
    delete_ = Button(this, "削除(&D)", kIdcDelete);
    auto* search = Button(this, "検索(&F)", kIdcSearch);
    auto* import = Button(this, "インポート( &I )", kIdcImport);
    auto* exportButton = Button(this, "エクスポート(&O)", kIdcExport);
    commands->addWidget(newButton, 0, 0);
    commands->addWidget(edit_, 0, 1);
    commands->addWidget(delete_, 0, 2);
    commands->addWidget(search, 1, 0);
    commands->addWidget(import, 1, 1);
    commands->addWidget(exportButton, 1, 2);
    bottom->addLayout(commands);
    bottom->addStretch();

    auto* shortcut = ui::SetControlId(new QGroupBox(ui::U8("ショートカット"), this), kIdcShortcut);
    auto* shortcutColumn = new QVBoxLayout(shortcut);
    auto* pageRow = new QHBoxLayout;
    prev_ = Button(shortcut, "↑前のページへ(&B)", kIdcPrevPage);
    next_ = Button(shortcut, "↓次のページへ(&A)", kIdcNextPage);
    pageNumber_ = shell::dialogs::MakeEdit(shortcut, kIdcPageNumber);
    pageNumber_->setMaxLength(6);
    pageNumber_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), pageNumber_));
    pageNumber_->setFixedWidth(pageNumber_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    auto* goToPage = Button(shortcut, "ページ目へ(&G)", kIdcGoToPage);
    pageRow->addWidget(prev_);
    pageRow->addWidget(next_);
    pageRow->addSpacing(12);
    pageRow->addWidget(pageNumber_);
    pageRow->addWidget(goToPage);
    shortcutColumn->addLayout(pageRow);
    shortcutColumn->addWidget(shell::dialogs::MakeLabel(shortcut, ui::U8("※Enterキーでも移動ができます"), kIdcEnterNote));
    bottom->addWidget(shortcut);

    auto* closeColumn = new QVBoxLayout;
    auto* backup = Button(this, "バックアップ(&S)", kIdcBackup);
    auto* restore = Button(this, "データ復旧(&R)", kIdcRestore);
    auto* newDestination = Button(this, "新規宛先作成", kIdcNewDestination);
    for (QPushButton* hidden : {backup, restore, newDestination}) {
        hidden->setEnabled(false);
        hidden->hide();
    }
    closeColumn->addStretch();
    closeColumn->addWidget(Button(this, "閉じる(&C)", kIdcClose));
    bottom->addLayout(closeColumn);
    column->addLayout(bottom);

    auto connectButton = [this](int id, void (CDBListDlg::*command)()) {
        connect(ui::FindControl<QPushButton>(this, id), &QPushButton::clicked, this, [this, command] { (this->*command)(); });
    };
    connectButton(kIdcNew, &CDBListDlg::NewRecord);
    connectButton(kIdcEdit, &CDBListDlg::EditRecord);
    connectButton(kIdcDelete, &CDBListDlg::DeleteRecords);
    connectButton(kIdcSearch, &CDBListDlg::Search);
    connectButton(kIdcImport, &CDBListDlg::Import);
    connectButton(kIdcExport, &CDBListDlg::Export);
    connectButton(kIdcColumns, &CDBListDlg::ChooseColumns);
    connectButton(kIdcPrevPage, &CDBListDlg::PreviousPage);
    connectButton(kIdcNextPage, &CDBListDlg::NextPage);
    connectButton(kIdcGoToPage, &CDBListDlg::GoToPage);
    connectButton(kIdcClose, &CDBListDlg::CloseWithOk);
    connectButton(kIdcBackup, &CDBListDlg::Backup);
    connectButton(kIdcRestore, &CDBListDlg::Restore);
    connectButton(kIdcNewDestination, &CDBListDlg::NewDestinationList);
    connect(list_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) EditRecord();
    });
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!list_->indexAt(pos).isValid()) return;
        ContextMenu()->exec(list_->viewport()->mapToGlobal(pos));
    });
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this, &CDBListDlg::SortByColumn);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });

    columns_.LoadColumnInfo();
    BuildColumns();
    UpdateButtons();
}

CDBListDlg::~CDBListDlg() {
    // A dialog destroyed while shown gets no hide event of its own.
    if (isVisible()) SaveWindowRect(this, kDbListRectSection);
}

int CDBListDlg::DoModal() {
    exec();
    return platform::kIdOk;
}

void CDBListDlg::showEvent(QShowEvent* event) {
    shell::CResizableDialog::showEvent(event);
    if (event->spontaneous() || started_) return;
    started_ = true;
    if (wizardMode_) {
        setWindowTitle(windowTitle() + ui::U8(" － ウィザードモード"));
        guidancePending_ = true;
        for (int id : {kIdcColumns, kIdcPageNumber, kIdcShortcut, kIdcIdLabel, kIdcEnterNote, kIdcGoToPage, kIdcSearch,
                       kIdcImport, kIdcExport})
            if (QWidget* w = ui::FindControl(this, id)) w->setEnabled(false);
    }
    if (!rectRestored_) {
        rectRestored_ = true;
        RestoreWindowRect(this, kDbListRectSection);
    }
    // Every opening reads the book afresh, in the order the last list was left in.
    loadedField_ = -1;
    SortState().resort = true;
    StartLoad();
}

void CDBListDlg::hideEvent(QHideEvent* event) {
    shell::CResizableDialog::hideEvent(event);
    if (!event->spontaneous()) SaveWindowRect(this, kDbListRectSection);
}

void CDBListDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (focusWidget() == pageNumber_) GoToPage();
        else if (focusWidget() == list_) EditRecord();
        event->accept();
        return;
    case Qt::Key_Delete:
        if (focusWidget() == list_) DeleteRecords();
        event->accept();
        return;
    default:
        shell::CResizableDialog::keyPressEvent(event);
    }
}

void CDBListDlg::BuildColumns() {
    std::vector<std::string> attributeNames;
    if (SystemOption* options = shell::GetSystemOption()) options->GetSOExtractDataFromMemory(attributeNames);
    model_->SetColumns(BuildListColumns(columns_, attributeNames));
    for (int c = 0; c < model_->columnCount(); ++c)
        list_->setColumnWidth(c, model_->Columns()[static_cast<std::size_t>(c)].width);
}

void CDBListDlg::StoreWidths() {
    const std::vector<ListColumn>& shown = model_->Columns();
    for (std::size_t c = 0; c < shown.size(); ++c)
        columns_.SetColumnValue(shown[c].element, 1, std::to_string(list_->columnWidth(static_cast<int>(c))));
}

void CDBListDlg::BeginWait(int kind) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
    if (kind != kWaitKeep) {
        const std::array<QString, 3> lines = WaitLines(kind);
        wait_->SetMessages(lines[0], lines[1], lines[2]);
    }
    wait_->Create(this);
}

void CDBListDlg::EndWait() {
    wait_->End();
    setEnabled(true);
    QGuiApplication::restoreOverrideCursor();
    UpdateControls();
}

void CDBListDlg::StartLoad() {
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    if (book == nullptr) return;
    if (worker_.Busy()) {
        // A reload asked for while one runs is not dropped: it runs once this one ends.
        reloadPending_ = true;
        return;
    }
    PersonalListSortState& state = SortState();
    const int field = state.requestedField;
    const bool fetch = loadedField_ != field;
    // An array fetched again is in stored order: it is always sorted before it is shown.
    const bool sort = state.resort || fetch;
    const bool ascending = state.ascending;
    BeginWait(kWaitLoad);
    worker_.Start(
        this,
        [book, field, fetch, sort, ascending, array = model_->TakeSortArray()]() mutable {
            if (fetch) array = PersonalSortArray::Fetch(*book, field);
            if (sort) array.Sort(ascending);
            return std::move(array);
        },
        [this](PersonalSortArray array) { LoadDone(std::move(array)); });
}

void CDBListDlg::LoadDone(PersonalSortArray array) {
    loadedField_ = array.Element();
    SortState().resort = false;
    model_->SetSortArray(std::move(array));
    FillPage();
    EndWait();
    if (reloadPending_) {
        reloadPending_ = false;
        loadedField_ = -1;
        StartLoad();
        return;
    }
    if (guidancePending_) {
        guidancePending_ = false;
        QTimer::singleShot(0, this, [this] { ShowGuidance(); });
    }
}

void CDBListDlg::FillPage() {
    PersonalListSortState& state = SortState();
    state.sortColumn = model_->ColumnOf(state.requestedField);
    QHeaderView* header = list_->horizontalHeader();
    if (state.sortColumn >= 0) {
        header->setSortIndicatorShown(true);
        header->setSortIndicator(state.sortColumn, state.ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    } else {
        header->setSortIndicatorShown(false);
    }
    // A page left past the end (its records deleted) shows the last page instead.
    const int entries = model_->EntryCount();
    int first = model_->First();
    if (first >= entries) first = GoToPageFirst(PageNumber(first), entries);
    model_->SetFirst(first);
    list_->scrollToTop();
}

void CDBListDlg::ReloadFromStart() {
    PersonalListSortState& state = SortState();
    loadedField_ = -1;
    state.requestedField = kElemCustomerID;
    state.ascending = true;
    state.resort = true;
    state.sortColumn = 0;
    model_->SetFirst(0);
    StartLoad();
}

void CDBListDlg::UpdateButtons() {
    const std::size_t selected = SelectedRows(list_).size();
    edit_->setEnabled(selected == 1);
    delete_->setEnabled(selected >= 1);
    prev_->setEnabled(model_->First() != 0);
    next_->setEnabled(model_->Last() < model_->EntryCount() - 1);
}

void CDBListDlg::UpdateControls() {
    UpdateButtons();
    const int first = model_->First();
    page_->setText(ui::U8("ページ：%1／%2ページを表示").arg(PageNumber(first)).arg(PageCount(first, model_->EntryCount())));
    pageNumber_->clear();
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    const int count = book != nullptr ? book->GetDBCountWithoutDelete() : 0;
    count_->setText(ui::U8("個人情報：") + QStringLiteral(" %1").arg(count) + ui::U8("件"));
}

bool CDBListDlg::RefuseWhileRunning(const char* text, const char* caption) {
    if (!shell::CurrentRunMonitor().IsRunning()) return false;
    ui::MessageBox(this, ui::U8(text), ui::U8(caption), platform::kMbOk | platform::kMbIconWarning);
    UpdateControls();
    return true;
}

void CDBListDlg::ShowGuidance() {
    const QString text =
        changed_ ? ui::U8("個人情報の保存をしました。\r\n\r\nさらに個人情報を追加する場合は(左下の)[新規]ボタンをクリックします。\r\n"
                          "入力を終わる場合は(右下の)[閉じる]ボタンをクリックしてください。\r\n\r\n宛先作成へ進みます。")
                 : ui::U8("(左下の)[新規]ボタンをクリックして個人情報を入力します。\r\n"
                          "入力が終わりましたら[保存]をクリックしてください。");
    ui::MessageBox(this, text, windowTitle(), platform::kMbOk | platform::kMbIconInformation);
}

QMenu* CDBListDlg::ContextMenu() {
    delete menu_;
    menu_ = new QMenu(this);
    auto add = [this](const char* text, int id, bool enabled, void (CDBListDlg::*command)()) {
        QAction* action = menu_->addAction(ui::U8(text));
        action->setObjectName(ui::ControlName(id));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
    };
    const std::size_t selected = SelectedRows(list_).size();
    add("新規宛先作成(&N)", kIdcNewDestination, lists_ != nullptr && !wizardMode_, &CDBListDlg::NewDestinationList);
    add("編集(&E)", kIdcEdit, selected == 1, &CDBListDlg::EditRecord);
    add("削除(&D)", kIdcDelete, selected >= 1, &CDBListDlg::DeleteRecords);
    return menu_;
}

// ---- Records ------------------------------------------------------------------------------

void CDBListDlg::NewRecord() {
    if (worker_.Busy()) return;
    CDBEditSheet sheet(-1, ui::U8("個人情報－新規追加"), this);
    if (sheet.DoModal() != platform::kIdOk) return;
    changed_ = true;
    if (wizardMode_) guidancePending_ = true;
    // The new record at the top: the newest renewal first.
    PersonalListSortState& state = SortState();
    state.requestedField = kElemRenewalDate;
    state.ascending = false;
    state.resort = true;
    loadedField_ = -1;
    model_->SetFirst(0);
    StartLoad();
}

void CDBListDlg::EditRecord() {
    if (worker_.Busy()) return;
    const std::vector<int> rows = SelectedRows(list_);
    if (rows.size() >= 2) {
        ui::MessageBox(this, ui::U8("複数行の編集はできません\r\n一行のみを選択してください"), ui::U8("複数編集はできません"),
                       platform::kMbOk);
        return;
    }
    if (rows.empty()) return;
    const int row = rows.front();
    CDBEditSheet sheet(model_->IdAt(row), ui::U8("個人情報－編集"), this);
    if (sheet.DoModal() == platform::kIdOk) {
        model_->RecordEdited(row);
        changed_ = true;
    }
    UpdateControls();
}

void CDBListDlg::DeleteRecords() {
    if (worker_.Busy()) return;
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    const std::vector<int> rows = SelectedRows(list_);
    if (book == nullptr || rows.empty()) return;
    const QString question =
        rows.size() == 1
            ? ui::U8("個人情報ID ") + QString::number(model_->IdAt(rows.front())) + ui::U8(" を削除します。よろしいですか？")
            : ui::U8("選択した個人情報をすべて削除します。よろしいですか？");
    if (ui::MessageBox(this, question, ui::U8("個人情報削除の確認"),
                       platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2) == platform::kIdYes) {
        BusyCursor busy;
        // From the last selected row to the first; a failure is told (once the selection
        // is on the disk in one commit) and the rest go on.
        std::size_t failures = 0;
        {
            CDatabaseEdit::ChangeGroup group(*book);
            for (auto it = rows.rbegin(); it != rows.rend(); ++it)
                if (book->DeleteCustomer(model_->IdAt(*it)) != 0) ++failures;
            if (group.Commit() != 0 && failures == 0) failures = 1;
        }
        for (std::size_t i = 0; i < failures; ++i)
            ui::MessageBox(this, ui::U8("何らかの原因で個人情報の削除ができませんでした"), ui::U8("個人情報削除失敗"),
                           platform::kMbOk | platform::kMbIconError);
        changed_ = true;
    }
    loadedField_ = -1;
    StartLoad();
}

void CDBListDlg::Search() {
    if (worker_.Busy()) return;
    CDBSearchDlg search(this);
    if (search.DoModal() != platform::kIdOk) return;
    CSearchResultDlg result(&search.GetHitList(), &search.GetCondition(), this);
    result.DoModal();
    if (!result.IsChanged()) return;
    changed_ = true;
    loadedField_ = -1;
    StartLoad();
}

void CDBListDlg::Import() {
    if (worker_.Busy()) return;
    if (RefuseWhileRunning("送受信中にインポートを行なう事は出来ません。\r\n送受信の終了後に再度インポートを実行してください。",
                           "インポート準備に失敗"))
        return;
    const int result = RunAddressImportHook(this);
    if (result != 1 && result != -1) return;
    changed_ = true;
    ReloadFromStart();
}

void CDBListDlg::Export() {
    if (worker_.Busy()) return;
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    if (book == nullptr) return;
    if (RefuseWhileRunning("送受信中にエクスポートを行なう事は出来ません。\r\n送受信の終了後に再度エクスポートを実行してください。",
                           "エクスポート準備に失敗"))
        return;
    const int layout = AskExportFormat(this);
    if (layout == 0) return;
    const ExportMethodChoice method = AskExportMethod(this, layout);
    if (!method.accepted) return;
    static const char* const kQuestions[] = {
        "削除済みを除く個人情報を決められた形式のファイルにエクスポートします。\r\nよろしいですか？",
        "削除済みの個人情報のみを決められた形式のファイルにエクスポートします。\r\nよろしいですか？",
        "削除済みを含むすべての個人情報を決められた形式のファイルにエクスポートします。\r\nよろしいですか？",
    };
    if (method.recordKind < 0 || method.recordKind > 2) return;
    if (ui::MessageBox(this, ui::U8(kQuestions[method.recordKind]), ui::U8("個人情報エクスポートの確認"),
                       platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2) != platform::kIdYes)
        return;
    std::optional<std::string> path = PickExportFile(this);
    if (!path) return;
    AddressExportRequest exportRequest;
    exportRequest.path = std::move(*path);
    exportRequest.layout = layout;
    exportRequest.recordKind = method.recordKind;
    exportRequest.itemNames = method.itemNames;
    exportRequest.nameAndAddressOnly = method.nameAndAddressOnly;
    if (SystemOption* options = shell::GetSystemOption()) options->GetSOExtractDataFromMemory(exportRequest.attributeNames);
    BeginWait(kWaitWriteCsv);
    worker_.Start(
        this, [book, exportRequest] { return ExportAddressBook(*book, exportRequest); },
        [this](int result) {
            EndWait();
            TellExportResult(this, result);
        });
}

void CDBListDlg::ChooseColumns() {
    if (worker_.Busy()) return;
    StoreWidths();
    columns_.SaveColumnInfo();
    CColumnSelectDlg dialog(&columns_, this);
    if (dialog.DoModal() != platform::kIdOk) return;
    BuildColumns();
    FillPage();
    UpdateControls();
}

// ---- Pages --------------------------------------------------------------------------------

void CDBListDlg::PreviousPage() {
    if (worker_.Busy()) return;
    model_->SetFirst(PreviousPageFirst(model_->First()));
    UpdateControls();
}

void CDBListDlg::NextPage() {
    if (worker_.Busy()) return;
    model_->SetFirst(NextPageFirst(model_->First(), model_->EntryCount()));
    UpdateControls();
}

void CDBListDlg::GoToPage() {
    if (worker_.Busy()) return;
    const QString text = pageNumber_->text();
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            ui::MessageBox(this, ui::U8("個人情報IDは、半角正数値で入力してください\r\nページ指定をキャンセルします"),
                           ui::U8("半角正数値を入力してください"), platform::kMbOk | platform::kMbIconWarning);
            return;
        }
    }
    // At most six digits: the number fits an int.
    const int page = text.isEmpty() ? 1 : text.left(9).toInt();
    model_->SetFirst(GoToPageFirst(page, model_->EntryCount()));
    UpdateControls();
}

void CDBListDlg::SortByColumn(int column) {
    if (worker_.Busy() || column < 0 || column >= model_->columnCount()) return;
    PersonalListSortState& state = SortState();
    state.ascending = column != state.sortColumn ? true : !state.ascending;
    state.requestedField = model_->Columns()[static_cast<std::size_t>(column)].element;
    state.resort = true;
    model_->SetFirst(0);
    StartLoad();
}

// ---- Backup, restore, destination list ----------------------------------------------------

void CDBListDlg::Backup() {
    if (worker_.Busy()) return;
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    CDBBackup backup;
    backup.SetDatabaseEditPtr(book);
    backup.SetEnvManager(shell::GetEnvManager());
    if (backup.SelectBackupPathName(PickerFileChooser(this)) == 0) return;
    BeginWait(kWaitSave);
    worker_.Start(
        this, [backup]() mutable { return backup.ActionBackup(); },
        [this, path = backup.GetBackupPathName()](int result) {
            EndWait();
            const OutcomeMessage m = BackupOutcome(result, path);
            ui::MessageBox(this, m.text, m.caption, m.style);
        });
}

void CDBListDlg::Restore() {
    if (worker_.Busy()) return;
    EnvManager* env = shell::GetEnvManager();
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    if (env == nullptr || book == nullptr) return;
    CDBRestore restore;
    restore.SetDatabaseEditPtr(book);
    restore.SetEnvManager(env);
    const platform::DateTime started = platform::DateTime::GetCurrentTime();
    if (restore.SelectBackupPathName(PickerFileChooser(this)) == 0) return;
    if (ui::MessageBox(this,
                       ui::U8("【バックアップ】") + ui::FromPath(restore.GetBackupPathName()) +
                           ui::U8("\r\n\r\nを使用して、個人情報の復旧します。よろしいですか？"),
                       ui::U8("復旧の確認"), platform::kMbOkCancel | platform::kMbIconQuestion) != platform::kIdOk)
        return;
    restore.SetRepairFileName(RestoreReportFileName(restore.GetBackupFileNameWithoutExt(), restore.GetBackupFileNameExt(),
                                                    env->GetEnvName(), started));
    struct Outcome {
        int result = 0;
        OutcomeMessage message;
    };
    BeginWait(kWaitRestore);
    worker_.Start(
        this,
        [restore]() mutable {
            Outcome o;
            o.result = restore.ActionRestore();
            o.message = RestoreOutcome(o.result, restore.GetBackupPathName(), restore.GetRepairPathName());
            return o;
        },
        [this, env](Outcome o) {
            EndWait();
            ui::MessageBox(this, o.message.text, o.message.caption, o.message.style);
            if (!RestoreChangedBook(o.result)) return;
            changed_ = true;
            // Past every ID the book holds, deleted ones too, and never back.
            if (CDatabaseEdit* restored = shell::GetDatabaseEdit()) AdvanceCustomerSequence(env, restored->GetMaxDBID());
            ReloadFromStart();
        });
}

void CDBListDlg::NewDestinationList() {
    if (worker_.Busy() || lists_ == nullptr || wizardMode_) return;
    CNewDestNameDlg name(this);
    if (name.DoModal() != platform::kIdOk) return;
    const std::vector<int> rows = SelectedRows(list_);
    if (rows.empty()) return;
    std::vector<int> ids;
    ids.reserve(rows.size());
    for (const int row : rows) ids.push_back(model_->IdAt(row));
    NewDestListResult made;
    {
        BusyCursor busy;
        made = MakeDestinationList(*lists_, name.GetName(), ids);
    }
    if (!made.ok) {
        ui::MessageBox(this, made.text, made.caption, platform::kMbOk | platform::kMbIconWarning);
        return;
    }
    if (created_ != nullptr) *created_ = 1;
    ui::MessageBox(this, ui::U8("新規作成された宛先を、宛先リストに追加しました。"), ui::U8("宛先作成の完了"),
                   platform::kMbOk | platform::kMbIconInformation);
    CloseWithOk();
}

// ---- Closing ------------------------------------------------------------------------------

void CDBListDlg::CloseWithOk() {
    if (worker_.Busy()) return;
    {
        BusyCursor busy;
        StoreWidths();
        columns_.SaveColumnInfo();
    }
    QDialog::done(QDialog::Accepted);
}

void CDBListDlg::reject() {
    if (worker_.Busy()) return;
    compose::CConfirmDialog confirm(this);
    confirm.SetKeyName(QStringLiteral("DBCLOSE"));
    confirm.SetDialogSize(140, 420);
    confirm.SetCaption(ui::U8("確認"));
    confirm.SetMessage(ui::U8("変更された内容を保存し、%1ダイアログを終了します。\r\nよろしいですか？").arg(windowTitle()));
    confirm.SetStyle(compose::CConfirmDialog::kStyleOkCancel | compose::CConfirmDialog::kStyleQuestion);
    if (confirm.DoModal() == platform::kIdOk) CloseWithOk();
}

}  // namespace addressui
