#pragma once
// CExtAttrNameDlg (106 "拡張属性名称/型の設定"): the display names and kinds of the twenty
// extended attributes A-T of every person. Over the sheet's option copy (COptionDlg):
// item k (0 = A ... 19 = T) has its name in slot 14 + k (edit) and its kind in slot
// 34 + k (list: "0" 文字列, "1" 数値, "2" 日付; another text loads as 文字列).
//
// OK refuses, naming the item ("項目A" ...) and putting the focus on its name:
//  - an empty name;
//  - a name that another item has, or that a basic item of the address book has
//    ("会社名" ...): the names are column titles and import targets, so each must be
//    unique. Names compare exactly, byte for byte.
//
// "名称定義テンプレートの読み込み" (1163) fills all twenty names and kinds from a template
// file: comma-separated, line 1 the twenty names, line 2 the twenty kinds (0-2; a field
// that is no number counts as 0). A file that cannot be read, a line that does not hold
// exactly twenty fields, or a kind outside 0-2 is refused with nothing changed; a good
// file changes only the controls (the copy changes on OK).
//
// When option 111 of the open environment's store is "Y", the kinds of A-F and Q-S and
// the template button are locked (they feed a fixed import layout).

#include <QString>

#include <array>
#include <string>
#include <vector>

#include "app/settings/option_dlg.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace settings {

class CExtAttrNameDlg : public COptionDlg {
    Q_OBJECT
public:
    static constexpr int kIdd = 106;
    static constexpr int kItems = 20;
    static constexpr int kIdcTemplate = 1163;
    static constexpr int kSlotFirstName = 14;
    static constexpr int kSlotFirstKind = 34;
    static constexpr int kSlotLockedKinds = 111;
    // The name edits and kind lists of items A-T.
    static const std::array<int, kItems> kNameIds;
    static const std::array<int, kItems> kKindIds;

    CExtAttrNameDlg(OptionCopy* options, QWidget* parent = nullptr);

    // Reads a template: the twenty names and kinds, or the message (and its caption) that
    // refuses the file. The kinds are 0-2.
    struct Template {
        std::vector<std::string> names;  // Shift_JIS
        std::vector<int> kinds;
        QString error;                   // empty when read
    };
    static Template ReadTemplate(const std::string& path);

protected:
    void ExchangeOptions(bool load) override;
    void UpdateEnabling() override;
    bool CheckInput() override;

private:
    void OnLoadTemplate();
    static void SelectKind(QComboBox* list, long long kind);

    std::array<QLineEdit*, kItems> names_{};
    std::array<QComboBox*, kItems> kinds_{};
    QPushButton* template_ = nullptr;
    bool kindsLocked_ = false;
};

}  // namespace settings
