#include "app/compose/mail_size_measure.h"

#include <algorithm>
#include <memory>

#include "app/compose/mail_size_measure_book.h"
#include "app/compose/mail_size_measure_profile.h"
#include "app/mailtext/carrier_text_converter.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/test_mailing_info.h"
#include "core/mailstore/mail_size.h"
#include "core/mailstore/mail_word_insert.h"
#include "platform/notifier.h"

namespace compose {

namespace {

constexpr std::size_t kRows = kCustomerElementCount;

// Rows whose merge value is not the stored text as it stands: the ID (as a number), the
// birthday (its date only) and the two dates (re-formatted). Their values are made by the
// core's own merge from a record read the way the book reads records.
bool IsDerivedRow(int row) {
    return row == kElemCustomerID || row == kElemBirthday || row == kElemEntryDate || row == kElemRenewalDate;
}

// The merge values of one recipient, read from the address book, in the forms the
// profiles need.
class RecipientValues {
public:
    explicit RecipientValues(const std::vector<const MergeSizeProfile*>& profiles) {
        for (const MergeSizeProfile* p : profiles) {
            for (const int row : p->Rows()) {
                const auto r = static_cast<std::size_t>(row);
                if (!plainNeeded_[r] && !htmlNeeded_[r]) rows_.push_back(row);
                (p->Html() ? htmlNeeded_ : plainNeeded_)[r] = true;
                if (p->WidenKana()) (p->Html() ? htmlWiden_ : plainWiden_)[r] = true;
                if (IsDerivedRow(row)) derived_ = true;
            }
        }
        // Ascending, so a row's elements are read in the order they lie in memory.
        std::sort(rows_.begin(), rows_.end());
        if (derived_) stored_.assign(kRows, std::string());
    }

    // Reads the values of the customer in `row`.
    void Read(const AddressBookRows& rows, int row) {
        if (derived_) ReadDerivedRecord(rows, row);
        for (const int field : rows_) {
            const auto r = static_cast<std::size_t>(field);
            std::string& raw = raw_[r];
            if (IsDerivedRow(field)) {
                const std::string merged = MailWordInsert::GetMailWordInsert(record_, DerivedProbe(field), 0);
                raw.assign(merged, 1, std::string::npos);
            } else {
                rows.Element(row, field, raw);
            }
            if (plainNeeded_[r]) plain_[r].Set(raw, plainWiden_[r]);
            if (htmlNeeded_[r]) {
                if (HtmlEscapedLength(raw) == static_cast<int64_t>(raw.size())) {
                    html_[r].Set(raw, htmlWiden_[r]);
                } else {
                    HtmlEscapeMergeValue(raw, escaped_[r]);
                    html_[r].Set(escaped_[r], htmlWiden_[r]);
                }
            }
        }
    }

    std::array<MergeValue, kRows>& For(const MergeSizeProfile& p) { return p.Html() ? html_ : plain_; }

private:
    // "x" and the field: merged, the value follows the "x" (so an empty value is told
    // from the " " an empty merge gives).
    static const std::string& DerivedProbe(int row) {
        static const std::array<std::string, kRows> probes = [] {
            std::array<std::string, kRows> p;
            for (std::size_t r = 0; r < kRows; ++r) {
                const char* field = MailWordInsert::itsMailInsertDefinition[r].insertString;
                p[r] = std::string("x") + (field != nullptr ? field : "");
            }
            return p;
        }();
        return probes[static_cast<std::size_t>(row)];
    }

    // The record as the book gives it (CustomerFromRow), with only the elements that the
    // derived rows read.
    void ReadDerivedRecord(const AddressBookRows& rows, int row) {
        for (const int e : {kElemCustomerID, kElemBirthday, kElemEntryDate, kElemRenewalDate})
            rows.Element(row, e, stored_[static_cast<std::size_t>(e)]);
        CustomerFromRow(stored_, record_);
    }

