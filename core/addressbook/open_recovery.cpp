#include "core/addressbook/open_recovery.h"

#include <cstdio>

#include "core/addressbook/backup_restore.h"
#include "core/addressbook/database_edit.h"
#include "core/addressbook/file_history.h"
#include "core/foundation/cp932.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/ini_manager.h"
#include "platform/date_time.h"

namespace {

constexpr const char* kHistorySection = "HISTORY";
constexpr const char* kSaveMaxKey = "SAVE_MAX";
constexpr const char* kDatabaseTitle = "database";

std::string Generation(const std::string& folder, int n) {
    char tail[16];
    std::snprintf(tail, sizeof tail, ".%03d", n);
    return folder + kDatabaseTitle + tail;
}

void PrepareMessage(OpenRecoveryResult& out) {
    const char* text = nullptr;
    const char* caption = nullptr;
    if (out.restored && out.duplicates) {
        text = "下記の通り、データの復旧を行いましたが\r\n一部のデータにメールアドレスの重複がありました";
        caption = "データ復旧完了(一部、メールアドレス重複)";
    } else if (out.restored) {
        text = "下記の通り、データの復旧を行いました";
        caption = "データ復旧完了";
    } else if (out.duplicates) {
        text = "下記の通り、データの復旧を行おうとしましたが\r\nメールアドレスの重複により変更はされませんでした";
        caption = "メールアドレス重複";
    } else if (out.error) {
        text = "データ復旧中にエラーが発生しました";
        caption = "復旧中にエラー発生";
    } else {
        return;
    }
    out.messageText = SjisLiteral(text) + out.report;
    out.messageCaption = SjisLiteral(caption);
}

}  // namespace

int ReadGenerationCount(const EnvManager& env) {
    const std::string ini = env_layout::EnvIniFile(env);
    std::string value;
    if (CIniManager::GetProfileStringA(ini, kHistorySection, kSaveMaxKey, value, "") == 0) {
        CIniManager::WriteProfileInt(ini, kHistorySection, kSaveMaxKey, 1);
        return 1;
    }
    return static_cast<int>(CIniManager::GetProfileIntA(ini, kHistorySection, kSaveMaxKey, 1));
}

int RecoverAddressBookAtOpen(CDatabaseEdit& book, EnvManager& env, OpenRecoveryResult& out) {
    return RecoverAddressBook(book, env, ReadGenerationCount(env), out);
}

int RecoverAddressBook(CDatabaseEdit& book, EnvManager& env, int generations, OpenRecoveryResult& out) {
    out = OpenRecoveryResult();
    if (generations < 1) return 0;

    const std::string folder = env_layout::DbFolder(env);
    // A rotation that a killed process left is completed (or undone) before its
    // generations are read.
    CFileHistory history;
    history.SetHistoryNum(generations);
    const bool historyReady = history.SetSaveDirPath(folder, 0) == 0 &&
                              history.SetTargetFileName(env_layout::DatabaseFile(env)) == 0;
    if (historyReady) history.FinishInterruptedCopy();

    CDBRestore restore;
    restore.SetDatabaseEditPtr(&book);
    restore.SetEnvManager(&env);
    const std::string stamp = platform::DateTime::GetCurrentTime().Format("%Y%m%d%H%M%S");

    for (int g = 1; g <= generations; ++g) {
        const std::string path = Generation(folder, g);
        restore.SetBackupPathName(path);
        restore.SetRepairFileName(restore.GetBackupFileNameWithoutExt() + "_" + restore.GetBackupFileNameExt() + "_" +
                                  env.GetEnvName() + "_" + stamp + ".txt");
        const int r = restore.ActionRestore();
        // What a generation holds could not be put into the book (the disk refused its
        // journal): the book is as it was, and the generations must stay as they are, since
        // the rotation could drop this very one.
        if (r == -4) return -1;
        const char* heading = nullptr;
        switch (r) {
            case 0:
            case -1:  // no such generation, or one that does not read: nothing to take from it
            case -5:  // an empty one (the book was empty when it was made)
                continue;
            case 1:
                out.restored = true;
                heading = "\r\n【復旧の状況】 ";
                break;
            case 2:
                out.duplicates = true;
                heading = "\r\n【重複の状況】 ";
                break;
            case 3:
                out.restored = out.duplicates = true;
                heading = "\r\n【復旧／重複の状況】 ";
                break;
            default:
                out.error = true;
                out.restored = out.duplicates = false;
                heading = "\r\n【エラー】 ";
                break;
        }
        out.report += "\r\n\r\n";
        out.report += SjisLiteral("【バックアップ】 ");
        out.report += path;
        out.report += SjisLiteral(heading);
        out.report += restore.GetRepairPathName();
    }
    PrepareMessage(out);

    // Rotating after a failed save would drop the oldest generation, which may hold the
    // only copy on disk of what was just restored.
    if (book.WriteFromMemoryToFile() < 0) return -1;
    // A book that had no file before this save has one now.
    if (!historyReady && history.SetTargetFileName(env_layout::DatabaseFile(env)) != 0) return -2;
    if (history.SetSaveDirPath(folder, 0) != 0) return -2;
    return history.ExecuteCopy() == 0 ? 0 : -2;
}
