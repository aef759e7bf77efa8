#include "app/addressui/db_edit_sheet.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <algorithm>

#include "app/addressui/basic_info_form.h"
#include "app/addressui/db_edit_extra_view.h"
#include "app/addressui/db_edit_standard_view.h"
#include "app/addressui/record_control_ids.h"
#include "app/addressui/record_store.h"
#include "app/environment/environment_service.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "core/addressbook/database_edit.h"
#include "core/foundation/system_option.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

// Reads record `id` (a new, empty record for a negative `id` when `allowNew`) and the attribute
// names of the open environment; the reason when the record cannot be had, else empty.
QString LoadRecord(int id, bool allowNew, OneCustomer& record, std::vector<std::string>& names) {
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    if (book == nullptr) return ui::U8("環境が開かれていないため、個人情報を表示できません");
    if (id < 0 && allowNew) book->GetOneCustomerForNew(record, 1);
    else if (book->GetOneCustomerForEdit(record, id) < 0) return ui::FromSjis(book->GetErrMsg().GetLastMsg());
    SystemOption* options = shell::GetSystemOption();
    if (options == nullptr || options->GetSOExtractDataFromMemory(names) < 0) names.clear();
    names.resize(20);
    return {};
}

int RefuseToOpen(QWidget* owner, const QString& why) {
    ui::MessageBox(owner, why, ui::U8("エラー"), platform::kMbOk | platform::kMbIconError);
    return platform::kIdCancel;
}

QPushButton* SheetButton(QWidget* sheet, int id) { return ui::FindControl<QPushButton>(sheet, id); }

}  // namespace

CDBEditSheet::CDBEditSheet(int customerId, const QString& caption, QWidget* parent, int selectPage)
    : CVarnisPropertySheet(caption, parent, selectPage), customerId_(customerId) {
    standard_ = new CDBEditStandardView;
    extra1_ = new CDBEditExtra1View;
    extra2_ = new CDBEditExtra2View;
    loadError_ = LoadRecord(customerId, true, record_, names_);
    opened_ = record_;
    for (CDBEditViewBase* page : {static_cast<CDBEditViewBase*>(standard_), static_cast<CDBEditViewBase*>(extra1_),
                                  static_cast<CDBEditViewBase*>(extra2_)}) {
        page->SetOneCustomer(&record_);
        page->SetExtractData(&names_);
    }
    AddPage(standard_, ui::U8("基本情報"));
    AddPage(extra1_, ui::U8("拡張属性1[A～J]"));
    AddPage(extra2_, ui::U8("拡張属性2[K～T]"));
    // The save checks and reads the basic page whichever page is on screen.
    for (CDBEditViewBase* page : {static_cast<CDBEditViewBase*>(standard_), static_cast<CDBEditViewBase*>(extra1_),
                                  static_cast<CDBEditViewBase*>(extra2_)})
        page->InitPage();
    SheetButton(this, kIdcOk)->setText(ui::U8("保存"));
    SheetButton(this, kIdcApply)->hide();
}

int CDBEditSheet::DoModal() {
    if (!loadError_.isEmpty()) return RefuseToOpen(parentWidget(), loadError_);
    return CVarnisPropertySheet::DoModal();
}

void CDBEditSheet::FocusMailAddress() {
    GetTabControl()->setCurrentWidget(standard_);
    if (QLineEdit* mail = standard_->Form()->Edit(ids::kMailAddress)) {
        mail->setFocus(Qt::OtherFocusReason);
        mail->selectAll();
    }
}