    std::vector<int> rows_;
    std::array<bool, kRows> plainNeeded_{}, htmlNeeded_{}, plainWiden_{}, htmlWiden_{};
    bool derived_ = false;
    std::vector<std::string> stored_;
    OneCustomer record_;
    std::array<std::string, kRows> raw_;
    std::array<std::string, kRows> escaped_;
    std::array<MergeValue, kRows> plain_;
    std::array<MergeValue, kRows> html_;
};

MeasureFailure Failure(const char* text, const char* caption) { return {ui::U8(text), ui::U8(caption)}; }


// Whether text `index` of a record of `kind` is merged in its HTML form.
int HtmlForm(int kind, int index) { return kind >= kKindHtmlPc && index == 1 ? 1 : 0; }

// Mode 200: the three texts merged with the test-mail recipient of the kind.
MeasureFailure MeasureWithTestRecipient(MailSizeMeasure& record, const CheckStores& stores) {
    CTestMailingInfo recipients;
    if (stores.options != nullptr) recipients.SetSystemOption(stores.options);
    if (stores.env == nullptr || recipients.SetEnvManager(stores.env) == 0)
        return Failure("環境情報取得に失敗しました。", "異常");
    OneCustomer person;
    const int which = record.kind == kKindTextPc || record.kind == kKindHtmlPc ? 0 : 1;
    if (recipients.GetTestMailingInfo(person, which) != 1) return Failure("テストメールの情報を設定して下さい。", "注意");
    CMailSize size(nullptr);
    size.SetTargetCustomerByOneCustomer(person);
    for (std::size_t i = 0; i < record.texts.size(); ++i) {
        size.SetTargetString(record.texts[i], HtmlForm(record.kind, static_cast<int>(i)));
        const int widen = MeasureWidensKana(record.kind, record.texts[i]) ? 1 : 0;
        if (size.Analyze(widen) == 0) record.result.sizes[i] = size.GetMaxSize();
    }
    return {};
}

}  // namespace

void CountPageFiles(MailSizeMeasure& record) {
    MailSizeResult& r = record.result;
    r.inlineCount = 0;
    r.inlineTotal = 0;
    r.attachmentCount = 0;
    r.attachmentTotal = 0;
    if (record.kind < kKindHtmlPc || record.kind > kKindHtmlSoftbank) return;
    if (record.inlineImages != nullptr) {
        for (const PageFileEntry& e : *record.inlineImages) {
            if (!e.inlineImage) continue;
            ++r.inlineCount;
            r.inlineTotal += e.size;
        }
    }
    if (record.attachments != nullptr) {
        for (const PageFileEntry& e : *record.attachments) {
            ++r.attachmentCount;
            r.attachmentTotal += e.size;
        }
    }
}

bool MeasureWidensKana(int kind, const std::string& text) { return !(kind == kKindHtmlSoftbank && HasPictogram(text)); }

void LargestMergedSizes(AddressBookRows& rows, const std::vector<int>& ids,
                        const std::vector<const MergeSizeProfile*>& profiles, std::vector<int64_t>& sizes) {
    std::vector<int> rowOfId;
    rows.RowsOf(ids, rowOfId);
    std::vector<std::vector<int64_t>> partSizes(static_cast<std::size_t>(AddressBookRows::Parts(ids.size())),
                                                std::vector<int64_t>(profiles.size(), -1));
    rows.ForEachPart(ids.size(), [&](std::size_t first, std::size_t last, int part) {
        std::vector<int64_t> largest(profiles.size(), -1);  // the part's own, written back once
        RecipientValues values(profiles);
        for (std::size_t i = first; i < last; ++i) {
            const int row = rowOfId[i];
            if (row < 0) continue;
            values.Read(rows, row);
            for (std::size_t p = 0; p < profiles.size(); ++p)
                largest[p] = std::max(largest[p], profiles[p]->MergedSize(values.For(*profiles[p])));
        }
        partSizes[static_cast<std::size_t>(part)] = std::move(largest);
    });
    sizes.assign(profiles.size(), -1);
    for (const std::vector<int64_t>& part : partSizes)
        for (std::size_t p = 0; p < profiles.size(); ++p) sizes[p] = std::max(sizes[p], part[p]);
}

bool CheckMailSizeForCarriers(QWidget* parent, MailSizeMeasure& record, const CheckStores& stores) {
    return CheckMailSizeForCarriers(parent, std::vector<MailSizeMeasure*>{&record}, stores);
}

bool CheckMailSizeForCarriers(QWidget* parent, const std::vector<MailSizeMeasure*>& records,
                              const CheckStores& stores) {
    std::vector<MeasureFailure> failures;
    MeasureMailSizes(records, stores, failures);
    bool ok = true;
    for (const MeasureFailure& f : failures) {
        if (!f.failed()) continue;
        ui::MessageBox(parent, f.text, f.caption, platform::kMbOk | platform::kMbIconWarning);
        ok = false;
    }
    return ok;
}

void MeasureMailSizes(const std::vector<MailSizeMeasure*>& records, const CheckStores& stores,
                      std::vector<MeasureFailure>& failures) {
    failures.assign(records.size(), MeasureFailure{});
    std::vector<std::size_t> byList;
    std::size_t lookups = 0;
    for (std::size_t n = 0; n < records.size(); ++n) {
        MailSizeMeasure& record = *records[n];
        record.result = MailSizeResult{};
        for (std::size_t i = 0; i < record.texts.size(); ++i)
            record.result.sizes[i] = static_cast<int64_t>(record.texts[i].size());
        CountPageFiles(record);
        if (record.mode == kMeasureTestRecipient) {
            failures[n] = MeasureWithTestRecipient(record, stores);
        } else if (record.ids != nullptr && !record.ids->empty()) {
            if (stores.book == nullptr) {
                failures[n] = Failure("長さチェックに失敗しました", "異常");
                continue;
            }
            byList.push_back(n);
            lookups += record.ids->size();
        }
    }
    if (byList.empty()) return;

    // One pass over the book for every list, under one hold of its lock.
    AddressBookRows rows(*stores.book, lookups);
    for (const std::size_t n : byList) {
        MailSizeMeasure& record = *records[n];
        std::vector<std::unique_ptr<MergeSizeProfile>> owned;
        std::vector<const MergeSizeProfile*> profiles;
        for (std::size_t i = 0; i < record.texts.size(); ++i) {
            owned.push_back(std::make_unique<MergeSizeProfile>(
                record.texts[i], HtmlForm(record.kind, static_cast<int>(i)),
                MeasureWidensKana(record.kind, record.texts[i])));
            profiles.push_back(owned.back().get());
        }
        std::vector<int64_t> sizes;
        LargestMergedSizes(rows, *record.ids, profiles, sizes);
        if (sizes.empty() || sizes[0] < 0) {
            failures[n] = Failure("チェック対象の個人情報IDがデータベースに存在しません", "異常");
            continue;
        }
        for (std::size_t i = 0; i < sizes.size(); ++i) record.result.sizes[i] = sizes[i];
    }
}

}  // namespace compose
