#pragma once
// The two groups of extended attributes the screens show ten at a time: A-J (elements
// 28-37, names 1-10) and K-T (elements 38-47, names 11-20), with the resource numbers
// and texts of their pages and input windows.

#include <array>

#include "app/addressui/record_control_ids.h"

namespace addressui {

struct ExtraAttributeGroup {
    int first;                         // index of its first attribute: 0 (A) or 10 (K)
    int firstElement;                  // 28 or 38
    int nameControls;                  // first of the ten name edits
    std::array<int, 10> valueControls; // value edits (pages) and combo boxes (windows)
    int pageId;
    const char* pageTitle;
    int windowId;
    const char* windowTitle;
    const char* changeButton;          // text of button 1440
    int changeNote;                    // "※データ変更⇒"
    int nameNote;                      // "(拡張属性項目名称はシステム設定で変更ができます)"
    const char* mask;                  // element mask of its ten elements
};

inline constexpr int kAttributesPerGroup = 10;

inline const ExtraAttributeGroup& GroupAtoJ() {
    static constexpr ExtraAttributeGroup g{
        0, 28, ids::kExtra1Names, ids::kExtra1Values, ids::kExtra1Page, "拡張属性1[A～J]", ids::kExtra1Window,
        "拡張属性1[A～J]入力ウィンドウ", "拡張属性A～Jのデータを変更する", ids::kExtra1ChangeNote,
        ids::kExtra1NameNote, "00000000000000000000000000001111111111000000000000000000"};
    return g;
}

inline const ExtraAttributeGroup& GroupKtoT() {
    static constexpr ExtraAttributeGroup g{
        10, 38, ids::kExtra2Names, ids::kExtra2Values, ids::kExtra2Page, "拡張属性2[K～T]", ids::kExtra2Window,
        "拡張属性2[K～T]入力ウィンドウ", "拡張属性K～Tのデータを変更する", ids::kExtra2ChangeNote,
        ids::kExtra2NameNote, "00000000000000000000000000000000000000111111111100000000"};
    return g;
}

}  // namespace addressui
