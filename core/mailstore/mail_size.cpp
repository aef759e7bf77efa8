#include "core/mailstore/mail_size.h"

#include "core/addressbook/database_edit.h"
#include "core/foundation/kana_convert.h"
#include "core/mailstore/mail_word_insert.h"

CMailSize::CMailSize(CDatabaseEdit* db) : database(db) {}

void CMailSize::SetTargetString(const std::string& text, int html) {
    targetText = text;
    htmlMode = html;
}

void CMailSize::ClearTargets() {
    targetIDs.clear();
    targetRecords.clear();
}

int CMailSize::SetTargetCustomerByCustomerID(int id) {
    ClearTargets();
    if (!database) return -2;
    if (database->DBID2RowNumber(id) < 0) return -1;
    targetIDs.push_back(id);
    return 0;
}

template <class Ids>
int CMailSize::SetTargetIDs(const Ids& ids) {
    ClearTargets();
    if (!database) return -2;
    for (int id : ids)
        if (database->DBID2RowNumber(id) >= 0) targetIDs.push_back(id);
    return targetIDs.empty() ? -1 : 0;
}

int CMailSize::SetTargetCustomerByCustomerIDArray(const std::vector<int>& ids) { return SetTargetIDs(ids); }

int CMailSize::SetTargetCustomerByCustomerIDList(const std::list<int>& ids) { return SetTargetIDs(ids); }

void CMailSize::SetTargetCustomerByOneCustomer(const OneCustomer& record) {
    ClearTargets();
    targetRecords.push_back(record);
}

void CMailSize::SetTargetCustomerByOneCustomerArray(const std::vector<OneCustomer>& records) {
    ClearTargets();
    targetRecords = records;
}

void CMailSize::Measure(const OneCustomer& record, int widenKana) {
    std::string merged = MailWordInsert::GetMailWordInsert(record, targetText, htmlMode);
    size_t size = merged.size();
    if (widenKana) CSjisKanaConverter::GetSizeAfterConvertKana(merged, &size);
    if (static_cast<long long>(size) > maxSize) {
        maxSize = static_cast<int>(size);
        maxCustomerID = record.CustomerID;
        maxText = std::move(merged);
    }
}

int CMailSize::Analyze(const int& widenKana) {
    maxSize = -1;
    maxCustomerID = -1;
    maxText.clear();
    if (targetIDs.empty() && targetRecords.empty()) return -1;
    for (const OneCustomer& record : targetRecords) Measure(record, widenKana);
    if (database) {
        OneCustomer record;
        for (int id : targetIDs)
            if (database->GetOneCustomerForEdit(record, id) == 0) Measure(record, widenKana);
    }
    return 0;
}

int CMailSize::GetMaxResultString(std::string& text) const {
    if (maxSize < 0) return -1;
    text = maxText;
    return 0;
}
