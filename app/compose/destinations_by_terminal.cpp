#include "app/compose/destinations_by_terminal.h"

#include <unordered_map>

#include "app/compose/mail_size_measure_book.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/extract_list_viewer.h"
#include "core/addressbook/extract_result_detail.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/one_mail_data.h"
#include "core/mailstore/x_email.h"
#include "platform/notifier.h"

namespace compose {

namespace {

// Terminal types by mail domain. An address with exactly one "@" has its type decided by
// what follows the "@" alone (every carrier pattern is a suffix starting at the "@" or
// inside the domain, and the one host test looks for "@ez"), so each domain is asked
// once; any other address is asked as it is.
class TerminalTypes {
public:
    TermType Of(const std::string& address) {
        const std::size_t at = address.find('@');
        if (at == std::string::npos || address.find('@', at + 1) != std::string::npos)
            return CXEmail::GetTermTypeFromMailAddr(address);
        key_.assign(address, at, std::string::npos);
        for (char& c : key_)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        const auto found = known_.find(key_);
        if (found != known_.end()) return found->second;
        const TermType type = CXEmail::GetTermTypeFromMailAddr(address);
        known_.emplace(key_, type);
        return type;
    }

private:
    std::string key_;
    std::unordered_map<std::string, TermType> known_;
};

bool KindTakes(char kind, TermType type) {
    switch (kind) {
        case 'Y': return type == TERM_PC;
        case 'M': return type != TERM_PC && type != TERM_WILLCOM;
        default: return true;
    }
}

QString Text(const char* utf8) { return ui::U8(utf8); }

// The members of saved list `listId`.
QString SavedListIds(const CheckStores& stores, int listId, std::vector<int>& ids) {
    ExtractListViewer lists;
    lists.SetEnvManager(stores.env, 0);
    if (lists.SetExtractListFromFile(0, nullptr) < 0) return Text("宛先一覧をファイルから読み込めません");
    ExtractResultDetail detail;
    detail.SetEnvManager(stores.env);
    if (stores.mails != nullptr) detail.SetMailListViewer(stores.mails);
    detail.SetExtractListViewer(&lists);
    detail.SetDatabaseEdit(stores.book);
    if (detail.SetTypeAndID(ER_TYPE_EXTRACT, listId) != 0) return Text("宛先詳細の操作対象を設定できません");
    const int r = detail.GetDBIDListFromFileToMemory(0, nullptr);
    if (r != 0 && r != -32) return Text("宛先詳細をファイルから読み込めません");
    if (detail.GetDBIDToCListInt(ids, 0) < 0) return Text("宛先詳細をリスト化できません");
    return QString();
}

// The recipient list of stored mail `mailId`. A mail without a list file yet has no
// recipients, as the send run reads it.
QString OwnListIds(const CheckStores& stores, int mailId, std::vector<int>& ids) {
    ExtractResultDetail detail;
    detail.SetEnvManager(stores.env);
    if (stores.mails != nullptr) detail.SetMailListViewer(stores.mails);
    detail.SetDatabaseEdit(stores.book);
    if (detail.SetTypeAndID(ER_TYPE_MAIL, mailId) != 0) return Text("宛先詳細の操作対象を設定できません");
    const int r = detail.GetDBIDListFromFileToMemory(0, nullptr);
    if (r != 0 && r != -31 && r != -32) return Text("宛先詳細をファイルから読み込めません");
    if (detail.GetDBIDToCListInt(ids, 0) < 0) return Text("宛先詳細をリスト化できません");
    return QString();
}

// The people mail `sourceId` was sent to.
QString HistoryIds(const CheckStores& stores, int sourceId, std::vector<int>& ids) {
    HistoryListViewer history;
    history.SetEnvManager(stores.env);
    if (stores.options != nullptr) history.SetSystemOption(stores.options);
    if (stores.book != nullptr) history.SetDatabaseEdit(stores.book);
    if (stores.mails != nullptr) history.SetMailListViewer(stores.mails);
    if (history.SetMailID(sourceId) != 0) return Text("送信履歴の操作対象を設定できません");
    const int r = history.GetHDataFromFileToMemory();
    if (r != 0 && r != -21 && r != -22) return Text("操作履歴をファイルから読み込めません");
    if (history.GetCustomerIDList(ids, 1, 1) < 0) return Text("宛先詳細を個人情報IDリストとして取得できません");
    return QString();
}

}  // namespace

void SortDestinationsByTerminal(CDatabaseEdit& book, const std::vector<int>& ids, char kind, TerminalIdLists& out) {
    for (std::vector<int>& list : out) list.clear();
    AddressBookRows rows(book, ids.size());
    std::vector<int> rowOfId;
    rows.RowsOf(ids, rowOfId);
    std::vector<TerminalIdLists> parts(static_cast<std::size_t>(AddressBookRows::Parts(ids.size())));
    rows.ForEachPart(ids.size(), [&](std::size_t first, std::size_t last, int part) {
        TerminalIdLists& lists = parts[static_cast<std::size_t>(part)];
        TerminalTypes types;
        std::string address;
        for (std::size_t i = first; i < last; ++i) {
            if (rowOfId[i] < 0) continue;
            rows.Element(rowOfId[i], kElemEmail, address);
            if (address.empty()) continue;
            const TermType type = types.Of(address);
            if (KindTakes(kind, type)) lists[static_cast<std::size_t>(type)].push_back(ids[i]);
        }
    });
    // The parts in order, so each list keeps the order of the IDs.
    for (std::size_t t = 0; t < out.size(); ++t) {
        std::size_t total = 0;
        for (const TerminalIdLists& p : parts) total += p[t].size();
        out[t].reserve(total);
        for (const TerminalIdLists& p : parts) out[t].insert(out[t].end(), p[t].begin(), p[t].end());
    }
}

QString GetDestinationIdsForKind(const CheckStores& stores, const DestinationSource& source,
                                 const DestinationRefreshCheck& refresh, std::vector<int>& ids) {
    ids.clear();
    if (stores.env == nullptr || stores.book == nullptr) return Text("宛先詳細の操作対象を設定できません");
    if (source.mailId < 0) {
        if (source.sourceMailId >= 0) return HistoryIds(stores, source.sourceMailId, ids);
        if (source.chosenListId >= 0) return SavedListIds(stores, source.chosenListId, ids);
        return QString();
    }
    COneMailData mail;
    if (stores.mails == nullptr || stores.mails->GetMailData(source.mailId, mail) != 0)
        return Text("メール情報の取得に失敗しました");
    if (source.chosenListId >= 0) return SavedListIds(stores, source.chosenListId, ids);
    if (mail.GetSpecialAddressFlag() != "Y" && refresh) {
        const QString failed = refresh(source.mailId);
        if (!failed.isEmpty()) return failed;
    }
    return OwnListIds(stores, source.mailId, ids);
}

bool GetDestinationsByTerminal(QWidget* parent, const CheckStores& stores, const DestinationSource& source,
                               char kind, const DestinationRefreshCheck& refresh, TerminalIdLists& out) {
    for (std::vector<int>& list : out) list.clear();
    std::vector<int> ids;
    const QString failed = GetDestinationIdsForKind(stores, source, refresh, ids);
    if (!failed.isEmpty()) {
        ui::MessageBox(parent, failed, Text("エラー"), platform::kMbOk | platform::kMbIconError);
        return false;
    }
    SortDestinationsByTerminal(*stores.book, ids, kind, out);
    return true;
}

}  // namespace compose
