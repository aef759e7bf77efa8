#pragma once
// Resource numbers of the personal-record screens: the editor's pages, its read-only
// twin, the extended-attribute input windows, and the test-mail recipient views that
// reuse the same page designs. Tests find the controls by these numbers.

#include <array>

namespace addressui::ids {

// Pages and windows.
inline constexpr int kBasicPage = 165;          // "基本情報", editable
inline constexpr int kBasicPageReadOnly = 207;  // "基本情報", read-only
inline constexpr int kExtra1Page = 166;         // "拡張属性1[A～J]"
inline constexpr int kExtra2Page = 171;         // "拡張属性2[K～T]"
inline constexpr int kExtra1Window = 121;       // "拡張属性1[A～J]入力ウィンドウ"
inline constexpr int kExtra2Window = 172;       // "拡張属性2[K～T]入力ウィンドウ"

// The record header shown on every page.
inline constexpr int kHeaderIdLabel = 2004;    // "個人情報ID"
inline constexpr int kHeaderNameLabel = 1839;  // "名前(会社名)"
inline constexpr int kHeaderFrame = 1838;
inline constexpr int kHeaderId = 1740;         // "新規作成" or the ID
inline constexpr int kHeaderName = 1741;       // "surname given-name", or the company

// The basic page.
inline constexpr int kMailAddress = 1742;  // element 1
inline constexpr int kSurname = 1743;      // 2
inline constexpr int kGivenName = 1744;    // 3
inline constexpr int kSurnameKana = 1745;  // 4
inline constexpr int kGivenKana = 1746;    // 5
inline constexpr int kCompany = 1747;      // 6
inline constexpr int kDepartment = 1748;   // 7
inline constexpr int kBirthDateSet = 1556;     // check box of element 8
inline constexpr int kBirthDatePicker = 1555;  // its date picker
inline constexpr int kBirthDateReadOnly = 1392;  // element 8 on the read-only page
inline constexpr int kPostalCode = 1749;   // 9
inline constexpr int kPostalCode2 = 1750;  // 10, hidden
inline constexpr int kPrefecture = 1751;   // 11
inline constexpr int kCity = 1752;         // 12
inline constexpr int kStreet = 1753;       // 13
inline constexpr int kBuilding = 1754;     // 14, hidden
inline constexpr int kPhone = 1755;        // 15
inline constexpr int kPhone2 = 1756;       // 16, hidden
inline constexpr int kFax = 1757;          // 17
inline constexpr int kFax2 = 1758;         // 18, hidden
inline constexpr int kMobile = 1759;       // 19
inline constexpr int kMobile2 = 1760;      // 20, hidden
inline constexpr int kDmFlag = 1761;       // 21

// The extended-attribute pages and windows.
inline constexpr int kChangeButton = 1440;
inline constexpr int kExtra1Names = 1720;  // 1720-1729: names of A-J
inline constexpr int kExtra2Names = 1730;  // 1730-1739: names of K-T
inline constexpr std::array<int, 10> kExtra1Values = {1327, 1330, 1332, 1334, 1336, 1338, 1340, 1342, 1345, 1347};
inline constexpr std::array<int, 10> kExtra2Values = {1441, 1442, 1443, 1444, 1445, 1446, 1447, 1448, 1449, 1450};
// The notes beside the change button, hidden on the read-only pages.
inline constexpr int kExtra1ChangeNote = 1476;  // "※データ変更⇒"
inline constexpr int kExtra1NameNote = 1477;    // "(拡張属性項目名称はシステム設定で変更ができます)"
inline constexpr int kExtra2ChangeNote = 1478;
inline constexpr int kExtra2NameNote = 1481;

}  // namespace addressui::ids
