#include "app/addressui/new_dest_list.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "app/dialogs/dialog_parts.h"
#include "app/environment/environment_service.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/extract_result_detail.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

constexpr const char* kFailedCaption = "宛先の新規作成に失敗しました";

NewDestListResult Failed(const std::string& sjisText) {
    NewDestListResult r;
    r.text = ui::FromSjis(sjisText);
    r.caption = ui::U8(kFailedCaption);
    return r;
}

}  // namespace

CNewDestNameDlg::CNewDestNameDlg(QWidget* parent) : NameDialogBase(kIdd, kIdcName, parent) {
    setWindowTitle(ui::U8("新規宛先作成"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(shell::dialogs::MakeLabel(
        this, ui::U8("指定されたアドレスで宛先を作成します。\n\n宛先に付ける名前を入力してください。\n"
                     "今後宛先として使用するとこの識別名になります。")));
    Edit()->setMinimumWidth(320);
    column->addWidget(Edit());
    column->addWidget(shell::dialogs::MakeLabel(this, ui::U8("※未入力不可です。")));
    column->addWidget(
        shell::dialogs::MakeLabel(this, ui::U8("OKを押すと、個人情報一覧画面は自動的に閉じ、アドレス帳に切り替わります。")));
    shell::dialogs::AddOkCancelRow(column, this, true);
}

void CNewDestNameDlg::showEvent(QShowEvent* event) {
    NameDialogBase::showEvent(event);
    QLineEdit* edit = Edit();
    QTimer::singleShot(0, edit, [edit] { edit->setFocus(); });
}

void CNewDestNameDlg::accept() {
    if (Edit()->text().isEmpty()) {
        ui::MessageBox(this, ui::U8("宛先名称の未入力はできません"), ui::U8("宛先名称を入力してください"),
                       platform::kMbOk | platform::kMbIconWarning);
        Edit()->setFocus();
        return;
    }
    Store();
    QDialog::accept();
}

std::string CustomerIdCondition(const std::vector<int>& ids) {
    std::string text;
    text.reserve(ids.size() * 10);
    for (std::size_t k = 0; k < ids.size(); ++k) {
        if (k > 0) text += ',';
        text += '"';
        text += std::to_string(ids[k]);
        text += '"';
    }
    return text;
}

NewDestListResult MakeDestinationList(ExtractListViewer& lists, const std::string& name, const std::vector<int>& ids) {
    // The checks first: nothing is taken or written for a list that cannot be made.
    const std::string condition = CustomerIdCondition(ids);
    if (condition.size() > kMaxConditionBytes) {
        NewDestListResult r;
        r.text = ui::U8("条件の長さが半角換算で") + QString::number(condition.size()) +
                 ui::U8("文字あります\r\nこのソフトでは、条件は半角で30000文字までです");
        r.caption = ui::U8("条件が長すぎます");
        return r;
    }
    EnvManager* env = shell::GetEnvManager();
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    ExtractResultDetail members;
    if (members.SetEnvManager(env) == 0 || members.SetMailListViewer(shell::GetMailListViewer()) == 0 ||
        members.SetExtractListViewer(&lists) == 0 || members.SetDatabaseEdit(book) == 0 ||
        members.SetTypeAndID(ER_TYPE_EXTRACT, -1) != 0 || members.ALLRemoveDBID() != 0)
        return Failed(members.GetErrMsg().GetLastMsg());
    ExtractAction action;
    if (action.SetEnvManager(env) == 0 || action.SetDatabaseEdit(book) == 0 ||
        action.SetTypeAndID(EC_TYPE_EXTRACT, -1) != 0 || action.GetExtractConditionFromFileToMemory(0, nullptr) != 0)
        return Failed(action.GetErrMsg().GetLastMsg());
    if (members.SetDBIDFromCListInt(ids, 0, 0) != 0) return Failed(members.GetErrMsg().GetLastMsg());
    OneExtractCondition byId;
    byId.element = kElemCustomerID;
    byId.kind = "E";
    ExtractAction::DivideExtractCsv(condition, byId.values);
    byId.equalFlag = "Y";
    byId.rangeFlag = "Y";
    if (action.SetExtractConditionFromStructToMemory(byId, 0, 0) != 0) return Failed(action.GetErrMsg().GetLastMsg());

    // Then the ID, the files under it, and the entry last.
    const int id = lists.GetNewExtractID();
    if (id < 0) return Failed(lists.GetErrMsg().GetLastMsg());
    if (members.WriteAllOnMemoryDBIDToFileNew(id) != 0) return Failed(members.GetErrMsg().GetLastMsg());
    if (action.WriteAllExtractConditionOnMemoryToFileNew(id) != 0) return Failed(action.GetErrMsg().GetLastMsg());
    ExtractViewData entry;
    entry.id = id;
    entry.name = name;
    if (lists.InsertExtractList(entry) == 0) return Failed(lists.GetErrMsg().GetLastMsg());
    NewDestListResult r;
    r.ok = true;
    r.id = id;
    return r;
}

}  // namespace addressui
