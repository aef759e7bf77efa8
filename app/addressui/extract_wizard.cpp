#include "app/addressui/extract_wizard.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include "app/addressui/extract_condition_page.h"
#include "app/addressui/extract_condition_text.h"
#include "app/addressui/extract_result_page.h"
#include "app/addressui/name_dlgs.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/extract_list_viewer.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

const char* const kNewListFailed = "宛先の新規作成に失敗しました";
const char* const kSaveFailed = "宛先の保存に失敗しました";

}  // namespace

CExtractSheet::CExtractSheet(ExtractListViewer* lists, int kind, int id, const QString& caption, QWidget* parent,
                             int selectPage)
    : CVarnisPropertySheet(caption, parent, selectPage), lists_(lists), id_(id), changed_(id == -1) {
    setObjectName(QStringLiteral("CExtractSheet"));
    EnvManager* env = shell::GetEnvManager();
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    action_.SetEnvManager(env);
    action_.SetDatabaseEdit(book);
    action_.SetTypeAndID(static_cast<ECTYPE>(kind), id);
    if (action_.GetExtractConditionFromFileToMemory(0, nullptr) != 0)
        loadError_ = ui::U8("抽出条件の読み込みに失敗しました\r\n") + ui::FromSjis(action_.GetErrMsg().GetLastMsg());
    result_.SetEnvManager(env);
    result_.SetMailListViewer(shell::GetMailListViewer());
    result_.SetExtractListViewer(lists);
    result_.SetDatabaseEdit(book);
    result_.SetTypeAndID(static_cast<ERTYPE>(kind), id);

    const std::vector<DB_Element_Info> fields = ExtractFieldList(book);
    conditionPages_ = {new CExtractPage01, new CExtractPage02, new CExtractPage03};
    const char* const titles[] = {"グループA ＋", "グループB ＋", "グループC ="};
    for (int tab = 0; tab < ExtractAction::kGroups; ++tab) {
        CExtractConditionPage* page = conditionPages_[static_cast<std::size_t>(tab)];
        page->SetExtractAction(&action_, fields);
        page->SetChangedCallback([this] { SetChanged(true); });
        AddPage(page, ui::U8(titles[tab]));
    }
    resultPage_ = new CExtractPageResult(this, &action_, &result_);
    resultPage_->InitPage();
    AddPage(resultPage_, ui::U8("最終抽出結果"));

    // The run button and the hint sit left of OK, in OK's font.
    QPushButton* ok = ui::FindControl<QPushButton>(this, kIdcOk);
    ui::FindControl<QPushButton>(this, kIdcApply)->hide();
    auto* row = qobject_cast<QHBoxLayout*>(ok->parentWidget()->layout());
    runButton_ = ui::SetControlId(new QPushButton(ui::U8("抽出を実行する"), ok->parentWidget()), kIdcRunExtraction);
    runButton_->setAutoDefault(false);
    runButton_->setFont(ok->font());
    hint_ = new QLabel(ui::U8("条件を設定した後、抽出を行ってください。"), ok->parentWidget());
    hint_->setTextFormat(Qt::PlainText);
    hint_->setFont(ok->font());
    const int at = row->indexOf(ok);
    row->insertWidget(at, runButton_);
    row->insertWidget(at, hint_);
    connect(runButton_, &QPushButton::clicked, this, [this] { RunFromSheet(); });
}

CExtractSheet::~CExtractSheet() = default;

CExtractConditionPage* CExtractSheet::ConditionPage(int tab) const {
    return tab >= 0 && tab < ExtractAction::kGroups ? conditionPages_[static_cast<std::size_t>(tab)] : nullptr;
}

void CExtractSheet::SetChanged(bool changed) {
    changed_ = changed;
    if (!changed) savedRunStart_ = runStart_;
}

int CExtractSheet::DoModal() {
    if (!loadError_.isEmpty()) {
        ui::MessageBox(parentWidget(), loadError_, ui::U8("エラー"), platform::kMbOk | platform::kMbIconError);
        return platform::kIdCancel;
    }
    if (wizardMode_) {
        setWindowTitle(windowTitle() + ui::U8(" － ウィザードモード"));
        guidancePending_ = true;
    }
    return CVarnisPropertySheet::DoModal();
}

void CExtractSheet::showEvent(QShowEvent* event) {
    CVarnisPropertySheet::showEvent(event);
    if (guidancePending_) {
        guidancePending_ = false;
        QTimer::singleShot(0, this, [this] { ShowGuidance(); });
    }
}

