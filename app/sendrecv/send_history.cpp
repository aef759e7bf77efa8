#include "app/sendrecv/send_history.h"

#include <algorithm>
#include <string_view>

#include "core/addressbook/database_edit.h"
#include "core/foundation/cp932.h"
#include "core/foundation/csv_write.h"

namespace {

constexpr int kSliceRows = 4096;

// The fixed texts in Shift_JIS, converted once.
struct SjisTexts {
    std::string erased = Utf8ToSjis("（削除済み）");
    std::string waiting = Utf8ToSjis("送信待ち");
    std::string sent = Utf8ToSjis("送信済み");
    std::string error = Utf8ToSjis("エラー");
    std::string opened = Utf8ToSjis("有");
    std::string notOpened = Utf8ToSjis("無");
    std::array<std::string, SendHistory::kColumns> titles;
    SjisTexts() {
        for (std::size_t c = 0; c < titles.size(); ++c) titles[c] = Utf8ToSjis(SendHistory::Titles()[c]);
    }
};
const SjisTexts& Sjis() {
    static const SjisTexts texts;
    return texts;
}

}  // namespace

bool SendHistory::Bind(EnvManager* env, SystemOption* options, CDatabaseEdit* book, CMailListViewer* mails) {
    book_ = book;
    const bool envBound = viewer_.SetEnvManager(env) == 1;
    const bool optionsBound = viewer_.SetSystemOption(options) == 1;
    const bool bookBound = viewer_.SetDatabaseEdit(book) == 1;
    const bool mailsBound = viewer_.SetMailListViewer(mails) == 1;
    return envBound && optionsBound && bookBound && mailsBound;
}

int SendHistory::Page(int first, int last, std::vector<HistorySet>& out) const {
    out.clear();
    if (first < 0 || first >= Total() || last < first) return 0;
    return viewer_.GetHDataFromMemoryToStruct(out, first, std::min(last, Total() - 1));
}

const std::array<const char*, SendHistory::kColumns>& SendHistory::Titles() {
    static const std::array<const char*, kColumns> titles = {
        "個人ID", "メールアドレス", "名前(姓)", "名前(名)", "会社名", "状態", "再送回数", "開封通知", "最終更新日"};
    return titles;
}

SendHistory::RowTexts SendHistory::Texts(const HistorySet& row, CDatabaseEdit* book) {
    const SjisTexts& s = Sjis();
    RowTexts t;
    t[0] = std::to_string(row.customerID);
    if (book != nullptr) {
        book->GetCustomerDataPinPoint(row.customerID, kElemEmail, t[1]);
        book->GetCustomerDataPinPoint(row.customerID, kElemKanjiSei, t[2]);
        book->GetCustomerDataPinPoint(row.customerID, kElemKanjiMei, t[3]);
        book->GetCustomerDataPinPoint(row.customerID, kElemCompany, t[4]);
    }
    if (t[1].empty()) t[1] = s.erased;
    t[5] = row.state == "W" ? s.waiting : row.state == "C" ? s.sent : row.state == "E" ? s.error : row.state;
    t[6] = std::to_string(row.retryNum);
    t[7] = row.openFlag == "Y" ? s.opened : row.openFlag == "N" ? s.notOpened : row.openFlag;
    if (row.lastSendDate.IsValid()) t[8] = row.lastSendDate.Format("%Y/%m/%d %H:%M:%S");
    return t;
}

template <class Fn>
bool SendHistory::ForEachRow(Fn&& fn) const {
    std::vector<HistorySet> slice;
    for (int first = 0; first < Total(); first += kSliceRows) {
        Page(first, first + kSliceRows - 1, slice);
        for (const HistorySet& row : slice)
            if (!fn(row)) return false;
    }
    return true;
}

bool SendHistory::Export(const std::string& path, bool header) const {
    CsvWrite csv;
    if (csv.OpenFile(path) != 1) return false;
    auto writeLine = [&csv](const auto& fields) {
        csv.BufferEmpty();
        for (const std::string& f : fields) csv.SetData(std::string_view(f));
        return csv.WriteLine() > 0;
    };
    bool ok = !header || writeLine(Sjis().titles);
    if (ok) ok = ForEachRow([&](const HistorySet& row) { return writeLine(Texts(row, book_)); });
    if (!ok) {
        csv.AbortFile();
        return false;
    }
    return csv.CloseFile() == 0;
}

SendHistory::BulkResult SendHistory::ResetErrorRecipients() const {
    BulkResult result;
    if (book_ == nullptr) return result;
    bool failed = false;
    CDatabaseEdit::ChangeGroup group(*book_);  // the save below is the commit
    ForEachRow([&](const HistorySet& row) {
        if (row.state != "E") return true;
        OneCustomer person;
        if (book_->GetOneCustomerForEdit(person, row.customerID) != 0) {
            failed = true;
            return false;
        }
        if (person.Email.empty() || person.DMOk == "Y") return true;
        person.DMOk.assign(1, 'Y');
        if (book_->SetOneCustomerInfo(person, 0) != 0) {
            failed = true;
            return false;
        }
        ++result.changed;
        return true;
    });
    if (!failed && book_->WriteFromMemoryToFile() != 0) failed = true;
    if (failed) {
        result.error = book_->GetErrMsg().GetLastMsg();
        return result;
    }
    result.ok = true;
    return result;
}
