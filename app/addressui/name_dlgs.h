#pragma once
// The one-field name dialogs of the address-book screens. The opener may set the text
// before DoModal and reads it after OK (Shift_JIS, as the destination lists store it):
//  - CDestNameDlg (157 "宛先の名称"): the name of a new destination list; OK refuses an
//    empty name ("宛先名称の未入力はできません") and stays open;
//  - CConditionNameDlg (163 "抽出条件名称の変更"): the changed destination name of a mail,
//    starting with the given name; OK refuses an empty name ("抽出条件名称の未入力はで
//    きません") and stays open;
//  - CHonorificDlg (273 "敬称一括追加"): the honorific added to every destination's name;
//    starts empty whatever was set, and may be left empty.

#include <QDialog>

#include <string>

class QLineEdit;

namespace addressui {

// The common part: one edit, its text in and out.
class NameDialogBase : public QDialog {
    Q_OBJECT
public:
    void SetName(const std::string& sjis) { name_ = sjis; }
    const std::string& GetName() const { return name_; }
    // 1 (IDOK) or 2 (IDCANCEL).
    int DoModal();

protected:
    NameDialogBase(int idd, int editId, QWidget* parent);
    QLineEdit* Edit() const { return edit_; }
    // Puts the name into the edit when the dialog opens.
    virtual void Load();
    // Takes the edit into the name: true to close with OK.
    virtual bool Store();

    std::string name_;

private:
    QLineEdit* edit_ = nullptr;
};

class CDestNameDlg : public NameDialogBase {
    Q_OBJECT
public:
    static constexpr int kIdd = 157;
    static constexpr int kIdcName = 1351;
    explicit CDestNameDlg(QWidget* parent = nullptr);
    void accept() override;
};

class CConditionNameDlg : public NameDialogBase {
    Q_OBJECT
public:
    static constexpr int kIdd = 163;
    static constexpr int kIdcName = 1355;
    explicit CConditionNameDlg(QWidget* parent = nullptr);
    void accept() override;
};

class CHonorificDlg : public NameDialogBase {
    Q_OBJECT
public:
    static constexpr int kIdd = 273;
    static constexpr int kIdcName = 1770;
    explicit CHonorificDlg(QWidget* parent = nullptr);
    void accept() override;

protected:
    void Load() override;
};

}  // namespace addressui
