// CAddressImport: import of a delimited file through a column map.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "core/addressbook/address_import.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/import_date_text.h"
#include "core/addressbook/import_id_source.h"
#include "core/addressbook/import_records.h"
#include "core/addressbook/import_mail_index.h"
#include "core/foundation/cp932.h"
#include "core/foundation/date_utils.h"
#include "core/foundation/string_utils.h"
#include "core/foundation/validation.h"
#include "platform/named_mutex.h"
#include "platform/path.h"
#include "platform/private_files.h"

namespace {

// Markers of element 21 while a line is read: no value given (new records only), and an
// invalid value given.
constexpr const char* kFlagNotGiven = "X";
constexpr const char* kFlagInvalid = "E";

bool IsYesNo(const std::string& flag) { return flag == "Y" || flag == "N"; }

// "[item](3列目)" for element `e` read from column `c` (0-based; none below 0), in UTF-8.
std::string ItemTitle(const std::vector<DB_Element_Info>& info, int e, int c) {
    std::string name = SjisToUtf8(info[static_cast<std::size_t>(e)].name);
    if (name.empty()) name = "項目" + std::to_string(e);
    std::string title = "[" + name + "]";
    if (c >= 0) title += "(" + std::to_string(c + 1) + "列目)";
    return title;
}


}  // namespace

std::string ImportRejections::FileBytes() const {
    std::string out = bom;
    for (const ImportRejection& r : records) out += r.bytes;
    return out;
}

int CAddressImport::GetRecordNumFromImportFile(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::OpenNamedStream(platform::FixPath(path)),
                                                         &std::fclose);
    if (!file) return Fail(10601, -41);
    int lines = 0;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char c = static_cast<unsigned char>(buffer[i]);
            if (c == 0xFF) return lines;
            if (c == '\n') ++lines;
        }
    }
    return lines;
}

