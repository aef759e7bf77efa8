#include "app/environment/environment_upgrade_program.h"

#include <vector>

#include "app/environment/environment_managers.h"
#include "app/environment/old_environment_backup.h"
#include "app/environment/upgrade_conversions.h"
#include "app/environment/upgrade_fault_probe.h"
#include "app/environment/upgrade_record_recoder.h"
#include "app/environment/upgrade_recoding.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/open_recovery.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/err_msg.h"
#include "core/foundation/ini_manager.h"
#include "core/foundation/store_key.h"
#include "platform/notifier.h"

namespace shell {
namespace {

using upgrade::Layout;

// Stores the options with option 89 = `layout` once the step `step` has done its work:
// false when the write failed (the older generation then stays recorded).
bool RecordLayout(SystemOption& store, std::vector<std::string>& options, const char* step, const char* layout) {
    options[89] = layout;
    if (UpgradeFaultAt(std::string("layout:") + step)) return false;
    return store.SetSODataFromAllDataToMemory(options) == 0 && store.WriteSODataFromMemoryToFile() == 0;
}

// "Y2", b: the address book joins its split fields (in memory, then written).
bool JoinBookFields(CDatabaseEdit& book) {
    if (UpgradeFaultAt("y2:book")) return false;
    bool changed = false;
    XCStringArrayEx row;
    CDatabaseEdit::ChangeGroup group(book);  // the save below is the commit
    for (int line = 0; line < book.GetLineNumber(); ++line) {
        if (book.GetAtLine(line, row) != 0 || !upgrade::JoinSplitFields(row.values())) continue;
        if (book.SetAtLine(line, row) != 0) return false;
        changed = true;
    }
    return !changed || book.WriteFromMemoryToFile() == 0;
}

// "Y2", d: the saved-extraction list gets its deletion mark and honorific (empty in the
// older list), then every saved extraction's conditions lose the emptied fields.
bool WidenExtractions(EnvManager& env) {
    if (UpgradeFaultAt("y2:extract-list")) return false;
    StoreKey key;
    if (GetStoreKey(&env, key) != 0) return false;
    const std::string path = env_layout::ExtractListFile(env);
    const RecodeResult r = RecodeRecordFile(path, key.get(), path, key.get(), [](std::vector<std::string>& fields) {
        if (fields.size() < ExtractListViewer::kElements) fields.resize(ExtractListViewer::kElements);
    });
    if (r == RecodeResult::kNotWritten) return false;
    ExtractListViewer list;
    list.SetEnvManager(&env, 0);
    std::vector<int> ids;
    if (list.SetExtractListFromFile(0, nullptr) >= 0) list.GetAllExtractID(ids);
    for (int id : ids)
        if (ProgramEnvironmentUpgrade::UpgradeExtractConditions(env, EC_TYPE_EXTRACT, id) == -2) return false;
    return true;
}

// "Y2", e: every mail but the sent, failed and deleted ones goes back to draft, its
// column 12 is emptied, and its conditions lose the emptied fields.
bool ResetMails(EnvManager& env, CMailListViewer& mails) {
    if (UpgradeFaultAt("y2:mail-list")) return false;
    std::vector<int> ids;
    mails.CountMailByViewType(0x01 | 0x20, &ids);
    for (int id : ids) {
        std::string status, column12;
        mails.GetMailDataPinPoint(id, 3, status);
        mails.GetMailDataPinPoint(id, 12, column12);
        if (!column12.empty() && mails.SetMailDataPinPoint(id, 12, "") != 0) return false;
        if (upgrade::ToDraftAtY2(status) && status != "D" && mails.SetMailDataPinPoint(id, 3, "D") != 0) return false;
    }
    if (mails.WriteMailList(0) != 0) return false;
    for (int id : ids)
        if (UpgradeFaultAt("y2:conditions") ||
            ProgramEnvironmentUpgrade::UpgradeExtractConditions(env, EC_TYPE_MAIL, id) == -2)
            return false;
    return true;
}

// "Y3", a: the mail font of the environment becomes the one the current layout expects.
void ResetMailFont(const EnvManager& env) {
    const std::string ini = env_layout::EnvIniFile(env);
    static const std::string face = Utf8ToSjis("ＭＳ Ｐゴシック");
    std::string stored;
    CIniManager::GetProfileStringA(ini, "MAILFONTINFO", "FACENAME", stored, "");
    if (stored == face && CIniManager::GetProfileIntA(ini, "MAILFONTINFO", "CHARSET", 0) == 128) return;
    CIniManager::WriteProfileStringA(ini, "MAILFONTINFO", "FACENAME", face.c_str());
    CIniManager::WriteProfileInt(ini, "MAILFONTINFO", "CHARSET", 128);
}

}  // namespace

ProgramEnvironmentUpgrade::ProgramEnvironmentUpgrade(EnvironmentUi* ui) : ui_(ui) {}

int ProgramEnvironmentUpgrade::BackupOldEnvironment(EnvironmentManagers& next) {
    if (next.env == nullptr) return -1;
    int code = 0;
    if (MakeOldEnvironmentBackup(next.env->GetEnvRoot(), next.env->GetEnvName(), code) == 0) return 0;
    std::string text;
    CErrMsg::GetErrMsgFromDefined(code, text);
    ui::MessageBox(nullptr, ui::FromSjis(text), ui::FromSjis(text), platform::kMbOk | platform::kMbIconError);
    return -1;
}

int ProgramEnvironmentUpgrade::UpgradeEnvironment(EnvironmentManagers& next, QString& notice, bool& wizard) {
    wizard = false;
    if (next.env == nullptr || next.options == nullptr || next.mails == nullptr || next.book == nullptr)
        return kFailed;
    SystemOption& store = *next.options;
    std::vector<std::string> options;
    store.GetSODataFromMemoryToAllData(options);
    options.resize(SystemOption::kItemCount);
    Layout layout = upgrade::LayoutOf(options[89]);
    if (layout == Layout::kUnknown) return kNotForProduct;

    if (layout == Layout::k89) {
        upgrade::ApplyDefaults89(options);
        if (!RecordLayout(store, options, "89", "Y1")) return kFailed;
        layout = Layout::kY1;
    }
    if (layout == Layout::kY1) {
        if (UpgradeFaultAt("y1:mail-list") || next.mails->Update4AddHtmlMailAbility() != 0) return kFailed;
        if (!RecordLayout(store, options, "Y1", "Y2")) return kFailed;
        layout = Layout::kY2;
    }
    if (layout == Layout::kY2) {
        if (!JoinBookFields(*next.book) || UpgradeFaultAt("y2:generation") ||
            UpgradeBackupGenerations(*next.env) != 0 || !WidenExtractions(*next.env) ||
            !ResetMails(*next.env, *next.mails))
            return kFailed;
        upgrade::ApplyDefaultsY2(options);
        if (!RecordLayout(store, options, "Y2", "Y3")) return kFailed;
        layout = Layout::kY3;
    }
    bool recoded = false;
    if (layout == Layout::kY3) {
        if (next.env->GetEnvType() != 3) {
            // Already keyed (the stores read it so): nothing left to re-code.
            upgrade::ApplyDefaultsY3(options);
            options[89] = "Y5";
            if (store.SetSODataFromAllDataToMemory(options) != 0 || store.WriteSODataFromMemoryToFile() != 0)
                return kFailed;
        } else {
            ResetMailFont(*next.env);
            EnvironmentRecoding recoding(next, ui_);
            if (recoding.Run(options) != 1) return kNotConvertible7;
            recoded = true;
        }
    }
    wizard = TakeWizardRequest(store);
    if (!recoded) return kCurrent;
    notice = UpgradeNotice();
    return kUpgraded;
}

int ProgramEnvironmentUpgrade::UpgradeBackupGenerations(EnvManager& env) {
    StoreKey key;
    if (GetStoreKey(&env, key) != 0) return -1;
    const int generations = ReadGenerationCount(env);
    for (int i = 1; i <= generations; ++i) {
        const std::string path = GenerationFile(env, i);
        const RecodeResult r = RecodeRecordFile(path, key.get(), path, key.get(), [](std::vector<std::string>& row) {
            upgrade::JoinSplitFields(row);
        });
        if (r == RecodeResult::kNotWritten) return -1;
    }
    return 0;
}

int ProgramEnvironmentUpgrade::UpgradeExtractConditions(EnvManager& env, ECTYPE kind, int id) {
    ExtractAction action;
    action.SetEnvManager(&env);
    if (action.SetTypeAndID(kind, id) != 0 || action.GetExtractConditionFromFileToMemory(0, nullptr) != 0) return -1;
    for (int tab = 0; tab < ExtractAction::kGroups; ++tab) {
        std::vector<OneExtractCondition> conditions(ExtractAction::kConditions);
        for (int con = 0; con < ExtractAction::kConditions; ++con)
            if (action.GetExtractConditionFromMemoryToStruct(conditions[static_cast<std::size_t>(con)], tab, con) != 0)
                return -1;
        if (!upgrade::CompactConditionTab(conditions)) continue;
        for (int con = 0; con < ExtractAction::kConditions; ++con)
            if (action.SetExtractConditionFromStructToMemory(conditions[static_cast<std::size_t>(con)], tab, con) != 0)
                return -2;
    }
    return action.WriteAllExtractConditionOnMemoryToFile() == 0 ? 0 : -2;
}

QString ProgramEnvironmentUpgrade::UpgradeNotice() {
    return ui::U8(
        "以前のバージョンで作成された環境を、Varnis形式の環境に変換しました。\r\n"
        "変換前の環境は「旧環境バックアップ」フォルダに保存してあります。\r\n"
        "\r\n"
        "・送信待ち・予約中だったメールは下書きに戻しています。内容をご確認のうえ、改めて送信してください。\r\n"
        "・メールのフォントは「ＭＳ Ｐゴシック」に設定し直しています。");
}

}  // namespace shell
