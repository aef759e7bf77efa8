#include "app/settings/import_wizard.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/addressui/column_layout.h"
#include "app/settings/import_display.h"
#include "app/settings/import_wait.h"
#include "app/settings/mapping_rule.h"
#include "app/dialogs/db_save_wait_dlg.h"
#include "app/dialogs/dialog_parts.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_input_guard.h"
#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "app/ui/wait_cursor.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"
#include "platform/safe_write.h"

namespace settings {
namespace {

using ui::U8;

using ui::kExclamation;
using ui::kInformation;
constexpr unsigned kAsk = platform::kMbYesNo | platform::kMbIconQuestion | ui::kMbDefButton2;

const char* const kRuleFilter = "割り当てﾌｧｲﾙ(*.tpl)|*.tpl|割り当てﾌｧｲﾙ(*.txt)|*.txt|全て(*.*)|*.*||";
const char* const kAnalysisCaption = "インポート対象情報取得失敗";

// The message of an unusable file; `line` is the physical line where it was found.
void TellFileCheck(QWidget* owner, int status, int line) {
    QString text, caption;
    switch (status) {
    case kImportFileNoPath:
        caption = U8("インポートファイル未選択");
        text = U8("インポートファイルが選択されていません\r\n「参照」ボタンをクリックしてファイルを指定するか\r\n"
                  "ファイルの場所を入力してください");
        break;
    case kImportFileMissing:
        caption = U8("インポートファイルが存在しません");
        text = U8("入力されたファイルは存在しません\r\n「参照」ボタンをクリックして正しくファイルを指定するか\r\n"
                  "正しいファイルの場所を入力してください");
        break;
    case kImportFileNoData:
        caption = U8("インポート対象データなし");
        text = U8("ファイルの中にデータがありません\r\nファイルの内容を確認してください");
        break;
    case kImportFileBinary:
        caption = U8("インポートファイル読み込みエラー");
        text = U8("ファイルの%1行目に文字ではないデータ(NULバイト)があります\r\n"
                  "Shift_JISのテキストファイルを指定してください")
                   .arg(line);
        break;
    case kImportFileNotSjis:
        caption = U8("インポートファイル読み込みエラー");
        text = U8("ファイルの%1行目にShift_JISの文字として読めないデータがあります\r\n"
                  "ファイルの内容を確認してください")
                   .arg(line);
        break;
    case kImportFileLineTooLong:
        caption = U8("インポートファイル読み込みエラー");
        text = U8("ファイルの%1行目が長すぎます(1行は%2バイトまでです)\r\nファイルの内容を確認してください")
                   .arg(line)
                   .arg(ImportScan::kMaxLineBytes);
        break;
    default:
        caption = U8("インポートファイル読み込みエラー");
        text = U8("ファイルの読み込みに失敗しました\r\nファイルの内容を確認してください");
        break;
    }
    ui::MessageBox(owner, text, caption, kExclamation);
}

// A report list: full-row selection, grid lines, one row selected at a time.
QTableWidget* MakeList(QWidget* parent, int id) {
    auto* list = ui::SetControlId(new QTableWidget(parent), id);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);
    list->verticalHeader()->hide();
    list->horizontalHeader()->setStretchLastSection(false);
    list->setWordWrap(false);
    return list;
}

void SetCell(QTableWidget* list, int row, int column, const QString& text) {
    if (QTableWidgetItem* item = list->item(row, column)) {
        item->setText(text);
        return;
    }
    list->setItem(row, column, new QTableWidgetItem(text));
}

void ClearList(QTableWidget* list) {
    list->setRowCount(0);
    list->setColumnCount(0);
}

int SelectedRow(const QTableWidget* list) {
    const QList<QTableWidgetSelectionRange> ranges = list->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

}  // namespace

// ---- CImportConfPage00 --------------------------------------------------------------------

CImportConfPage00::CImportConfPage00(CImportConfSheet* sheet) : sheet_(sheet) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(U8("インポート(1/4) [インポートファイルの選択]"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(shell::dialogs::MakeLabel(
        this, U8("インポートするファイルを指定してください。\r\n"
                 "「参照」ボタンをクリックしてファイルを選ぶか、ファイルの場所を入力します。")));
    auto* row = new QHBoxLayout;
    edit_ = shell::dialogs::MakeEdit(this, kIdcPath);
    ui::MarkPathEdit(edit_);
    auto* browse = shell::dialogs::MakeButton(this, U8("参照..."), kIdcBrowse);
    row->addWidget(edit_, 1);
    row->addWidget(browse);
    column->addLayout(row);
    column->addStretch(1);
    connect(browse, &QPushButton::clicked, this, &CImportConfPage00::OnBrowse);
    connect(edit_, &QLineEdit::textEdited, this, [this] { sheet_->SetMappingValid(false); });
}

void CImportConfPage00::OnBrowse() {
    ui::FileRequest request;
    request.defaultExt = QStringLiteral("csv");
    request.fileName = QStringLiteral("*.csv");
    request.filter = U8("ｲﾝﾎﾟｰﾄﾌｧｲﾙ(*.csv)|*.csv|ｲﾝﾎﾟｰﾄﾌｧｲﾙ(*.txt)|*.txt|全て(*.*)|*.*||");
    request.fileMustExist = true;
    if (const auto picked = ui::CurrentFilePicker().PickFile(this, request)) {
        path_ = ui::ToPath(*picked);
        sheet_->SetMappingValid(false);
    }
    edit_->setText(ui::FromPath(path_));
}

bool CImportConfPage00::validatePage() {
    path_ = ui::ToPath(edit_->text());
    const auto scan = sheet_->CheckFile();
    return scan && scan->Usable();
}

// ---- CImportConfPage01 --------------------------------------------------------------------

CImportConfPage01::CImportConfPage01(CImportConfSheet* sheet) : sheet_(sheet) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(U8("インポート(2/4) [インポートファイルの分割]"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(shell::dialogs::MakeLabel(
        this, U8("ファイルの各行を項目に分ける区切り文字と、項目を囲む文字を選んでください。")));
    auto* options = new QHBoxLayout;
    auto* separators = new QGroupBox(U8("区切り文字"), this);
    auto* boxes = new QHBoxLayout(separators);
    const std::pair<int, const char*> names[4] = {
        {kIdcComma, "カンマ"}, {kIdcTab, "タブ"}, {kIdcSemicolon, "セミコロン"}, {kIdcSpace, "スペース"}};
    for (int k = 0; k < 4; ++k) {
        boxes_[k] = shell::dialogs::MakeCheckBox(separators, U8(names[k].second), names[k].first);
        boxes->addWidget(boxes_[k]);
    }
    boxes_[0]->setChecked(true);
    options->addWidget(separators, 1);
    auto* quoteBox = new QGroupBox(U8("囲み文字"), this);
    auto* quoteRow = new QHBoxLayout(quoteBox);
    quoteCombo_ = ui::SetControlId(new QComboBox(quoteBox), kIdcQuote);
    quoteCombo_->addItem(U8("\" (ﾀﾞﾌﾞﾙｸｫｰﾃｰｼｮﾝ)"));
    quoteCombo_->addItem(U8("'  (ｼﾝｸﾞﾙｸｫｰﾃｰｼｮﾝ)"));
    quoteCombo_->addItem(U8("囲み文字無し"));
    quoteCombo_->setCurrentIndex(0);
    quoteRow->addWidget(quoteCombo_);
    options->addWidget(quoteBox);
    column->addLayout(options);
    column->addWidget(shell::dialogs::MakeLabel(this, U8("分割結果の見本(先頭から100行まで)")));
    preview_ = MakeList(this, kIdcPreview);
    column->addWidget(preview_, 1);
    for (QCheckBox* box : boxes_) connect(box, &QCheckBox::toggled, this, &CImportConfPage01::OnOptionChanged);
    connect(quoteCombo_, &QComboBox::currentIndexChanged, this, &CImportConfPage01::OnOptionChanged);
}

void CImportConfPage01::ReadControls() {
    static const char kSeparators[4] = {',', '\t', ';', ' '};
    separators_.clear();
    for (int k = 0; k < 4; ++k)
        if (boxes_[k]->isChecked()) separators_.push_back(kSeparators[k]);
    static const char kQuotes[3] = {'"', '\'', 0};
    const int index = quoteCombo_->currentIndex();
    quote_ = index >= 0 && index < 3 ? kQuotes[index] : 0;
}

void CImportConfPage01::OnOptionChanged() {
    sheet_->SetMappingValid(false);
    ReadControls();
    if (sheet_->currentPage() == this) OnSetActive();
}

void CImportConfPage01::SetUsable(bool usable) {
    for (QCheckBox* box : boxes_) box->setEnabled(usable);
    quoteCombo_->setEnabled(usable);
    preview_->setEnabled(usable);
    if (usable_ != usable) {
        usable_ = usable;
        emit completeChanged();
    }
}

void CImportConfPage01::OnSetActive() {
    const auto scan = sheet_->CheckFile();
    if (!scan || !scan->Usable()) {
        ClearList(preview_);
        SetUsable(false);
        return;
    }
    SetUsable(true);
    ClearList(preview_);
    if (!sheet_->CheckSplit(*scan)) {
        // The split does not fit: the user may choose another one, but not go on.
        usable_ = false;
        emit completeChanged();
        return;
    }
    preview_->setUpdatesEnabled(false);
    const int n = scan->columnCount;
    preview_->setColumnCount(n);
    QStringList titles;
    for (int j = 0; j < n; ++j) titles << QString::number(j);
    preview_->setHorizontalHeaderLabels(titles);
    const int rows = static_cast<int>(scan->sampleFields.size());
    preview_->setRowCount(rows);
    const QFontMetrics metrics(preview_->font());
    std::vector<int> widths(static_cast<std::size_t>(n), 0);
    for (int r = 0; r < rows; ++r) {
        const auto& fields = scan->sampleFields[static_cast<std::size_t>(r)];
        for (int j = 0; j < static_cast<int>(fields.size()) && j < n; ++j) {
            const QString text = ShownValue(fields[static_cast<std::size_t>(j)]);
            preview_->setItem(r, j, new QTableWidgetItem(text));
            widths[static_cast<std::size_t>(j)] =
                std::max(widths[static_cast<std::size_t>(j)], metrics.horizontalAdvance(text));
        }
    }
    for (int j = 0; j < n; ++j) preview_->setColumnWidth(j, widths[static_cast<std::size_t>(j)] + 30);
    preview_->setUpdatesEnabled(true);
}

// ---- CImportConfPage02 --------------------------------------------------------------------

CImportConfPage02::CImportConfPage02(CImportConfSheet* sheet) : sheet_(sheet) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(U8("インポート(3/4) [分割データの項目への割り当て]"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(shell::dialogs::MakeLabel(
        this, U8("割り当て先の項目と割り当て元のデータを選んで「割り当て」をクリックしてください。")));
    auto* lists = new QHBoxLayout;
    targets_ = MakeList(this, kIdcTargets);
    pool_ = MakeList(this, kIdcPool);
    auto* buttons = new QVBoxLayout;
    assign_ = shell::dialogs::MakeButton(this, U8("<< 割り当て"), kIdcAssign);
    unassign_ = shell::dialogs::MakeButton(this, U8("解除 >>"), kIdcUnassign);
    buttons->addStretch(1);
    buttons->addWidget(assign_);
    buttons->addWidget(unassign_);
    buttons->addStretch(1);
    lists->addWidget(targets_, 3);
    lists->addLayout(buttons);
    lists->addWidget(pool_, 2);
    column->addLayout(lists, 1);
    auto* ruleRow = new QHBoxLayout;
    loadRule_ = shell::dialogs::MakeButton(this, U8("ＣＳＶ割り当てルールの読み込み"), kIdcLoadRule);
    ruleRow->addWidget(loadRule_);
    ruleRow->addStretch(1);
    column->addLayout(ruleRow);
    connect(assign_, &QPushButton::clicked, this, &CImportConfPage02::OnAssign);
    connect(unassign_, &QPushButton::clicked, this, &CImportConfPage02::OnUnassign);
    connect(loadRule_, &QPushButton::clicked, this, &CImportConfPage02::OnLoadRule);
    connect(pool_, &QTableWidget::cellDoubleClicked, this, &CImportConfPage02::OnPoolDoubleClicked);
    connect(targets_, &QTableWidget::cellDoubleClicked, this, &CImportConfPage02::OnTargetDoubleClicked);
}

void CImportConfPage02::SetUsable(bool usable) {
    for (QWidget* w : {static_cast<QWidget*>(targets_), static_cast<QWidget*>(pool_),
                       static_cast<QWidget*>(assign_), static_cast<QWidget*>(unassign_),
                       static_cast<QWidget*>(loadRule_)})
        w->setEnabled(usable);
    if (usable_ != usable) {
        usable_ = usable;
        emit completeChanged();
    }
}

void CImportConfPage02::OnSetActive() {
    const auto scan = sheet_->CheckFile();
    if (!scan || !scan->Usable()) {
        sheet_->SetRebuildLists(true);
        ClearList(targets_);
        ClearList(pool_);
        SetUsable(false);
        return;
    }
    if (sheet_->RebuildLists()) {
        ClearList(targets_);
        ClearList(pool_);
        targets_->setColumnCount(2);
        targets_->setHorizontalHeaderLabels({U8("割り当て先項目名"), U8("インポートデータ見本")});
        targets_->setColumnWidth(0, 140);
        targets_->setColumnWidth(1, 200);
        pool_->setColumnCount(1);
        pool_->setHorizontalHeaderLabels({U8("割り当て元データ")});
        pool_->setColumnWidth(0, 200);
        sheet_->SetRebuildLists(false);
        sheet_->SetMappingValid(false);
    }
    SetUsable(true);
    if (!sheet_->CheckSplit(*scan)) {
        usable_ = false;
        emit completeChanged();
        return;
    }
    if (!sheet_->MappingValid()) {
        sheet_->Labels() = scan->labels;
        sheet_->Mapping().Reset(static_cast<int>(scan->labels.size()));
        sheet_->RefreshTargetNames();
        targets_->setRowCount(0);
        targets_->setRowCount(ImportMapping::kTargetCount);
        for (int i = 0; i < ImportMapping::kTargetCount; ++i)
            SetCell(targets_, i, 0, ui::FromSjis(sheet_->TargetNames()[static_cast<std::size_t>(i)]));
    }
    RefreshLists();
}

void CImportConfPage02::RefreshLists() {
    const ImportMapping& mapping = sheet_->Mapping();
    const std::vector<std::string>& labels = sheet_->Labels();
    const auto label = [&labels](int column) {
        return column >= 0 && column < static_cast<int>(labels.size()) ? ShownValue(labels[static_cast<std::size_t>(column)])
                                                                        : QString();
    };
    for (int i = 0; i < targets_->rowCount() && i < ImportMapping::kTargetCount; ++i)
        SetCell(targets_, i, 1, label(mapping.SourceOf(i)));
    const std::vector<int>& pool = mapping.Pool();
    pool_->setRowCount(static_cast<int>(pool.size()));
    for (int k = 0; k < static_cast<int>(pool.size()); ++k) SetCell(pool_, k, 0, label(pool[static_cast<std::size_t>(k)]));
}

void CImportConfPage02::OnAssign() {
    if (sheet_->Mapping().Assign(SelectedRow(targets_), SelectedRow(pool_))) RefreshLists();
}

void CImportConfPage02::OnUnassign() {
    if (sheet_->Mapping().Unassign(SelectedRow(targets_))) RefreshLists();
}

void CImportConfPage02::OnPoolDoubleClicked() {
    if (SelectedRow(targets_) >= 0 && SelectedRow(pool_) >= 0) OnAssign();
}

void CImportConfPage02::OnTargetDoubleClicked() {
    if (SelectedRow(pool_) >= 0) OnAssign();
    else OnUnassign();
}

void CImportConfPage02::OnLoadRule() {
    ui::FileRequest request;
    request.defaultExt = QStringLiteral("tpl");
    request.fileName = rulePath_.empty() ? QStringLiteral("*.tpl") : ui::FromPath(rulePath_);
    request.filter = U8(kRuleFilter);
    request.fileMustExist = true;
    const auto picked = ui::CurrentFilePicker().PickFile(this, request);
    if (!picked || picked->isEmpty()) {
        ui::MessageBox(this, U8("ファイル名が指定されませんでしたので\r\n割り当てルールの読み込みをキャンセルしました"),
                       U8("割り当てルールの読み込み中止"), kInformation);
        return;
    }
    rulePath_ = ui::ToPath(*picked);
    if (ui::MessageBox(this, U8("このファイルで割り当てを行いますか？"), U8("割り当てルールの読み込み確認"), kAsk) !=
        platform::kIdYes)
        return;
    RuleReadResult result;
    {
        ui::WaitCursor wait;
        result = ReadMappingRule(rulePath_, sheet_->TargetNames(), sheet_->Labels(), sheet_->Mapping());
    }
    switch (result) {
    case RuleReadResult::kApplied:
        RefreshLists();
        ui::MessageBox(this, U8("割り当てルールの読み込みが完了しました"), U8("割り当てルールの読み込み"), kInformation);
        break;
    case RuleReadResult::kMismatch:
        ui::MessageBox(this,
                       U8("割り当て元データと割り当てルールの項目が一致しません。\r\n"
                          "割り当てルールの読み込みを中止しました"),
                       U8("割り当てルールの読み込み中止"), kInformation);
        break;
    case RuleReadResult::kFailed:
        ui::MessageBox(this, U8("何らかの原因で割り当てに失敗しました"), U8("割り当てルールの読み込み中止"), kExclamation);
        break;
    }
}

// ---- CImportConfPage03 --------------------------------------------------------------------

CImportConfPage03::CImportConfPage03(CImportConfSheet* sheet) : sheet_(sheet) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(U8("インポート(4/4) [インポート実行前の確認]"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(shell::dialogs::MakeLabel(
        this, U8("インポートされるデータの見本です(先頭から100行まで)。\r\n"
                 "よろしければ「完了」をクリックしてインポートを開始してください。")));
    preview_ = MakeList(this, kIdcPreview);
    column->addWidget(preview_, 1);
    auto* ruleRow = new QHBoxLayout;
    saveRule_ = shell::dialogs::MakeButton(this, U8("この割り当てルールをCSVファイルで保存する"), kIdcSaveRule);
    ruleRow->addWidget(saveRule_);
    ruleRow->addStretch(1);
    column->addLayout(ruleRow);
    connect(saveRule_, &QPushButton::clicked, this, &CImportConfPage03::OnSaveRule);
}

void CImportConfPage03::SetUsable(bool usable) {
    preview_->setEnabled(usable);
    saveRule_->setEnabled(usable);
    if (usable_ != usable) {
        usable_ = usable;
        emit completeChanged();
    }
}

void CImportConfPage03::BuildColumns() {
    addressui::CDBColumnInfo info;
    info.LoadColumnInfo();
    std::vector<std::string> extra;
    if (SystemOption* options = shell::GetSystemOption(); options == nullptr || options->GetSOExtractDataFromMemory(extra) < 0)
        extra.clear();
    extra.resize(20);
    ClearList(preview_);
    QStringList titles;
    std::vector<int> widths;
    const auto& order = addressui::CDBColumnInfo::DisplayOrder();
    for (int k = 0; k < addressui::CDBColumnInfo::kCaptionCount + 20; ++k) {
        const int element = order[static_cast<std::size_t>(k)];
        if (element == kElemCustomerID || element == kElemOtherMailOk) continue;
        titles << ui::FromSjis(k < addressui::CDBColumnInfo::kCaptionCount
                                   ? addressui::CDBColumnInfo::Caption(k)
                                   : extra[static_cast<std::size_t>(k - addressui::CDBColumnInfo::kCaptionCount)]);
        widths.push_back(info.GetColumnWidth(element));
    }
    preview_->setColumnCount(static_cast<int>(titles.size()));
    preview_->setHorizontalHeaderLabels(titles);
    for (int j = 0; j < static_cast<int>(widths.size()); ++j)
        if (widths[static_cast<std::size_t>(j)] > 0) preview_->setColumnWidth(j, widths[static_cast<std::size_t>(j)]);
}

void CImportConfPage03::OnSetActive() {
    const auto scan = sheet_->CheckFile();
    if (!scan || !scan->Usable()) {
        rebuildColumns_ = true;
        ClearList(preview_);
        SetUsable(false);
        return;
    }
    if (rebuildColumns_) {
        BuildColumns();
        rebuildColumns_ = false;
    }
    SetUsable(true);
    preview_->setRowCount(0);
    if (!sheet_->CheckSplit(*scan)) {
        usable_ = false;
        emit completeChanged();
        return;
    }
    preview_->setUpdatesEnabled(false);
    const auto& assignment = sheet_->Mapping().Assignment();
    const int rows = static_cast<int>(scan->sampleFields.size());
    const int columns = std::min(preview_->columnCount(), ImportMapping::kTargetCount);
    preview_->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const auto& fields = scan->sampleFields[static_cast<std::size_t>(r)];
        for (int j = 0; j < columns; ++j) {
            const int source = assignment[static_cast<std::size_t>(j)];
            if (source >= 0 && source < static_cast<int>(fields.size()))
                preview_->setItem(r, j, new QTableWidgetItem(ShownValue(fields[static_cast<std::size_t>(source)])));
        }
    }
    preview_->setUpdatesEnabled(true);
    sheet_->SetMappingValid(true);
}

void CImportConfPage03::OnSaveRule() {
    ui::FileRequest request;
    request.save = true;
    request.defaultExt = QStringLiteral("tpl");
    request.fileName = rulePath_.empty() ? QStringLiteral("*.tpl") : ui::FromPath(rulePath_);
    request.filter = U8(kRuleFilter);
    request.overwritePrompt = true;
    const auto picked = ui::CurrentFilePicker().PickFile(this, request);
    if (!picked || picked->isEmpty()) {
        ui::MessageBox(this, U8("ファイル名が指定されませんでしたので\r\n割り当てルールの保存をキャンセルしました"),
                       U8("割り当てルールの保存の中止"), kInformation);
        return;
    }
    rulePath_ = ui::ToPath(*picked);
    bool written;
    {
        ui::WaitCursor wait;
        written = WriteMappingRule(rulePath_, sheet_->TargetNames(), sheet_->Labels(), sheet_->Mapping());
    }
    if (written) ui::MessageBox(this, U8("割り当てルールの保存が完了しました"), U8("割り当てルールの保存"), kInformation);
    else ui::MessageBox(this, U8("何らかの原因でエクスポートに失敗しました"), U8("エクスポート失敗"), kExclamation);
}

// ---- CImportConfSheet ---------------------------------------------------------------------

CImportConfSheet::CImportConfSheet(QWidget* parent) : QWizard(parent) {
    setObjectName(QStringLiteral("CImportConfSheet"));
    setWindowTitle(QStringLiteral("Wizard"));
    setWizardStyle(QWizard::ClassicStyle);
    setOptions(QWizard::NoBackButtonOnStartPage | QWizard::IndependentPages | QWizard::NoDefaultButton);
    setButtonText(QWizard::BackButton, U8("< 戻る(&B)"));
    setButtonText(QWizard::NextButton, U8("次へ(&N) >"));
    setButtonText(QWizard::FinishButton, U8("完了"));
    setButtonText(QWizard::CancelButton, U8("キャンセル"));
    page00_ = new CImportConfPage00(this);
    page01_ = new CImportConfPage01(this);
    page02_ = new CImportConfPage02(this);
    page03_ = new CImportConfPage03(this);
    addPage(page00_);
    addPage(page01_);
    addPage(page02_);
    addPage(page03_);
    resize(720, 520);
    RefreshTargetNames();
    timer_ = new QTimer(this);
    timer_->setInterval(kTimerMs);
    connect(timer_, &QTimer::timeout, this, &CImportConfSheet::OnTick);
    wait_ = new ImportWaitDlg(this);
    connect(wait_, &ImportWaitDlg::StopRequested, this, &CImportConfSheet::OnStopRequested);
    connect(this, &QWizard::currentIdChanged, this, &CImportConfSheet::OnPageChanged);
}

CImportConfSheet::~CImportConfSheet() = default;

int CImportConfSheet::DoModal() { return exec(); }

void CImportConfSheet::RefreshTargetNames() { targetNames_ = ImportMapping::TargetNames(shell::GetSystemOption()); }

std::shared_ptr<const ImportScan> CImportConfSheet::CheckFile() {
    const std::string path = page00_->Path();
    const std::string separators = page01_->Separators();
    const char quote = page01_->Quote();
    std::shared_ptr<const ImportScan> scan = scans_.Cached(path, separators, quote);
    if (!scan) {
        RunWhileWaiting(
            this, [&] { scan = scans_.Get(path, separators, quote); }, U8("インポートファイルを読み込んでいます"),
            U8("件数により時間がかかる場合があります"), U8("しばらくお待ちください"));
    }
    if (scan && !scan->Usable()) TellFileCheck(this, scan->status, scan->badLine);
    return scan;
}

bool CImportConfSheet::CheckSplit(const ImportScan& scan) {
    if (scan.Splittable()) return true;
    if (scan.tooManyFields) {
        ui::MessageBox(this,
                       U8("ファイルの%1行目の項目が多すぎます(1行は%2項目までです)\r\n"
                          "区切り文字の設定かファイルの内容を確認してください")
                           .arg(scan.tooManyFieldsLine)
                           .arg(ImportScan::kMaxFields),
                       U8(kAnalysisCaption), kExclamation);
    } else {
        ui::MessageBox(this,
                       U8("インポート対象データの情報が取得できませんでした\r\nファイルの内容を確認してください"),
                       U8(kAnalysisCaption), kExclamation);
    }
    return false;
}

void CImportConfSheet::OnPageChanged(int id) {
    if (QWizardPage* p = page(id)) setWindowTitle(p->windowTitle());
    if (id == 1) page01_->OnSetActive();
    else if (id == 2) page02_->OnSetActive();
    else if (id == 3) page03_->OnSetActive();
}

void CImportConfSheet::accept() {
    if (running_ || currentPage() != page03_ || !page03_->isComplete()) return;
    const int answer = ui::MessageBox(
        this,
        U8("インポートを開始します\r\nインポート開始後に、インポートをキャンセルすることはできません\r\n"
           "よろしいですか？\r\n\r\n(インポートを中止したい場合はここで「いいえ」をクリックしてください)"),
        U8("インポート開始の確認"), kAsk);
    if (answer == platform::kIdYes) StartRun();
}

void CImportConfSheet::reject() {
    if (running_) return;
    const int answer = ui::MessageBox(
        this, U8("インポートをキャンセルします\r\n設定したインポート形式等は無効となります\r\nよろしいですか？"),
        U8("インポートキャンセルの確認"), kAsk);
    if (answer == platform::kIdYes) done(platform::kIdCancel);
}

void CImportConfSheet::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    QWizard::closeEvent(event);
}

void CImportConfSheet::StartRun() {
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    CsvImportRequest request;
    request.path = page00_->Path();
    request.separators = page01_->Separators();
    request.quote = page01_->Quote();
    request.assignment = mapping_.Assignment();
    if (SystemOption* options = shell::GetSystemOption())
        options->GetSODataFromMemoryPinPoint(109, request.duplicatePolicy);
    running_ = true;
    stop_.store(false);
    progress_.imported.store(0);
    wait_->SetMessages(U8("インポートの開始準備中です"), U8("件数により時間がかかる場合があります"),
                       U8("しばらくお待ちください"));
    wait_->Create(this);
    timer_->start();
    EnvManager* env = shell::GetEnvManager();
    SystemOption* options = shell::GetSystemOption();
    worker_.Start(
        this,
        [this, book, env, options, request] {
            if (book == nullptr) {
                ImportRunOutcome none;
                none.result = -12;
                return none;
            }
            return RunCsvImport(*book, env, options, request, progress_, stop_);
        },
        [this](ImportRunOutcome outcome) { OnRunDone(std::move(outcome)); });
}

void CImportConfSheet::OnTick() {
    if (!running_) return;
    if (stop_.load()) {
        // The importer clears the book's stop flag when it starts: set it again.
        if (CDatabaseEdit* book = shell::GetDatabaseEdit()) book->SetStopImportFlag(1);
        wait_->ShowMessages(U8("インポートを中止しています"), U8("個人情報をインポート前の状態に戻します"),
                            U8("しばらくお待ちください"));
        return;
    }
    wait_->ShowMessages(U8("インポート実行中"), U8("%1件").arg(progress_.imported.load()), U8("しばらくお待ちください"));
}

void CImportConfSheet::OnStopRequested() {
    stop_.store(true);
    OnTick();
}

void CImportConfSheet::OnRunDone(ImportRunOutcome outcome) {
    timer_->stop();
    wait_->End();
    running_ = false;
    if (outcome.stopped) {
        ui::MessageBox(this, U8("インポートが中断されました"), U8("インポート 中断"), kExclamation);
        done(-1);
        return;
    }
    if (outcome.result < 0) {
        ui::MessageBox(this, U8("インポート中に異常が発生しました\r\nインポートができませんでした"), U8("インポート失敗"),
                       kExclamation);
        ui::MessageBox(this, ui::FromSjis(outcome.errorText) + U8("\r\nインポートが中断されました"),
                       U8("インポートエラー"), kExclamation);
        done(-1);
        return;
    }
    if (!outcome.rejected.records.empty()) OfferErrorLog(outcome);
    shell::CDbSaveWaitDlg save(shell::CDbSaveWaitDlg::ProgramSave(), this);
    save.DoModal();
    ui::MessageBox(this, U8("インポートが完了しました"), U8("インポート完了"), kInformation);
    done(1);
}

void CImportConfSheet::OfferErrorLog(const ImportRunOutcome& outcome) {
    const std::vector<ImportRejection>& records = outcome.rejected.records;
    // Each refused line by its number, as the file has it, and why: enough to find it in
    // the file and mend it.
    QString text = U8("下記のデータはインポートができませんでした\r\n\r\n");
    const int shown = std::min<int>(kShownRejected, static_cast<int>(records.size()));
    for (int k = 0; k < shown; ++k) {
        const ImportRejection& r = records[static_cast<std::size_t>(k)];
        text += U8("%1行目: ").arg(r.line) + ShownRecord(r.bytes, outcome.rejected.utf8) + QStringLiteral("\r\n");
        QString why = QString::fromStdString(r.reason);
        if (why.endsWith(QChar(u'、'))) why.chop(1);  // the phrases' joint, not needed after the last
        text += U8("　→ ") + why + QStringLiteral("\r\n");
    }
    if (static_cast<int>(records.size()) > kShownRejected) text += U8("\r\n<<以下、続く>>\r\n");
    text += U8("\r\n\r\nエラー結果を保存しますか？\r\n(インポートできなかった行を、元のファイルのとおりに保存します)");
    for (;;) {
        if (ui::MessageBox(this, text, U8("エラーログの保存"), platform::kMbYesNo | platform::kMbIconWarning) !=
            platform::kIdYes)
            return;
        ui::FileRequest request;
        request.save = true;
        request.defaultExt = QStringLiteral("csv");
        request.fileName = QStringLiteral("*.csv");
        request.filter = U8("全て(*.*)|*.*||");
        request.overwritePrompt = true;
        const auto picked = ui::CurrentFilePicker().PickFile(this, request);
        if (!picked) continue;
        if (picked->isEmpty()) {
            ui::MessageBox(this, U8("エラーログの保存先ファイル名が取得できませんでした"), U8("ファイルに書き込めません"),
                           kExclamation);
            continue;
        }
        if (!platform::WriteFileAtomically(ui::ToPath(*picked), outcome.rejected.FileBytes())) {
            ui::MessageBox(this,
                           U8("選択したファイルは、なんらかの原因で書き込めません\r\n\r\n"
                              "・他のアプリケーションで使用していないか\r\n・書き込み禁止状態になっていないか\r\n\r\n"
                              "などを確認してください"),
                           U8("ファイルに書き込めません"), kExclamation);
            continue;
        }
        return;
    }
}

}  // namespace settings
