#include "app/addressui/dest_reextract.h"

#include <mutex>
#include <vector>

#include "app/addressui/extract_run.h"
#include "app/environment/environment_service.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_action.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/extraction_run.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/err_msg.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/x_email.h"
#include "platform/named_mutex.h"
#include "platform/notifier.h"

namespace addressui {

int MailTypeFilterOf(char textOrHtmlFlag) {
    switch (textOrHtmlFlag) {
    case 'Y': return kMailTypePcOnly;
    case 'M': return kMailTypeMobileButWillcom;
    default: return kMailTypeAll;
    }
}

DestinationRefresher::DestinationRefresher(int kind, int id, ExtractListViewer* lists)
    : kind_(kind), id_(id), lists_(lists) {}

bool DestinationRefresher::Bind() {
    env_ = shell::GetEnvManager();
    book_ = shell::GetDatabaseEdit();
    mails_ = shell::GetMailListViewer();
    options_ = shell::GetSystemOption();
    return result_.SetEnvManager(env_) != 0 && result_.SetMailListViewer(mails_) != 0 &&
           result_.SetExtractListViewer(lists_) != 0 && result_.SetDatabaseEdit(book_) != 0;
}

void DestinationRefresher::Tell(const QString& text) const {
    ui::MessageBox(owner_, text, ui::U8("抽出実行エラー"), platform::kMbOk | platform::kMbIconWarning);
}

bool DestinationRefresher::ReExtract(int mailTypeFilter) {
    startTime_ = GetNowDateTime();
    const std::vector<int> before = result_.IDs();

    ExtractAction conditions;
    if (conditions.SetEnvManager(env_) == 0) {
        Tell(ui::U8("抽出の準備(環境の設定)に失敗しました"));
        return false;
    }
    if (conditions.SetDatabaseEdit(book_) == 0) {
        Tell(ui::U8("抽出の準備(個人情報の設定)に失敗しました"));
        return false;
    }
    if (conditions.SetTypeAndID(static_cast<ECTYPE>(kind_), id_) != 0) {
        Tell(ui::U8("抽出の準備(メール情報の設定)に失敗しました"));
        return false;
    }
    switch (conditions.GetExtractConditionFromFileToMemory(0, nullptr)) {
    case 0: break;
    case -41: Tell(ui::U8("抽出条件ファイルが存在しません")); return false;
    case -42: Tell(ui::U8("抽出条件ファイルが空です")); return false;
    case -43: Tell(ui::U8("抽出条件ファイルの形式が異常です")); return false;
    default: Tell(ui::U8("抽出条件の読み込みに失敗しました")); return false;
    }
    if (result_.ALLRemoveDBID() != 0) Tell(ui::U8("抽出条件の準備に失敗しました"));

    CErrMsg error;
    if (RunExtraction(conditions, result_, {}, &error) != kExtractionDone) {
        Tell(ui::U8("抽出条件を適用できなかったため、抽出を中止しました\r\n宛先は変更していません\r\n\r\n") +
             ui::FromSjis(error.GetLastMsg()));
        RestoreResultIds(result_, before);
        return false;
    }
    if (!ApplyMailTypeFilter(mailTypeFilter) || (kind_ == 0 && !ApplyHistoryFilter())) {
        RestoreResultIds(result_, before);
        return false;
    }
    count_ = result_.GetRecordNumber();
    return true;
}

bool DestinationRefresher::ApplyMailTypeFilter(int filter) {
    if (filter != kMailTypePcOnly && filter != kMailTypeMobileOnly && filter != kMailTypeMobileButWillcom) return true;
    std::vector<int> drop;
    {
        // One hold of the book's lock for the pass.
        platform::NamedMutex bookMutex(CDatabaseEdit::kMutexName);
        std::lock_guard<platform::NamedMutex> lock(bookMutex);
        std::string address;
        for (const int id : result_.IDs()) {
            const int row = book_->DBID2RowNumber(id);
            if (row < 0 || book_->GetAtElement(row, 1, address) != 0) continue;
            const TermType t = CXEmail::GetTermTypeFromMailAddr(address);
            const bool remove = filter == kMailTypePcOnly       ? t != TERM_PC
                                : filter == kMailTypeMobileOnly ? t == TERM_PC
                                                                : t == TERM_PC || t == TERM_WILLCOM;
            if (remove) drop.push_back(id);
        }
    }
    if (!drop.empty() && result_.RemoveDBIDs(drop) < 0) {
        Tell(ui::U8("送信先リストの作成に失敗しました"));
        return false;
    }
    return true;
}

bool DestinationRefresher::ApplyHistoryFilter() {
    auto fail = [this](const char* what) {
        Tell(ui::U8("送信履歴情報の読み込み（%1）に失敗しました").arg(ui::U8(what)));
        return false;
    };
    HistoryListViewer history;
    if (history.SetEnvManager(env_) == 0) return fail("環境の設定");
    if (history.SetSystemOption(options_) == 0) return fail("システムオプションの設定");
    if (history.SetDatabaseEdit(book_) == 0) return fail("個人情報の設定");
    if (history.SetMailListViewer(mails_) == 0) return fail("メール一覧情報の設定");
    if (history.SetMailID(id_, 0) < 0) return fail("対象の設定");
    if (const int r = history.GetHDataFromFileToMemory(); r != 0 && r != -21 && r != -22)
        return fail("ファイルの読み込み");

    std::vector<int> drop;
    for (const int id : result_.IDs()) {
        switch (history.CheckRetrySendOK(id, 0)) {
        case 0:
        case -4: break;  // may be mailed again, or not mailed yet
        // The history cannot be judged at all (no options or book, or options that do not
        // read): no one may be dropped or kept on a guess.
        case -2:
        case -15: return fail("システムオプションの設定");
        case -3: return fail("個人情報の設定");
        default: drop.push_back(id); break;
        }
    }
    if (!drop.empty() && result_.RemoveDBIDs(drop) < 0) {
        Tell(ui::U8("送信先リストの作成に失敗しました"));
        return false;
    }
    return true;
}

bool RenewDestination(int kind, int id, QWidget* owner) {
    auto fail = [owner](const QString& text, const char* caption) {
        ui::MessageBox(owner, text, ui::U8(caption), platform::kMbOk | platform::kMbIconWarning);
        return false;
    };
    const char* const kRenewFailed = "宛先の最新化失敗";
    EnvManager* env = shell::GetEnvManager();
    ExtractListViewer lists;
    if (kind == 1 && (env == nullptr || lists.SetEnvManager(env, 0) == 0 || lists.SetExtractListFromFile(0, nullptr) < 0))
        return fail(ui::U8("宛先の最新化を行うときに、環境の設定に失敗しました"), kRenewFailed);
    DestinationRefresher refresher(kind, id, kind == 1 ? &lists : nullptr);
    refresher.SetMessageOwner(owner);
    if (!refresher.Bind()) return fail(ui::U8("宛先の最新化を行うときに、環境の設定に失敗しました"), kRenewFailed);
    switch (refresher.SetTypeAndID()) {
    case 0: break;
    case -1: return fail(ui::U8("対象がメールの宛先で新規作成はあり得ません"), kRenewFailed);
    case -2: return fail(ui::U8("対象のメールIDがありません"), kRenewFailed);
    case -3: return fail(ui::U8("対象のアドレスIDがありません"), kRenewFailed);
    case -6: return fail(ui::U8("不正なモードです"), kRenewFailed);
    default: return fail(ui::U8("環境の設定がされていません"), kRenewFailed);
    }

    int filter = kMailTypeAll;
    if (kind == 0) {
        COneMailData mail;
        CMailListViewer* mails = shell::GetMailListViewer();
        if (mails == nullptr || mails->GetMailData(id, mail) != 0)
            return fail(ui::U8("対象メールID:[%1]の情報取得に失敗しました").arg(id), "メール情報取得失敗");
        const std::string flag = mail.GetTextOrHtmlMailFlag();
        filter = MailTypeFilterOf(flag.empty() ? ' ' : flag[0]);
    }
    // A failed re-extraction writes nothing: the destination keeps its recipients, and a
    // list keeps the last update that says how old they are.
    if (!refresher.ReExtract(filter)) return false;
    if (refresher.Result().WriteAllOnMemoryDBIDToFile() != 0)
        return fail(ui::U8("宛先の保存に失敗しました"), "抽出実行エラー");
    if (kind == 1) {
        lists.SetExtractListFromFile(0, nullptr);
        if (lists.CorrectExtractListPinPoint(refresher.StartTime().c_str(), id, 2) == 0)
            return fail(ui::U8("アドレス帳の設定に失敗しました"), "アドレス帳エラー");
        if (lists.WriteAllExtractListToFile() == 0)
            return fail(ui::U8("アドレス帳の保存に失敗しました"), "アドレス帳エラー");
    }
    return true;
}

}  // namespace addressui
