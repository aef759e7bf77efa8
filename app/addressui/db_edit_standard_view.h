#pragma once
// The basic-information pages of the record editor: CDBEditStandardView (page 165), the
// editable form of the basic fields (basic_info_form.h), and CDBEditStandardView2 (page
// 207), the same fields in read-only edits for the read-only sheet.
//
// The editable page is checked and written back by its sheet's save, not when it is left:
// the sheet asks CheckInput, shows the page with ShowProblem on a failure, and then calls
// TransferData(false). The header follows the record held, refreshed also when the
// surname, given-name or company edit changes.
//
// The read-only page shows the mail address as "（削除済み）" when the record has none, the
// birth date as stored (1392, its first 19 characters), the prefecture as stored, the DM
// flag as its list text; it never writes the record.

#include "app/addressui/db_edit_view_base.h"
#include "app/addressui/record_checks.h"

class QLineEdit;

namespace addressui {

class BasicInfoForm;

class CDBEditStandardView : public CDBEditViewBase {
    Q_OBJECT
public:
    explicit CDBEditStandardView(QWidget* parent = nullptr);

    void TransferData(bool toControls) override;
    InputProblem CheckInput() const;
    void ShowProblem(const InputProblem& problem);
    BasicInfoForm* Form() const { return form_; }

private:
    BasicInfoForm* form_ = nullptr;
};

class CDBEditStandardView2 : public CDBEditViewBase {
    Q_OBJECT
public:
    explicit CDBEditStandardView2(QWidget* parent = nullptr);

    void TransferData(bool toControls) override;

private:
    QLineEdit* AddShown(int control);
    struct Shown {
        int control;
        QLineEdit* edit;
    };
    std::vector<Shown> shown_;
};

}  // namespace addressui
