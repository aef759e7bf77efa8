#include "app/addressui/equal_value_dlg.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <unordered_set>
#include <utility>

#include "app/addressui/csv_export.h"
#include "app/addressui/value_list_model.h"
#include "app/addressui/view_selection.h"
#include "app/dialogs/dialog_parts.h"
#include "app/dialogs/wait_dlg.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

QListView* MakeList(QWidget* parent, ValueListModel* model, int id) {
    auto* list = ui::SetControlId(new QListView(parent), id);
    list->setModel(model);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setUniformItemSizes(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setMinimumSize(200, 260);
    return list;
}

}  // namespace

CEqualValueDlg::CEqualValueDlg(int element, QWidget* parent) : QDialog(parent), element_(element) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(ui::U8("同値条件の選択"));
    sourceModel_ = new ValueListModel(this);
    chosenModel_ = new ValueListModel(this);
    wait_ = new shell::CWaitDlg(this);

    auto* column = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(shell::dialogs::MakeLabel(this, ui::U8("選択前のデータ")), 0, 0);
    grid->addWidget(shell::dialogs::MakeLabel(this, ui::U8("選択されたデータ")), 0, 2);
    source_ = MakeList(this, sourceModel_, kIdcSource);
    chosen_ = MakeList(this, chosenModel_, kIdcChosen);
    grid->addWidget(source_, 1, 0);
    grid->addWidget(chosen_, 1, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    auto* add = shell::dialogs::MakeButton(this, ui::U8(">>追加>>"), kIdcAdd);
    auto* addAll = shell::dialogs::MakeButton(this, ui::U8(">>全追加>>"), kIdcAddAll);
    auto* remove = shell::dialogs::MakeButton(this, ui::U8("<<削除<<"), kIdcRemove);
    auto* removeAll = shell::dialogs::MakeButton(this, ui::U8("<<全削除<<"), kIdcRemoveAll);
    for (QPushButton* b : {add, addAll, remove, removeAll}) buttons->addWidget(b);
    buttons->addStretch();
    grid->addLayout(buttons, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    column->addLayout(grid);
    column->addWidget(shell::dialogs::MakeLabel(
        this, ui::U8("※注意：条件の長さは最大半角で30000文字\r\n   の制限があります(区切り文字も含む)")));
    shell::dialogs::AddOkCancelRow(column, this, true);

    connect(add, &QPushButton::clicked, this, [this] { Move(source_, chosen_, false); });
    connect(addAll, &QPushButton::clicked, this, [this] { Move(source_, chosen_, true); });
    connect(remove, &QPushButton::clicked, this, [this] { Move(chosen_, source_, false); });
    connect(removeAll, &QPushButton::clicked, this, [this] { Move(chosen_, source_, true); });
    connect(source_, &QListView::doubleClicked, this, [this] { Move(source_, chosen_, false); });
    connect(chosen_, &QListView::doubleClicked, this, [this] { Move(chosen_, source_, false); });
}

CEqualValueDlg::~CEqualValueDlg() = default;

const std::vector<std::string>& CEqualValueDlg::SourceValues() const { return sourceModel_->Values(); }
const std::vector<std::string>& CEqualValueDlg::ChosenValues() const { return chosenModel_->Values(); }

int CEqualValueDlg::DoModal() { return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel; }

std::string CEqualValueDlg::BuildResult(const std::vector<std::string>& values) {
    std::string out;
    bool first = true;
    for (const std::string& v : values) {
        if (!first) out += ',';
        first = false;
        out += '"';
        for (const char c : v) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

std::vector<std::string> CEqualValueDlg::OfferedValues(int element, std::vector<std::string> distinct) {
    if (element != 8) return distinct;
    // Birth dates are offered as their date; two stored times of one day are one value.
    std::vector<std::string> dates;
    std::unordered_set<std::string> seen;
    for (const std::string& v : distinct) {
        std::string date = CutAtCharacter(v, 10);
        if (seen.insert(date).second) dates.push_back(std::move(date));
    }
    return dates;
}

void CEqualValueDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        StartLoading();
    }
}

void CEqualValueDlg::StartLoading() {
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    if (book == nullptr) return;
    setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    wait_->SetMessages(ui::U8("個人情報に登録されているデータを一覧表示します"),
                       ui::U8("情報件数により時間がかかる場合があります"), ui::U8("しばらくお待ちください"));
    wait_->Create(this);
    const int element = element_;
    worker_.Start(
        this,
        [book, element] {
            std::vector<std::string> values;
            if (book->GetDBElementGroupBy(element, values, 0, 0) < 0) values.clear();
            return OfferedValues(element, std::move(values));
        },
        [this](std::vector<std::string> values) {
            sourceModel_->SetValues(std::move(values));
            wait_->End();
            QGuiApplication::restoreOverrideCursor();
            setEnabled(true);
        });
}

void CEqualValueDlg::Move(QListView* from, QListView* to, bool all) {
    auto* fromModel = static_cast<ValueListModel*>(from->model());
    auto* toModel = static_cast<ValueListModel*>(to->model());
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    toModel->Append(all ? fromModel->TakeAll() : fromModel->TakeRows(SelectedRows(from)));
    QGuiApplication::restoreOverrideCursor();
}

void CEqualValueDlg::accept() {
    if (worker_.Busy()) return;
    result_ = BuildResult(chosenModel_->Values());
    if (result_.size() > kMaxResultBytes) {
        const QString text = ui::U8("条件の長さが半角換算で") + QString::number(result_.size()) +
                             ui::U8("文字あります\r\nこのソフトでは、条件は半角で30000文字までです");
        result_.clear();
        ui::MessageBox(this, text, ui::U8("条件が長すぎます"), platform::kMbOk | platform::kMbIconWarning);
        return;
    }
    QDialog::accept();
}

void CEqualValueDlg::reject() {
    if (worker_.Busy()) return;
    QDialog::reject();
}

}  // namespace addressui
