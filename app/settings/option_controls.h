#pragma once
// What the system settings screens share: the option copy they all edit, and the small
// rules by which its texts meet the controls.
//
// The option copy is the settings sheet's private vector of the 123 option texts
// (Shift_JIS, slot order). Every page and option dialog holds a pointer to that one
// vector and reads or replaces single slots; nothing here touches the option store.
// Flags are "Y" and "N": a check box is checked when its slot is exactly "Y" and stores
// "Y" or "N". A slot beyond the copy's end reads as the empty text and is never written
// (the sheet sizes the copy to 123 slots before any page sees it).

#include <QString>

#include <initializer_list>
#include <string>
#include <vector>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace settings {

using OptionCopy = std::vector<std::string>;

// The number of option slots the sheet edits.
inline constexpr int kOptionSlots = 123;

// The text of `slot`, converted for the screen; empty for a null copy or a slot outside it.
QString SlotText(const OptionCopy* options, int slot);
// Replaces `slot` with `text` in Shift_JIS; nothing for a null copy or a slot outside it.
void SetSlot(OptionCopy* options, int slot, const QString& text);
void SetSlotBytes(OptionCopy* options, int slot, const std::string& bytes);

// A check box's slot: checked when it holds exactly "Y"; stored as "Y" or "N".
void LoadCheck(const OptionCopy* options, int slot, QAbstractButton* box);
void StoreCheck(OptionCopy* options, int slot, const QAbstractButton* box);

// Radio buttons that share a slot, each standing for one value text. Load checks the one
// whose value the slot holds exactly, or none; store writes the checked one's value and
// leaves the slot alone when none is checked. The buttons are exclusive by their parent
// widget (not in a QButtonGroup).
struct RadioChoice {
    QRadioButton* button;
    const char* value;
};
void LoadRadios(const OptionCopy* options, int slot, std::initializer_list<RadioChoice> choices);
void StoreRadios(OptionCopy* options, int slot, std::initializer_list<RadioChoice> choices);

// The number a text of decimal digits stands for, read as C's atoi does (leading blanks,
// a sign, then digits up to the first other character; 0 when there are none), but held
// within +-999,999,999,999 instead of overflowing, so that "99999999999" stays above any
// limit a screen checks against.
long long LeadingNumber(const QString& text);

// The list's first item that begins with `text` (ignoring case, as the old list controls
// searched; the empty text matches the first item) is selected; -1 and the selection
// left alone when none does.
int SelectFirstStartingWith(QComboBox* list, const QString& text);

// Lists that show one text and store another: the items are added with their value texts.
void FillValueList(QComboBox* list, const std::vector<const char*>& shown, const std::vector<const char*>& values);
// Selects the item whose value text is exactly `value`, else the item whose value is
// `fallback`.
void SelectValue(QComboBox* list, const QString& value, const QString& fallback);
// The value text of the selected item; empty when none is selected.
QString SelectedValue(const QComboBox* list);

// A one-line edit (control `id`) into which only the digits 0-9 can be typed, at most
// `maxDigits` of them. A longer or other text put there by a load stays as it is, for
// the dialog's check to refuse.
QLineEdit* MakeDigitsEdit(QWidget* parent, int id, int maxDigits);

// Puts the focus on control `id` of `root` after a refused input; an edit's whole text
// is selected and scrolled into view. The page or dialog holding it is shown first by
// the caller.
void FocusControl(QWidget* root, int id);

}  // namespace settings