void CExtractSheet::ShowGuidance() {
    ui::MessageBox(this,
                   ui::U8("[グループＡ～Ｃ]タブで抽出条件を設定して、\r\n[抽出を実行する]ボタンをクリックしてください。"),
                   windowTitle(), platform::kMbOk | platform::kMbIconInformation);
}

void CExtractSheet::BeginBusy() {
    if (busyCount_++ > 0) return;
    busy_ = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
}

void CExtractSheet::EndBusy() {
    if (busyCount_ == 0 || --busyCount_ > 0) return;
    busy_ = false;
    QGuiApplication::restoreOverrideCursor();
    setEnabled(true);
}

void CExtractSheet::RunFromSheet() {
    if (!SetActivePage(GetPageCount() - 1)) return;
    resultPage_->Run();
}

void CExtractSheet::ShowStoreError(const std::string& sjis, const QString& caption) {
    ui::MessageBox(this, ui::FromSjis(sjis), caption, platform::kMbOk | platform::kMbIconWarning);
}

void CExtractSheet::accept() {
    if (busy_) return;
    if (changed_) {
        ui::MessageBox(this, ui::U8("抽出条件を変更した場合は、\n再抽出を行わないと保存ができません。"),
                       ui::U8("再抽出をしてください"), platform::kMbOk | platform::kMbIconWarning);
        SetActivePage(GetPageCount() - 1);
        return;
    }
    if (lists_ == nullptr) return;
    if (id_ == -1 ? SaveNewList() : SaveExistingList()) CVarnisPropertySheet::accept();
}

bool CExtractSheet::SaveNewList() {
    CDestNameDlg nameDlg(this);
    if (nameDlg.DoModal() != platform::kIdOk) return false;
    const int newId = lists_->GetNewExtractID();
    if (newId < 0) {
        ShowStoreError(lists_->GetErrMsg().GetLastMsg(), ui::U8(kNewListFailed));
        return false;
    }
    // The files first, the entry last: a failure leaves no listed destination without them.
    if (result_.WriteAllOnMemoryDBIDToFileNew(newId) != 0) {
        ShowStoreError(result_.GetErrMsg().GetLastMsg(), ui::U8(kNewListFailed));
        return false;
    }
    if (action_.WriteAllExtractConditionOnMemoryToFileNew(newId) != 0) {
        ShowStoreError(action_.GetErrMsg().GetLastMsg(), ui::U8(kNewListFailed));
        return false;
    }
    ExtractViewData entry;
    entry.id = newId;
    entry.name = nameDlg.GetName();
    if (lists_->InsertExtractList(entry) == 0) {
        // The conditions took the new ID; the sheet goes on as a new list.
        action_.SetTypeAndID(EC_TYPE_EXTRACT, -1);
        ShowStoreError(lists_->GetErrMsg().GetLastMsg(), ui::U8(kNewListFailed));
        return false;
    }
    if (!LastUpdateToStore().empty()) lists_->CorrectExtractListPinPoint(LastUpdateToStore().c_str(), newId, 2);
    id_ = newId;
    return true;
}

bool CExtractSheet::SaveExistingList() {
    if (result_.WriteAllOnMemoryDBIDToFile() != 0) {
        ShowStoreError(result_.GetErrMsg().GetLastMsg(), ui::U8(kSaveFailed));
        return false;
    }
    if (action_.WriteAllExtractConditionOnMemoryToFile() != 0) {
        ShowStoreError(action_.GetErrMsg().GetLastMsg(), ui::U8(kSaveFailed));
        return false;
    }
    CDestNameDlg nameDlg(this);
    std::string name;
    lists_->GetExtractName(id_, name);
    nameDlg.SetName(name);
    if (nameDlg.DoModal() != platform::kIdOk) return false;
    if (lists_->CorrectExtractListPinPoint(nameDlg.GetName().c_str(), id_, 1) == 0 ||
        (!LastUpdateToStore().empty() &&
         lists_->CorrectExtractListPinPoint(LastUpdateToStore().c_str(), id_, 2) == 0) ||
        lists_->WriteAllExtractListToFile() == 0) {
        ShowStoreError(lists_->GetErrMsg().GetLastMsg(), ui::U8(kSaveFailed));
        return false;
    }
    return true;
}

void CExtractSheet::reject() {
    if (busy_) return;
    CVarnisPropertySheet::reject();
}

void CExtractSheet::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    CVarnisPropertySheet::closeEvent(event);
}

}  // namespace addressui
