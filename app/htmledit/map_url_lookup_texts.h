#pragma once
// The messages of the map URL lookup and its candidate choice, shared by both dialogs.
// All are shown with an OK button and no icon.

#include <QString>

#include "app/ui/sjis_text.h"

namespace htmledit::texts {

inline QString LookupErrorCaption() { return ui::U8("地図URLの取得エラー"); }
// Neither address nor prefecture: as many places as there are.
inline QString EmptySearch() {
    return ui::U8("住所に該当する候補が多すぎます。詳細な住所を入力してから再度URL取得を行ってください。\n\n");
}
inline QString TooManyCandidates() {
    return ui::U8("入力された住所に該当する候補が多すぎます。詳細な住所を入力してから再度URL取得を行ってください。\n\n");
}
inline QString NoCandidates() {
    return ui::U8("入力された住所に該当する候補はありません。正しい住所を入力してから再度URL取得を行ってください。\n\n");
}
inline QString NoInformation() { return ui::U8("入力された住所に該当する地図URLの情報を取得できませんでした。\n\n"); }
inline QString NotConnected() {
    return ui::U8("インターネットに接続されていないため、地図URLが取得できませんでした。\n\n"
                  "インターネットに接続してから、再度地図URL取得を行ってください。\n\n");
}
inline QString ChooseCaption() { return ui::U8("地図URLの選択"); }
inline QString ChooseData() { return ui::U8("データを選択してください。\n\n"); }

}  // namespace htmledit::texts
