#include "app/ui/system_error_text.h"

#include <cerrno>
#include <cstring>

namespace ui {
namespace {

const char* JapaneseReason(int error) {
    switch (error) {
    case EACCES:
    case EPERM: return "書き込む権限がありません";
    case ENOSPC: return "ディスクの空き容量が足りません";
    case EDQUOT: return "ディスクの使用量の上限を超えています";
    case EROFS: return "読み取り専用の場所です";
    case ENOTDIR: return "フォルダでないファイルがあります";
    case ENOENT: return "途中のフォルダがありません";
    case EEXIST: return "同じ名前のファイルかフォルダがすでにあります";
    case ENAMETOOLONG: return "名前が長すぎます";
    case EIO: return "ディスクの読み書きに失敗しました";
    case EBUSY: return "ほかのプログラムが使用しています";
    default: return nullptr;
    }
}

}  // namespace

QString SystemErrorText(int error) {
    if (error == 0) return QString();
    char buffer[256];
    const QString system = QString::fromLocal8Bit(strerror_r(error, buffer, sizeof buffer));
    const char* reason = JapaneseReason(error);
    if (reason == nullptr) return system;
    return QString::fromUtf8(reason) + QStringLiteral(" (") + system + QLatin1Char(')');
}

}  // namespace ui
