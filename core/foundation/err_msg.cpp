#include "core/foundation/err_msg.h"

#include <cstdio>

#include "core/foundation/cp932.h"

namespace {

const ERRCODE_ERRMSG_STRUCT* FindEntry(int code) {
    for (const auto& e : CErrMsg::itsErrCodeMsgArray) {
        if (e.code == code && (e.message != nullptr || code == -1)) return &e;
    }
    return nullptr;
}

template <typename T>
void AppendPrintf(std::string& out, const std::string& conversion, T value) {
    char buf[128];
    const int n = std::snprintf(buf, sizeof buf, conversion.c_str(), value);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof buf) {
        out.append(buf, static_cast<std::size_t>(n));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), conversion.c_str(), value);
    out.append(big.data(), static_cast<std::size_t>(n));
}

// Pads a text to `width` (left-justified with '-'), after cutting it to `precision`.
void AppendText(std::string& out, std::string_view text, bool left, int width, int precision) {
    if (precision >= 0 && static_cast<std::size_t>(precision) < text.size()) text = text.substr(0, precision);
    const std::size_t pad = width > 0 && static_cast<std::size_t>(width) > text.size()
                                ? static_cast<std::size_t>(width) - text.size() : 0;
    if (!left) out.append(pad, ' ');
    out.append(text);
    if (left) out.append(pad, ' ');
}

}  // namespace

std::string FormatErrText(std::string_view format, const ErrArg* args, std::size_t count) {
    std::string out;
    std::size_t next = 0;
    std::size_t i = 0;
    const std::size_t n = format.size();
    while (i < n) {
        const char c = format[i];
        if (c != '%') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 < n && format[i + 1] == '%') {
            out.push_back('%');
            i += 2;
            continue;
        }
        // %[flags][width][.precision][length]conversion; '*' is not accepted from tables.
        std::size_t j = i + 1;
        std::string flags;
        while (j < n && std::string_view(" +-0#").find(format[j]) != std::string_view::npos) flags.push_back(format[j++]);
        int width = 0;
        while (j < n && format[j] >= '0' && format[j] <= '9' && width < 10000) width = width * 10 + (format[j++] - '0');
        int precision = -1;
        if (j < n && format[j] == '.') {
            ++j;
            precision = 0;
            while (j < n && format[j] >= '0' && format[j] <= '9' && precision < 10000)
                precision = precision * 10 + (format[j++] - '0');
        }
        while (j < n && (format[j] == 'l' || format[j] == 'h' || format[j] == 'z' || format[j] == 'I' ||
                         format[j] == '6' || format[j] == '4'))
            ++j;
        if (j >= n) break;
        const char conv = format[j];
        i = j + 1;
        if (std::string_view("diouxXeEfgGcs").find(conv) == std::string_view::npos) continue;
        if (next >= count) continue;  // missing argument: empty text
        const ErrArg& a = args[next++];
        const bool left = flags.find('-') != std::string::npos;
        std::string conversion = "%" + flags + (width > 0 ? std::to_string(width) : "") +
                           (precision >= 0 ? "." + std::to_string(precision) : "");
        switch (conv) {
        case 's':
            if (a.kind() == ErrArg::kText) AppendText(out, a.text(), left, width, precision);
            else if (a.kind() == ErrArg::kSigned) AppendText(out, std::to_string(a.i()), left, width, precision);
            else if (a.kind() == ErrArg::kUnsigned) AppendText(out, std::to_string(a.u()), left, width, precision);
            else AppendText(out, std::to_string(a.d()), left, width, precision);
            break;
        case 'c':
            if (a.kind() == ErrArg::kText) AppendText(out, a.text().substr(0, 1), left, width, -1);
            else AppendText(out, std::string(1, static_cast<char>(a.i())), left, width, -1);
            break;
        case 'e': case 'E': case 'f': case 'g': case 'G':
            if (a.kind() == ErrArg::kText) AppendText(out, a.text(), left, width, -1);
            else AppendPrintf(out, conversion + conv, a.kind() == ErrArg::kDouble ? a.d()
                                                 : a.kind() == ErrArg::kSigned ? static_cast<double>(a.i())
                                                                               : static_cast<double>(a.u()));
            break;
        default:  // integers
            if (a.kind() == ErrArg::kText) {
                AppendText(out, a.text(), left, width, -1);
            } else {
                const bool isSigned = conv == 'd' || conv == 'i';
                if (isSigned) {
                    const long long v = a.kind() == ErrArg::kDouble ? static_cast<long long>(a.d()) : a.i();
                    AppendPrintf(out, conversion + "ll" + conv, v);
                } else {
                    const unsigned long long v =
                        a.kind() == ErrArg::kDouble ? static_cast<unsigned long long>(a.d()) : a.u();
                    AppendPrintf(out, conversion + "ll" + conv, v);
                }
            }
            break;
        }
    }
    return out;
}

CErrMsg::CErrMsg() { Clear(); }

CErrMsg::CErrMsg(int code) {
    Clear();
    SetErr(code);
}

void CErrMsg::Copy(CErrMsg& target, const CErrMsg& source) {
    target.code_ = source.code_;
    target.message_ = source.message_;
}

int CErrMsg::GetErrMsgFromDefined(int code, std::string& out) {
    if (const ERRCODE_ERRMSG_STRUCT* e = FindEntry(code)) {
        out = e->message != nullptr ? SjisLiteral(e->message) : std::string();
        return 1;
    }
    if (const ERRCODE_ERRMSG_STRUCT* e = FindEntry(1); e != nullptr && e->message != nullptr) {
        out = SjisLiteral(e->message);
    } else {
        out = "Invalid Error Code.";
    }
    return 0;
}

int CErrMsg::SetErrWith(int code, const ErrArg* args, std::size_t count) {
    code_ = code;
    std::string text;
    if (GetErrMsgFromDefined(code, text) == 0) {
        message_ = std::move(text);
        return 0;
    }
    message_ = FormatErrText(text, args, count);
    return 1;
}

int CErrMsg::SetErrS(int code, const char* text) {
    code_ = code;
    message_ = text != nullptr ? text : "";
    return 1;
}

int CErrMsg::Clear() {
    code_ = 0;
    GetErrMsgFromDefined(0, message_);
    return 1;
}
