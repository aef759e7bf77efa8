#include "app/addressui/record_store.h"

#include "core/addressbook/database_edit.h"
#include "core/foundation/sequencer.h"

namespace addressui {

AddressInUse FindAddressInUse(CDatabaseEdit& book, const std::string& mail, int ownId) {
    int hit = book.SearchCustomerOneElement(kElemEmail, mail, -1, kDirectionForward);
    // The search goes on from the row after the one it found, so it ends.
    while (hit >= 0 && hit == ownId) hit = book.SearchCustomerOneElement(kElemEmail, mail, hit, kDirectionForward);
    AddressInUse inUse;
    if (hit < 0) return inUse;
    inUse.id = hit;
    inUse.deleted = IsDeletedMark(book.GetCustomerDataPinPoint(hit, kElemDeleteFlag));
    return inUse;
}

SaveMessage AddressInUseMessage(const AddressInUse& inUse) {
    const std::string id = std::to_string(inUse.id);
    if (inUse.deleted)
        return {"今編集した個人情報データのメールアドレスは\r\n削除済みデータである個人情報ID[" + id +
                    "] に存在しています\r\n\r\nこのソフトでは、同一環境で重複したメールアドレスの登録を許可していません"
                    "\r\n\r\nこのメールアドレスを使用したい場合は、[ファイル]メニューの[削除データ一覧]を使用し\r\n"
                    "復旧したデータを編集してください",
                "削除済み「個人情報」に同じ「メールアドレス」が存在しています"};
    return {"今編集した個人情報データのメールアドレスは\r\n個人情報ID[" + id +
                "] に存在しています\r\nこのソフトでは、同一環境で重複したメールアドレスの登録を許可していません\r\n"
                "このメールアドレスを使用したい場合は、個人情報ID[" + id + "]を編集してください",
            "メールアドレス重複"};
}

SaveMessage EmptyAddressMessage() {
    return {"メールアドレスのみ、未入力は不可です\r\n必ず入力してください", "メールアドレス未入力"};
}

const char* StoreFailedCaption(bool newRecord) {
    return newRecord ? "個人情報の新規登録に失敗しました" : "個人情報の更新に失敗しました";
}

void AdvanceCustomerSequence(EnvManager* env, int highestId) {
    Sequencer sequence;
    if (env == nullptr || sequence.SetEnvManager(env) != 1 || sequence.SetSeqType(SEQ_ID_CUSTOMER) != 1) return;
    const int wanted = highestId + 1;
    int stored = 0;
    if (sequence.CurrentValue(stored) != 0 && stored < wanted) sequence.SetValue(wanted);
}

}  // namespace addressui
