#include "core/foundation/system_reason.h"

#include <cerrno>
#include <cstring>

#include "core/foundation/cp932.h"

namespace {

const char* Phrase(int error) {
    switch (error) {
    case EACCES:
    case EPERM: return "アクセスが許可されていません";
    case ENOSPC: return "ディスクの空き容量が足りません";
    case EDQUOT: return "ディスクの使用量が上限に達しています";
    case EROFS: return "読み取り専用の場所です";
    case EIO: return "ディスクの読み書きに失敗しました";
    case EMFILE:
    case ENFILE: return "同時に開いているファイルが多すぎます";
    case ENOMEM: return "メモリが足りません";
    case ENOENT: return "ファイルまたはフォルダが見つかりません";
    case ENOTDIR: return "フォルダではないものが途中にあります";
    case EISDIR: return "フォルダです";
    case ELOOP: return "シンボリックリンクです";
    case EEXIST: return "既に存在します";
    case ENAMETOOLONG: return "名前が長すぎます";
    default: return "システムエラーが発生しました";
    }
}

}  // namespace

std::string SystemReasonText(int error) {
    char buffer[256];
    // The GNU form: the text may be a static string rather than the buffer.
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return SjisLiteral(Phrase(error)) + " (" + text + ")";
}
