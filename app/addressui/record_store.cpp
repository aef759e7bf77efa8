#include "app/addressui/record_store.h"

#include "app/addressui/record_fields.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/sequencer.h"

namespace addressui {
namespace {

// The fields a merge compares: the texts of elements 1-53, then the entry date.
std::vector<int> MergedElements() {
    std::vector<int> out;
    OneCustomer probe;
    for (int e = kElemEmail; e <= kElemDeleteFlag; ++e)
        if (probe.Field(e) != nullptr) out.push_back(e);
    out.push_back(kElemEntryDate);
    return out;
}

// A field's value as the question shows it (UTF-8).
std::string Shown(const OneCustomer& record, int element) {
    if (element == kElemEntryDate) return SjisToUtf8(Convert_COleDateTime2DateData(record.EntryDate));
    const std::string& value = *record.Field(element);
    if (element == kElemDMOk || element == kElemOtherMailOk) {
        const int entry = DmFlagEntryOf(value);
        if (entry >= 0) return kDmFlagEntries[entry];
    }
    if (element == kElemDeleteFlag) return IsDeletedMark(value) ? "削除済み" : "削除されていない";
    return value.empty() ? "（空欄）" : SjisToUtf8(value);
}

// A field's name as the question shows it (UTF-8): the second part of a split field
// (postal code, telephone ...) by the name of the first.
std::string FieldName(int element, const std::vector<std::string>& extraNames) {
    if (element >= kElemExtraFirst && element <= kElemExtraLast) {
        const int k = element - kElemExtraFirst;
        const std::string letter(1, static_cast<char>('A' + k));
        const std::string name = static_cast<std::size_t>(k) < extraNames.size() ? extraNames[k] : std::string();
        return name.empty() ? "拡張属性" + letter : SjisToUtf8(name);
    }
    const std::string& name = CustomerElementName(element);
    if (name.empty() && element > kElemEmail) return SjisToUtf8(CustomerElementName(element - 1));
    return SjisToUtf8(name);
}

}  // namespace

bool SameField(const OneCustomer& a, const OneCustomer& b, int element) {
    if (element == kElemEntryDate) return a.EntryDate == b.EntryDate;
    const std::string* x = a.Field(element);
    const std::string* y = b.Field(element);
    return x == nullptr || y == nullptr || *x == *y;
}

EditMerge MergeEdits(const OneCustomer& opened, const OneCustomer& edited, const OneCustomer& now) {
    EditMerge merge;
    merge.record = now;
    for (int e : MergedElements()) {
        if (SameField(edited, opened, e)) continue;  // not the user's change: the book's value stays
        if (!SameField(now, opened, e) && !SameField(now, edited, e)) merge.conflicts.push_back(e);
        if (e == kElemEntryDate) merge.record.EntryDate = edited.EntryDate;
        else *merge.record.Field(e) = *edited.Field(e);
    }
    return merge;
}

void UseStoredValues(OneCustomer& record, const OneCustomer& now, const std::vector<int>& elements) {
    for (int e : elements) {
        if (e == kElemEntryDate) record.EntryDate = now.EntryDate;
        else if (record.Field(e) != nullptr) *record.Field(e) = *now.Field(e);
    }
}

SaveMessage ConflictQuestion(const std::vector<int>& conflicts, const OneCustomer& now, const OneCustomer& edited,
                             const std::vector<std::string>& extraNames) {
    std::string text = "編集している間に、次の項目が他の処理（メールの受信など）で変更されました\r\n";
    for (int e : conflicts)
        text += "\r\n・" + FieldName(e, extraNames) + "\r\n　現在の内容：" + Shown(now, e) + "\r\n　編集した内容：" +
                Shown(edited, e);
    text += "\r\n\r\n[はい] 編集した内容で保存します"
            "\r\n[いいえ] これらの項目は現在の内容のまま、ほかの編集を保存します"
            "\r\n[キャンセル] 編集に戻ります";
    return {text, "個人情報が変更されています"};
}

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