void CDBEditSheet::accept() {
    if (!loadError_.isEmpty()) return;
    if (const InputProblem problem = standard_->CheckInput()) {
        GetTabControl()->setCurrentWidget(standard_);
        standard_->ShowProblem(problem);
        return;
    }
    standard_->TransferData(false);
    if (record_.Email.empty()) {
        const SaveMessage m = EmptyAddressMessage();
        ui::MessageBox(this, ui::U8(m.text.c_str()), ui::U8(m.caption.c_str()), platform::kMbOk | platform::kMbIconInformation);
        FocusMailAddress();
        return;
    }
    CDatabaseEdit* book = shell::GetDatabaseEdit();
    if (book == nullptr) {
        ui::MessageBox(this, ui::U8("環境が開かれていないため、個人情報を保存できません"),
                       ui::U8(StoreFailedCaption(customerId_ < 0)), platform::kMbOk | platform::kMbIconWarning);
        done(platform::kIdCancel);
        return;
    }
    // The user's answers about fields that changed under the dialog: which value was stored
    // when asked, and whether it stays.
    struct Answer {
        int element;
        OneCustomer stored;
        bool keepStored;
    };
    std::vector<Answer> answers;
    for (;;) {
        OneCustomer toStore = record_;
        OneCustomer now;
        std::vector<int> ask;
        AddressInUse inUse;
        int stored = 0;
        {
            // Read, merged and stored in one hold of the book's lock: no change of another
            // thread (the receive run) falls in between. Questions wait outside it.
            CDatabaseEdit::ChangeGroup group(*book);
            if (customerId_ >= 0) {
                stored = book->GetOneCustomerForEdit(now, customerId_);
                if (stored == 0) {
                    EditMerge merge = MergeEdits(opened_, record_, now);
                    std::vector<int> keep;
                    for (int e : merge.conflicts) {
                        const auto it = std::find_if(answers.begin(), answers.end(), [&](const Answer& a) {
                            return a.element == e && SameField(a.stored, now, e);
                        });
                        if (it == answers.end()) ask.push_back(e);
                        else if (it->keepStored) keep.push_back(e);
                    }
                    UseStoredValues(merge.record, now, keep);
                    toStore = merge.record;
                }
            }
            if (stored == 0 && ask.empty()) {
                inUse = FindAddressInUse(*book, toStore.Email, toStore.CustomerID);
                if (!inUse) {
                    AdvanceCustomerSequence(shell::GetEnvManager(), book->GetMaxDBID());
                    stored = book->SetOneCustomerInfo(toStore, 0);
                    if (stored == 0 && group.Commit() < 0) stored = -11;
                }
            }
        }
        if (stored == 0 && !ask.empty()) {
            const SaveMessage q = ConflictQuestion(ask, now, record_, names_);
            const int answer = ui::MessageBox(this, ui::U8(q.text.c_str()), ui::U8(q.caption.c_str()),
                                              platform::kMbYesNoCancel | platform::kMbIconQuestion | ui::kMbDefButton2);
            if (answer == platform::kIdCancel) return;
            for (int e : ask) answers.push_back({e, now, answer != platform::kIdYes});
            continue;  // read again: the record may have changed once more meanwhile
        }
        if (inUse) {
            const SaveMessage m = AddressInUseMessage(inUse);
            ui::MessageBox(this, ui::U8(m.text.c_str()), ui::U8(m.caption.c_str()),
                           platform::kMbOk | platform::kMbIconInformation);
            FocusMailAddress();
            return;
        }
        if (stored != 0) {
            ui::MessageBox(this, ui::FromSjis(book->GetErrMsg().GetLastMsg()), ui::U8(StoreFailedCaption(customerId_ < 0)),
                           platform::kMbOk | platform::kMbIconWarning);
            done(platform::kIdCancel);
            return;
        }
        record_ = toStore;
        QDialog::accept();
        return;
    }
}

void CDBEditSheet::reject() {
    if (!ConfirmDiscard()) return;
    CVarnisPropertySheet::reject();
}

bool CDBEditSheet::ConfirmDiscard() {
    if (!loadError_.isEmpty()) return true;
    OneCustomer now = record_;
    standard_->Form()->Store(now);
    if (now == opened_) return true;
    return ui::MessageBox(this,
                          ui::U8("編集中の個人情報は保存されていません。\r\n"
                                 "変更した内容を破棄して、個人情報の編集を終了してもよろしいですか？\r\n"
                                 "([キャンセル]ボタンをクリックすると編集に戻ります。)"),
                          ui::U8("確認"), platform::kMbOkCancel | platform::kMbIconQuestion | ui::kMbDefButton2) ==
           platform::kIdOk;
}

CDBEditSheet2::CDBEditSheet2(int customerId, const QString& caption, QWidget* parent, int selectPage)
    : CVarnisPropertySheet(caption, parent, selectPage), customerId_(customerId) {
    loadError_ = LoadRecord(customerId, false, record_, names_);
    auto* standard = new CDBEditStandardView2;
    auto* extra1 = new CDBEditExtra1View2;
    auto* extra2 = new CDBEditExtra2View2;
    for (CDBEditViewBase* page : {static_cast<CDBEditViewBase*>(standard), static_cast<CDBEditViewBase*>(extra1),
                                  static_cast<CDBEditViewBase*>(extra2)}) {
        page->SetOneCustomer(&record_);
        page->SetExtractData(&names_);
    }
    AddPage(standard, ui::U8("基本情報"));
    AddPage(extra1, ui::U8("拡張属性1[A～J]"));
    AddPage(extra2, ui::U8("拡張属性2[K～T]"));
    SheetButton(this, kIdcOk)->hide();
    SheetButton(this, kIdcApply)->hide();
    SheetButton(this, kIdcCancel)->setText(ui::U8("閉じる"));
}

int CDBEditSheet2::DoModal() {
    if (!loadError_.isEmpty()) return RefuseToOpen(parentWidget(), loadError_);
    return CVarnisPropertySheet::DoModal();
}

}  // namespace addressui
