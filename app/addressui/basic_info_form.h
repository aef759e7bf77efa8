#pragma once
// BasicInfoForm: the basic fields of a personal record as one editable form, shared by the
// record editor's basic page (page 165) and the test-mail recipient editor's basic view:
// mail address, names and their kana, company and department (1742-1748), the birth date
// behind its check box (1556, 1555), postal code, prefecture, city, street, phone, FAX
// and mobile (1749, 1751-1753, 1755, 1757, 1759), and the DM flag (1761). The second
// parts of the postal code, street, phone, FAX and mobile (1750, 1754, 1756, 1758, 1760)
// sit in hidden, disabled edits: they pass through unchanged.
//
// Load fills the controls from a record; Store writes them back into it. A control the
// user did not change writes back the record's own bytes (record_fields.h says why and how
// the prefecture and the birth date are shown), so loading and storing without a change
// leaves the record equal to what it was.
//
// Check runs CheckBasicFields on what would be stored; ShowProblem shows a failure's message
// (stop icon) and puts the focus on its control with the text selected.

#include <QDate>
#include <QTime>
#include <QWidget>

#include <string>
#include <vector>

#include "app/addressui/kept_text.h"
#include "app/addressui/record_checks.h"
#include "core/addressbook/one_customer.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;

namespace addressui {

class BasicInfoForm : public QWidget {
    Q_OBJECT
public:
    // `withDmFlag` false hides the DM flag list and its label (the list still passes the
    // record's flag through).
    explicit BasicInfoForm(bool withDmFlag, QWidget* parent = nullptr);

    void Load(const OneCustomer& record);
    // Elements 1-21 of `record` from the controls.
    void Store(OneCustomer& record) const;
    InputProblem Check() const;
    void ShowProblem(const InputProblem& problem);

    // The edit of control `id` (1742-1760), or null.
    QLineEdit* Edit(int id) const;

signals:
    // The surname, given-name or company edit changed its text.
    void NameFieldEdited();

private:
    // One edit bound to one text element of the record.
    struct Field {
        int control = 0;
        std::string OneCustomer::*member = nullptr;
        QLineEdit* edit = nullptr;
        KeptText kept;
    };
    QLineEdit* AddEdit(int control, std::string OneCustomer::*member);
    std::string Stored(int control) const;
    std::string StoreBirthDate() const;

    std::vector<Field> fields_;
    QCheckBox* birthSet_ = nullptr;
    QDateEdit* birthDate_ = nullptr;
    QLineEdit* birthStored_ = nullptr;  // a birth text that is no date, as stored
    QComboBox* prefecture_ = nullptr;
    QComboBox* dmFlag_ = nullptr;

    // What Load showed, for Store to tell the user's changes from what was loaded.
    std::string birthBytes_;
    bool birthChecked_ = false;
    QDate birthShownDate_;
    QTime birthTime_;
    std::string prefectureBytes_;
    int prefectureIndex_ = 0;
    bool prefectureKept_ = true;
    std::string dmBytes_;
    int dmIndex_ = -1;
};

}  // namespace addressui
