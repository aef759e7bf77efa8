#include "core/foundation/system_reason.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
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
    case EEXIST: return "同じ名前のファイルかフォルダがすでにあります";
    case ENAMETOOLONG: return "名前が長すぎます";
    case EBUSY: return "ほかのプログラムが使用しています";
    default: return "システムエラーが発生しました";
    }
}

// `text` in the encoding of the calling thread's locale, as UTF-8; false when it cannot be
// converted whole.
bool LocaleTextToUtf8(const char* text, std::string& utf8) {
    iconv_t cd = ::iconv_open("UTF-8", ::nl_langinfo(CODESET));
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in(text);
    utf8.assign(in.size() * 4 + 4, '\0');
    char* from = in.data();
    size_t fromLeft = in.size();
    char* to = utf8.data();
    size_t toLeft = utf8.size();
    const bool whole = ::iconv(cd, &from, &fromLeft, &to, &toLeft) != static_cast<size_t>(-1) && fromLeft == 0;
    ::iconv_close(cd);
    utf8.resize(utf8.size() - toLeft);
    return whole;
}

// The system's own words for `error` in Shift_JIS: the locale's (converted from its
// encoding) when Shift_JIS holds them whole, else the C locale's, which are ASCII (a
// French "Connexion refusée" would lose its letter).
std::string SystemWords(int error) {
    char buffer[256];
    // The GNU form: the text may be a static string rather than the buffer.
    const char* text = strerror_r(error, buffer, sizeof buffer);
    std::string utf8;
    if (LocaleTextToUtf8(text, utf8)) {
        std::string sjis = Utf8ToSjis(utf8);
        if (std::count(sjis.begin(), sjis.end(), ' ') == std::count(utf8.begin(), utf8.end(), ' ')) return sjis;
    }
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c != static_cast<locale_t>(0) ? ::strerror_l(error, c) : "error " + std::to_string(error);
}

}  // namespace

std::string SystemReasonText(int error) {
    if (error == 0) return std::string();
    return SjisLiteral(Phrase(error)) + " (" + SystemWords(error) + ")";
}
