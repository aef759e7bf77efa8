#include "app/composer/composed_mail_destinations.h"

#include <unordered_set>

#include "app/compose/destinations_by_terminal.h"
#include "app/composer/compose_dialog_hooks.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/file_info.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/one_mail_data.h"
#include "platform/notifier.h"

namespace compose {

namespace {

using ui::U8;

// "Y": refresh a composed mail's destinations without asking and without the notice.
constexpr int kOptionSilentRefresh = 11;

bool OptionIsYes(SystemOption* options, int index) {
    std::string value;
    return options != nullptr && options->GetSODataFromMemoryPinPoint(index, value) == 0 && value == "Y";
}

// The conditions of (kind, id) copied to mail `mailId`.
QString CopyConditions(const CheckStores& stores, ECTYPE kind, int id, int mailId) {
    ExtractAction action;
    action.SetEnvManager(stores.env);
    action.SetDatabaseEdit(stores.book);
    if (action.SetTypeAndID(kind, id) != 0) return U8("抽出条件の操作対象を設定できません");
    if (action.GetExtractConditionFromFileToMemory(0, nullptr) != 0) return U8("抽出条件をファイルから読み込めません");
    if (action.SetTypeAndID(EC_TYPE_MAIL, mailId) != 0) return U8("抽出条件の操作対象を設定できません");
    if (action.WriteAllExtractConditionOnMemoryToFileCompel() != 0) return U8("抽出条件をファイルへ書き込めません");
    return QString();
}

void BindDetail(const CheckStores& stores, ExtractResultDetail& detail, ExtractListViewer* lists) {
    detail.SetEnvManager(stores.env);
    if (stores.mails != nullptr) detail.SetMailListViewer(stores.mails);
    detail.SetExtractListViewer(lists);
    detail.SetDatabaseEdit(stores.book);
}

bool BindHistory(const CheckStores& stores, HistoryListViewer& history) {
    history.SetEnvManager(stores.env);
    if (stores.options != nullptr) history.SetSystemOption(stores.options);
    if (stores.book != nullptr) history.SetDatabaseEdit(stores.book);
    if (stores.mails != nullptr) history.SetMailListViewer(stores.mails);
    return true;
}

bool ReadHistory(HistoryListViewer& history) {
    const int r = history.GetHDataFromFileToMemory();
    return r >= 0 || r == -21 || r == -22;
}

bool Ready(const CheckStores& stores) {
    return stores.env != nullptr && stores.book != nullptr && stores.mails != nullptr;
}

}  // namespace

ComposedDestinations::ComposedDestinations(const CheckStores& stores) : stores_(stores) {}

ComposedDestinations::~ComposedDestinations() = default;

QString ComposedDestinations::CopyListIntoMail(int listId, int mailId, std::vector<int>* written) {
    COneMailData mail;
    if (!Ready(stores_) || stores_.mails->GetMailData(mailId, mail) != 0) return U8("メール情報の取得に失敗しました");
    const std::string special = mail.GetSpecialFlag();
    if (special.size() != 2) return U8("メールの種類が不明です");
    const char kind = special[1];
    if (QString failed = CopyConditions(stores_, EC_TYPE_EXTRACT, listId, mailId); !failed.isEmpty()) return failed;

    ExtractListViewer lists;
    lists.SetEnvManager(stores_.env, 0);
    if (lists.SetExtractListFromFile(0, nullptr) < 0) return U8("宛先一覧をファイルから読み込めません");
    ExtractResultDetail detail;
    BindDetail(stores_, detail, &lists);
    if (detail.SetTypeAndID(ER_TYPE_EXTRACT, listId) != 0) return U8("宛先詳細の操作対象を設定できません");
    const int read = detail.GetDBIDListFromFileToMemory(0, nullptr);
    if (read != 0 && read != -32) return U8("宛先詳細をファイルから読み込めません");
    std::vector<int> ids;
    if (detail.GetDBIDToCListInt(ids, 0) < 0) return U8("宛先詳細を個人情報IDリストとして取得できません");

    HistoryListViewer history;
    BindHistory(stores_, history);
    if (history.SetMailID(mailId) != 0) return U8("送信履歴の操作対象を設定できません");
    if (!ReadHistory(history)) return U8("操作履歴をファイルから読み込めません");

    // Whom the kind can reach, in one pass over the book.
    std::unordered_set<int> reachable;
    const bool html = kind == 'Y' || kind == 'M';
    if (html) {
        TerminalIdLists byTerminal;
        SortDestinationsByTerminal(*stores_.book, ids, kind, byTerminal);
        for (const std::vector<int>& list : byTerminal) reachable.insert(list.begin(), list.end());
    }
    std::vector<int> removed;
    for (int id : ids) {
        if (html && reachable.count(id) == 0) {
            removed.push_back(id);
            continue;
        }
        const int retry = history.CheckRetrySendOK(id, 0);
        if (retry != 0 && retry != -4) removed.push_back(id);
    }
    if (!removed.empty() && detail.RemoveDBIDs(removed) < 0) return U8("宛先詳細をファイルへ保存できません");
    if (detail.SetTypeAndID(ER_TYPE_MAIL, mailId) != 0) return U8("宛先詳細の操作対象を設定できません");
    if (detail.WriteAllOnMemoryDBIDToFileCompel() != 0) return U8("宛先詳細をファイルへ保存できません");
    if (written != nullptr && detail.GetDBIDToCListInt(*written, 0) < 0) return U8("宛先詳細をリスト化できません");
    return QString();
}

QString ComposedDestinations::CopyHistoryIntoMail(int sourceMailId, int mailId, std::vector<int>* written) {
    if (!Ready(stores_)) return U8("抽出条件の操作対象を設定できません");
    if (QString failed = CopyConditions(stores_, EC_TYPE_MAIL, sourceMailId, mailId); !failed.isEmpty()) return failed;

    HistoryListViewer history;
    BindHistory(stores_, history);
    if (history.SetMailID(sourceMailId) != 0) return U8("送信履歴の操作対象を設定できません");
    if (!ReadHistory(history)) return U8("操作履歴をファイルから読み込めません");
    std::vector<int> ids;
    if (history.GetCustomerIDList(ids, 1, 1) < 0) return U8("宛先詳細を個人情報IDリストとして取得できません");

    ExtractListViewer lists;
    lists.SetEnvManager(stores_.env, 0);
    if (lists.SetExtractListFromFile(0, nullptr) < 0) return U8("宛先一覧をファイルから読み込めません");
    ExtractResultDetail detail;
    BindDetail(stores_, detail, &lists);
    if (detail.SetTypeAndID(ER_TYPE_MAIL, mailId) != 0) return U8("宛先詳細の操作対象を設定できません");
    if (detail.ALLRemoveDBID() != 0) return U8("宛先詳細の全削除ができません");
    if (detail.SetDBIDFromCListInt(ids, 0, 0) != 0) return U8("宛先詳細に個人情報IDリストから設定できません");
    if (detail.WriteAllOnMemoryDBIDToFileCompel() != 0) return U8("宛先詳細をファイルに書き出せません");
    if (written != nullptr && detail.GetDBIDToCListInt(*written, 0) < 0) return U8("宛先詳細をリスト化できません");
    return QString();
}

QString ComposedDestinations::RefreshCheck(QWidget* parent, int mailId, bool withSnapshot) {
    if (!Ready(stores_)) return U8("メール情報の取得に失敗しました");
    std::string fileTime;
    platform::DateTime bookTime;
    if (GetFileStat_LastRenewalDate(env_layout::DatabaseFile(*stores_.env), fileTime) == 0 ||
        !bookTime.ParseDateTime(fileTime))
        return U8("個人情報ファイルの最終更新日時取得に失敗しました");
    COneMailData mail;
    if (stores_.mails->GetMailData(mailId, mail) != 0) return U8("メール情報の取得に失敗しました");
    if (!(mail.GetSetAddressDate() < bookTime)) return QString();

    const bool silent = OptionIsYes(stores_.options, kOptionSilentRefresh);
    if (!silent) {
        const QString question =
            U8("個人情報の更新が確認されました\r\n個人情報の更新内容に合わせて、メールID[%1]の宛先を最新の状態に更新します"
              "\r\nよろしいですか？\r\n\r\n(ヒント：この確認メッセージを無くしたい場合は、システム設定で設定をしてください)")
                .arg(mailId);
        if (ui::MessageBox(parent, question, U8("宛先を最新状態にします"),
                           platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes)
            return QString();
    }

    if (withSnapshot) {
        conditions_.reset();
        ids_.reset();
        auto conditions = std::make_unique<ExtractAction>();
        conditions->SetEnvManager(stores_.env);
        conditions->SetDatabaseEdit(stores_.book);
        if (conditions->SetTypeAndID(EC_TYPE_MAIL, mailId) != 0) return U8("抽出条件の操作対象を設定できません");
        if (conditions->GetExtractConditionFromFileToMemory(0, nullptr) != 0)
            return U8("抽出条件をファイルから読み込めません");
        auto ids = std::make_unique<ExtractResultDetail>();
        BindDetail(stores_, *ids, nullptr);
        if (ids->SetTypeAndID(ER_TYPE_MAIL, mailId) != 0) return U8("宛先詳細の操作対象を設定できません");
        const int read = ids->GetDBIDListFromFileToMemory(0, nullptr);
        if (read != 0 && read != -31 && read != -32) return U8("宛先詳細をファイルから読み込めません");
        conditions_ = std::move(conditions);
        ids_ = std::move(ids);
        renewal_ = mail.GetRenewalDate();
        addressSet_ = mail.GetSetAddressDate();
    }

    const auto& renew = GetComposeDialogHooks().renewDestinations;
    if (!renew || !renew(parent, mailId)) {
        // The dates stay: the mail still counts as out of date.
        return U8("メールID[%1]の宛先を最新の状態にできませんでした").arg(mailId);
    }
    if (stores_.mails->GetMailData(mailId, mail) != 0) return U8("メール情報の取得に失敗しました");
    const platform::DateTime now = platform::DateTime::GetCurrentTime();
    mail.SetDate(COneMailData::kRenewalDate, now, 0);
    mail.SetDate(COneMailData::kSetAddressDate, now, 0);
    if (stores_.mails->SetMailData(mail) != 0) return U8("メール情報の設定に失敗しました");
    if (stores_.mails->WriteMailList(0) != 0) return U8("メール情報の保存に失敗しました");
    if (!silent) {
        ui::MessageBox(parent, U8("メールID[%1]の宛先を最新の状態にしました").arg(mailId), U8("宛先を最新にしました"),
                       platform::kMbOk | platform::kMbIconInformation);
    }
    return QString();
}

void ComposedDestinations::WriteBackSnapshot(int mailId) {
    if (!HasSnapshot() || mailId < 0 || !Ready(stores_)) return;
    conditions_->WriteAllExtractConditionOnMemoryToFileCompel();
    ids_->WriteAllOnMemoryDBIDToFileCompel();
    COneMailData mail;
    if (stores_.mails->GetMailData(mailId, mail) != 0) return;
    mail.SetDate(COneMailData::kRenewalDate, renewal_, 0);
    mail.SetDate(COneMailData::kSetAddressDate, addressSet_, 0);
    if (stores_.mails->SetMailData(mail) == 0) stores_.mails->WriteMailList(0);
}

// ---- The setup wizard's assignment -------------------------------------------------------

bool AssignListToMail(QWidget* parent, int mailId, int listId, const QString& listName) {
    const CheckStores stores = CheckStores::Program();
    auto fail = [parent](const char* text, const char* caption) {
        ui::MessageBox(parent, U8(text), U8(caption), platform::kMbOk | platform::kMbIconWarning);
        return false;
    };
    COneMailData mail;
    if (stores.mails == nullptr || stores.mails->GetMailData(mailId, mail) != 0)
        return fail("メール情報の取得に失敗しました", "メール情報取得失敗");

    constexpr const char* kAssign = "宛先割り当て失敗";
    ExtractAction action;
    if (action.SetEnvManager(stores.env) != 1)
        return fail("アドレス帳からメールに宛先を割り当てる時、環境情報の設定に失敗しました", kAssign);
    if (action.SetDatabaseEdit(stores.book) != 1)
        return fail("アドレス帳からメールに宛先を割り当てる時、個人情報の設定に失敗しました", kAssign);
    if (action.SetTypeAndID(EC_TYPE_EXTRACT, listId) != 0)
        return fail("アドレス帳からメールに宛先を割り当てる時、モード切替(アドレス帳)に失敗しました", kAssign);
    if (action.GetExtractConditionFromFileToMemory(0, nullptr) != 0)
        return fail("アドレス帳からメールに宛先を割り当てる時、データの読み込みに失敗しました", kAssign);
    if (action.SetTypeAndID(EC_TYPE_MAIL, mailId) != 0)
        return fail("アドレス帳からメールに宛先を割り当てる時、モード切替(メール付属)に失敗しました", kAssign);
    if (action.WriteAllExtractConditionOnMemoryToFileCompel() != 0)
        return fail("アドレス帳からメールに宛先を割り当てる時、データの保存に失敗しました", kAssign);

    constexpr const char* kList = "宛先リスト取得失敗";
    ExtractListViewer lists;
    if (lists.SetEnvManager(stores.env, 0) != 1) return fail("宛先リスト取得時、環境情報の設定に失敗しました", kList);
    if (lists.SetExtractListFromFile(0, nullptr) < 0) return fail("宛先リスト取得時、ファイルの読み込みに失敗しました", kList);

    constexpr const char* kDetail = "宛先詳細情報の準備失敗";
    ExtractResultDetail detail;
    if (detail.SetEnvManager(stores.env) != 1)
        return fail("宛先詳細情報の初期化時、環境情報の設定に失敗しました", kDetail);
    if (detail.SetMailListViewer(stores.mails) != 1)
        return fail("宛先詳細情報の初期化時、メール一覧情報の設定に失敗しました", kDetail);
    if (detail.SetExtractListViewer(&lists) != 1)
        return fail("宛先詳細情報の初期化時、宛先リスト情報の設定に失敗しました", kDetail);
    if (detail.SetDatabaseEdit(stores.book) != 1)
        return fail("宛先詳細情報の初期化時、個人情報の設定に失敗しました", kDetail);
    if (detail.SetTypeAndID(ER_TYPE_EXTRACT, listId) != 0)
        return fail("宛先詳細情報の初期化時、モードの設定に失敗しました", kDetail);
    const int read = detail.GetDBIDListFromFileToMemory(0, nullptr);
    if (read != 0 && read != -32) return fail("宛先詳細情報の初期化時、宛先詳細情報の読み込みに失敗しました", kDetail);
    if (detail.SetTypeAndID(ER_TYPE_MAIL, mailId) != 0)
        return fail("宛先詳細情報を保存する時、モードの変更に失敗しました", "宛先詳細モード変更失敗");
    if (detail.WriteAllOnMemoryDBIDToFileCompel() != 0)
        return fail("宛先詳細情報を保存する時、ファイルの書き込みに失敗しました", "宛先詳細保存失敗");

    const platform::DateTime now = platform::DateTime::GetCurrentTime();
    mail.SetAddressName(ui::ToSjis(listName));
    mail.SetDate(COneMailData::kRenewalDate, now, 0);
    mail.SetDate(COneMailData::kSetAddressDate, now, 0);
    if (stores.mails->SetMailData(mail) != 0) return fail("メール一覧情報の設定に失敗しました", "メール情報エラー");
    if (stores.mails->WriteMailList(0) != 0) return fail("メール一覧情報の保存に失敗しました", "メール情報エラー");
    return true;
}

}  // namespace compose
