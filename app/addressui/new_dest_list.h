#pragma once
// A new destination list of the address book made from people picked in the
// personal-information list (its context menu, when the address book opened the list).
//
// CNewDestNameDlg (dialog 335 "新規宛先作成") asks the list's name; OK refuses an empty
// name ("宛先名称の未入力はできません") and stays open.
//
// MakeDestinationList stores the list: its members are exactly the people given (those who
// refuse advertising mail excepted, as every destination list drops them), and its
// conditions one condition of group A on the customer ID whose values are the IDs, each
// in double quotes, joined by "," - so a later refresh of the list picks the same people.
// Everything that can be checked is checked before the list takes an ID, and the files
// are written under the new ID before the entry goes into the store, so a failure at any
// step leaves no entry behind (a list the address book would show without its files). The
// store is the caller's and is not written here: the address book writes it when it
// reloads.

#include <QString>

#include <string>
#include <vector>

#include "app/addressui/name_dlgs.h"

class ExtractListViewer;

namespace addressui {

class CNewDestNameDlg : public NameDialogBase {
    Q_OBJECT
public:
    static constexpr int kIdd = 335;
    static constexpr int kIdcName = 1886;

    explicit CNewDestNameDlg(QWidget* parent = nullptr);
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
};

// The longest condition text a destination list takes, in bytes.
inline constexpr std::size_t kMaxConditionBytes = 30000;

struct NewDestListResult {
    bool ok = false;
    int id = -1;       // the new list's ID when ok
    QString text;      // when not ok: the message and its caption
    QString caption;
};

// The condition text of customers `ids`: "\"1\",\"22\",...".
std::string CustomerIdCondition(const std::vector<int>& ids);

// Makes list `name` (Shift_JIS) of customers `ids` (in list order) in `lists`, over the
// program's open environment.
NewDestListResult MakeDestinationList(ExtractListViewer& lists, const std::string& name, const std::vector<int>& ids);

}  // namespace addressui