int CAddressImport::ImportDBfromFile(const std::string& path, const std::string& separators, char quote,
                                     const std::vector<int>& columnMap, int keepExisting, std::atomic<int>* count,
                                     ImportRejections& rejected, const std::string& duplicatePolicy) {
    rejected = ImportRejections();
    platform::NamedMutex mutex(CDatabaseEdit::kMutexName);
    std::lock_guard<platform::NamedMutex> lock(mutex);
    if (const int r = CheckBound(); r < 0) return r;
    CDatabaseEdit& book = *book_;
    book.SetStopImportFlag(0);
    std::vector<DB_Element_Info> info;
    if (book.Get_DBElementInfo(info, std::string(kCustomerElementCount, '1')) < 0 ||
        info.size() != static_cast<std::size_t>(kCustomerElementCount))
        return Fail(10403, -17);

    // The whole file is read before the book changes: one that cannot be read leaves the
    // book as it was, even when the import would have emptied it first.
    ImportRecords records;
    if (!records.Load(path, separators, quote)) return Fail(10601, -41);
    rejected.utf8 = records.IsUtf8();
    rejected.bom.assign(records.Bom());

    // From here on every way out leaves the index in step with the table and stores the
    // IDs handed out.
    ImportIdSource ids;
    struct Finish {
        CDatabaseEdit& book;
        ImportIdSource& ids;
        ~Finish() { book.MakeIndex(); }
    } finish{book, ids};

    book.MakeIndex();
    if (ids.Begin(env_, book.GetMaxDBID()) < 0) return Fail(10009, -42);
    // A run that empties the book builds the new one aside and puts it in place only once
    // it is complete, so a failed or stopped run leaves the book exactly as it was. A run
    // that merges commits its changes once, at its end.
    const bool replacing = keepExisting == 0;
    CDatabaseEdit aside;
    CDatabaseEdit& target = replacing ? aside : book;
    std::optional<CDatabaseEdit::ChangeGroup> merge;
    if (!replacing) merge.emplace(book);
    ImportMailIndex mails;
    mails.Build(target);
    int done = 0;
    if (count != nullptr) count->store(0);

    const int mapped = static_cast<int>(columnMap.size() < static_cast<std::size_t>(kCustomerElementCount)
                                            ? columnMap.size()
                                            : static_cast<std::size_t>(kCustomerElementCount));
    const bool keepDuplicates = duplicatePolicy == "2";
    XCStringArrayEx work;
    std::vector<std::string>& cells = work.values();
    ImportRecords::Record record;
    const std::vector<std::string>& columns = record.columns;
    // A refused record goes to `rejected` as the file holds it, with why.
    std::string reason;
    const auto refuse = [&] { rejected.records.push_back({record.line, std::string(record.bytes), reason}); };
    int result = 0;
    while (result == 0) {
        if (book.GetStopImportFlag() == 1) break;
        if (!records.Next(record)) break;
        cells.assign(kCustomerElementCount, std::string());
        const int columnCount = static_cast<int>(columns.size());

        // A record whose text could not be read as it stands (a broken character, a quote
        // never closed, a character the conversion would lose) is rejected whole; so is
        // one with a value its item cannot take. Every value is checked, so that the user
        // learns all that must change in one go.
        reason = record.reason;
        const auto bad = [&](int e, int c, const char* what) { reason += ItemTitle(info, e, c) + what; };
        int row = -1;  // the stored record this line updates
        const std::string now = GetNowDateTime();
        for (int e = 0; e < mapped; ++e) {
            const int c = columnMap[static_cast<std::size_t>(e)];
            if (c < 0 || c >= columnCount) continue;
            const std::string& v = columns[static_cast<std::size_t>(c)];
            std::string t;
            if (e == kElemEmail) {
                if (v.empty()) {
                    bad(e, c, "にメールアドレスが設定されていない、");
                } else if (MailAddressChecker(v)) {
                    t = v;
                    row = mails.Find(v);
                    if (row >= 0) {
                        target.GetAtLine(row, work);
                        cells.resize(kCustomerElementCount);
                        cells[kElemDeleteFlag].clear();
                        cells[kElemRenewalDate] = now;
                    } else {
                        cells[kElemDMOk] = kFlagNotGiven;
                        cells[kElemOtherMailOk] = "Y";
                        cells[kElemDeleteFlag].clear();
                        cells[kElemEntryDate] = now;
                        cells[kElemRenewalDate] = now;
                    }
                } else {
                    bad(e, c, "に不正なメールアドレスが設定されている、");
                }
            } else if (e == kElemBirthday) {
                if (!v.empty()) {
                    if (CheckDateTypeData(v, 3)) ReFormat_DateData(v, t, 0);
                    else bad(e, c, "に不正な日付が設定されている、");
                }
            } else if (e == kElemZipCode1 || e == kElemZipCode2 || (e >= kElemPhone1 && e <= kElemPortable2)) {
                if (CheckSpecialStringData(v, "1234567890-+")) t = v;
                else bad(e, c, "に数字と「-」「+」以外の文字が設定されている、");
            } else if (e == kElemDMOk) {
                if (!v.empty()) t = IsYesNo(v) ? v : std::string(kFlagInvalid);
            } else if (e == kElemDeleteFlag) {
                if (v.empty() || v == "Y") t = v;
                else bad(e, c, "に「Y」か空でない値が設定されている、");
            } else {
                const int type = info[static_cast<std::size_t>(e)].dataType;
                if (v.empty() || type == kCustomerText) {
                    t = v;
                } else if (type == kCustomerNumber) {
                    if (CheckNumberData(v)) t = std::to_string(std::atoi(v.c_str()));
                    else bad(e, c, "に不正な数値が設定されている、");
                } else if (type == kCustomerDate) {
                    if (!ImportDateText(v, t)) bad(e, c, "に不正な日付が設定されている、");
                } else {
                    t = v;
                }
            }
            cells[static_cast<std::size_t>(e)] = std::move(t);
        }

        if (cells[kElemEmail].empty() && reason.find(ItemTitle(info, kElemEmail, -1)) == std::string::npos) {
            // No address column in the map, or the record ends before it.
            const int c = kElemEmail < mapped ? columnMap[kElemEmail] : -1;
            bad(kElemEmail, c, "にメールアドレスが設定されていない、");
        }
        std::string& flag = cells[kElemDMOk];
        // Only a new record takes the flag from the file (a stored one keeps its own when
        // the value is not Y or N); a line refused for another reason is not known to be
        // either, and the flag is named too, lest the mended line be refused again for it.
        if (row < 0 && flag == kFlagInvalid)
            bad(kElemDMOk, columnMap[kElemDMOk], "に「Y」か「N」でない値が設定されている、");
        if (!reason.empty()) {
            refuse();
            continue;
        }
        if (row < 0) {
            if (!IsYesNo(flag)) flag = "Y";
            const int id = ids.Next();
            if (id < 0) {
                result = Fail(10009, -42);
                break;
            }
            cells[kElemCustomerID] = std::to_string(id);
            if (target.AddLine(work) != 0) {
                result = Fail(10602, -42);
                break;
            }
            mails.Add(cells[kElemEmail], target.GetLineNumber() - 1);
        } else {
            if (!IsYesNo(flag)) flag = target.GetAtElement(row, kElemDMOk);
            if (keepDuplicates) continue;
            if (target.SetAtLine(row, work) != 0) {
                result = Fail(10602, -42);
                break;
            }
        }
        ++done;
        if (count != nullptr) count->store(done);
    }
    if (ids.Finish() < 0 && result == 0) result = Fail(10009, -42);
    const bool stopped = book.GetStopImportFlag() == 1;
    if (replacing) {
        if (result < 0) return result;
        if (stopped) return 0;
        if (book.ReplaceRowsWith(aside) < 0) return Fail(10204, -11);
    } else if (merge->Commit() < 0 && result == 0) {
        result = Fail(10204, -11);
    }
    return result < 0 ? result : done;
}
