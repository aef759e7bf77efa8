#pragma once
// The checks a personal record's typed values get before they are stored, without any
// widget: the basic fields (mail address, postal code, telephone numbers) of the record
// editor and of the test-mail recipient editor, and the values of the twenty extended
// attributes by their kind. The screens call these and show what they answer.
//
// Texts in are Shift_JIS bytes as the controls give them (ui::ToSjis). Messages and
// captions out are UTF-8 literals of the program, exactly as the screens show them.

#include <string>
#include <string_view>

namespace addressui {

// A failed check: the control to focus, the message and the caption of its message box
// (stop icon). A passed check has control 0.
struct InputProblem {
    int control = 0;
    const char* text = nullptr;
    const char* caption = nullptr;
    explicit operator bool() const { return control != 0; }
};

// The basic fields that are checked, as typed.
struct BasicFieldTexts {
    std::string mailAddress;  // control 1742
    std::string postalCode;   // 1749
    std::string phone;        // 1755
    std::string fax;          // 1757
    std::string mobile;       // 1759
};

// Checks in this order and stops at the first failure; an empty field always passes:
//  1. the mail address must pass MailAddressChecker (caption "基本属性(名前等)入力エラー");
//  2. the postal code holds only "0123456789-" and, without its hyphens, at most 7
//     characters; the telephone, FAX and mobile numbers only "0123456789-+" (caption
//     "基本属性(住所等)入力エラー").
// Full-width digits are refused like any other character outside those sets.
InputProblem CheckBasicFields(const BasicFieldTexts& fields);

// The verdict on one extended attribute's value.
enum class AttributeVerdict { kAccepted, kNotNumber, kNotDate };

// Checks `text` (not empty) as a value of an attribute of `dataType` (0 text, 1 number,
// 2 date; another kind is text) and gives the text to store in `accepted`:
//  - text: accepted as typed;
//  - number: CheckNumberData must accept it (at most 9 digits, only 0-9, "+", "-");
//  - date: ReFormat_DateData must read at least year, month and day; the normalised date
//    is kept with as many parts as were given: 10 characters for a date, 13 with the hour,
//    16 with the minutes, 19 with the seconds. "2005/4/1" gives "2005/04/01".
// `accepted` is left alone when the value is refused.
AttributeVerdict CheckAttributeValue(int dataType, std::string_view text, std::string& accepted);

// What follows the attribute's name in the message of a refused value (UTF-8); empty for
// kAccepted.
const char* AttributeProblemText(AttributeVerdict verdict);
// The caption of that message box (exclamation icon).
inline constexpr const char* kAttributeProblemCaption = "拡張属性のデータが正しくありません";

}  // namespace addressui
