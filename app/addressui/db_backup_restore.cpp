#include "app/addressui/db_backup_restore.h"

#include <optional>

#include "app/ui/file_picker.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "platform/notifier.h"

namespace addressui {
namespace {

using ui::kInformation;
using ui::kExclamation;

QString Paths(const char* backupLabel, const std::string& backup, const char* reportLabel, const std::string& report) {
    QString text = ui::U8(backupLabel) + ui::FromPath(backup);
    if (reportLabel != nullptr) text += ui::U8(reportLabel) + ui::FromPath(report);
    return text;
}

}  // namespace

FileChooser PickerFileChooser(QWidget* owner) {
    return [owner](const FileDialogRequest& request, std::string& path) {
        ui::FileRequest ask;
        ask.save = request.save;
        ask.filter = ui::FromSjis(request.filter);
        ask.defaultExt = QString::fromStdString(request.defaultExt);
        ask.fileMustExist = request.fileMustExist;
        ask.overwritePrompt = request.overwritePrompt;
        const std::optional<QString> picked = ui::CurrentFilePicker().PickFile(owner, ask);
        if (!picked || picked->isEmpty()) return false;
        path = ui::ToPath(request.save ? ui::WithDefaultExtension(*picked, ask.defaultExt) : *picked);
        return true;
    };
}

std::string RestoreReportFileName(const std::string& backupTitle, const std::string& backupExt,
                                  const std::string& envName, const platform::DateTime& started) {
    return backupTitle + "_" + backupExt + "_" + envName + "_" + started.Format("%Y%m%d%H%M%S") + ".txt";
}

OutcomeMessage BackupOutcome(int result, const std::string& backupPath) {
    switch (result) {
    case 0:
        return {ui::FromPath(backupPath) + ui::U8("\r\nという名称のファイルに書き出しました"), ui::U8("バックアップ完了"),
                kInformation};
    case -1:
        return {ui::U8("バックアップに必要な情報が足りません"), ui::U8("バックアップ失敗"), kExclamation};
    default:
        return {ui::U8("バックアップファイルの書き出しに失敗しました\r\n"
                       "フォルダが存在するか、フォルダの書き込み権限はあるかなどを確認してください"),
                ui::U8("バックアップ失敗"), kExclamation};
    }
}

OutcomeMessage RestoreOutcome(int result, const std::string& backupPath, const std::string& reportPath) {
    switch (result) {
    case 0:
        return {ui::U8("データ復旧の必要はありません\r\n選択したバックアップファイルに含まれる\r\n"
                       "個人情報IDは現在の情報と一致しています"),
                ui::U8("データ復旧の必要なし"), kInformation};
    case 1:
        return {ui::U8("下記の通り、データの復旧を行いました") +
                    Paths("\r\n\r\n【バックアップ】 ", backupPath, "\r\n【復旧の状況】 ", reportPath),
                ui::U8("データ復旧完了"), kInformation};
    case 2:
        return {ui::U8("下記の通り、データの復旧を行おうとしましたが\r\nメールアドレスの重複により変更はされませんでした") +
                    Paths("\r\n\r\n【バックアップ】 ", backupPath, "\r\n【重複の状況】 ", reportPath),
                ui::U8("メールアドレス重複"), kInformation};
    case 3:
        return {ui::U8("下記の通り、データの復旧を行いましたが\r\n一部のデータにメールアドレスの重複がありました") +
                    Paths("\r\n\r\n【バックアップ】 ", backupPath, "\r\n【復旧／重複の状況】 ", reportPath),
                ui::U8("データ復旧完了(一部、メールアドレス重複)"), kInformation};
    case -3:
        // The records are in the book; only the report is missing.
        return {ui::U8("下記の通り、データの復旧を行いましたが\r\n復旧の状況をファイルに書き出せませんでした") +
                    Paths("\r\n\r\n【バックアップ】 ", backupPath, "\r\n【復旧の状況】 ", reportPath),
                ui::U8("データ復旧完了"), kExclamation};
    case -4:
        // The merge could not be written, and took its records back out of the book.
        return {ui::U8("下記バックアップファイルから復旧した個人情報をファイルに書き込めなかったため\r\n"
                       "データの復旧はできませんでした\r\n個人情報は復旧の前のままです") +
                    Paths("\r\n\r\n【バックアップ】 ", backupPath, nullptr, {}),
                ui::U8("データ復旧失敗"), kExclamation};
    case -5:
        return {ui::U8("下記のファイルには個人情報が1件もないため、バックアップファイルとして使用できません\r\n"
                       "データの復旧はできませんでした") +
                    Paths("\r\n\r\n【バックアップ】 ", backupPath, nullptr, {}),
                ui::U8("バックアップファイル異常"), kExclamation};
    default:
        return {ui::U8("下記バックアップファイルの読み込みに失敗しました\r\n"
                       "ファイルが存在しないか、データの形式が正しくない可能性があります\r\n"
                       "データの復旧はできませんでした") +
                    Paths("\r\n\r\n【バックアップ】 ", backupPath, nullptr, {}),
                ui::U8("バックアップファイル異常"), kExclamation};
    }
}

bool RestoreChangedBook(int result) { return result == 1 || result == 3 || result == -3; }

}  // namespace addressui
