#pragma once
// CErrMsg: the last error of a data class, as a number and its Japanese message
// (Shift_JIS) from one static table. Stores return negative numbers and record a code
// here; the GUI shows the message with the code.
//
// Formatting is type-safe: a placeholder ("%s", "%d", ...) of the message takes the next
// argument whatever its type, and reads as an empty text when no argument is left. A text
// given to SetErrS without further arguments is taken literally, so a "%" in a server
// reply or a path is just a character.

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

struct ERRCODE_ERRMSG_STRUCT {
    int code;
    const char* message;  // UTF-8 in the source; null for the end mark (-1) and empty slots
};

// One argument for a message placeholder: a text or a number.
class ErrArg {
public:
    ErrArg(const char* s) : text_(s != nullptr ? s : "") {}
    ErrArg(const std::string& s) : text_(s) {}
    ErrArg(std::string_view s) : text_(s) {}
    template <typename T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    ErrArg(T v) : kind_(std::is_signed_v<T> ? kSigned : kUnsigned),
                  i_(static_cast<int64_t>(v)), u_(static_cast<uint64_t>(v)) {}
    ErrArg(double v) : kind_(kDouble), d_(v) {}

    enum Kind { kText, kSigned, kUnsigned, kDouble };
    Kind kind() const { return kind_; }
    std::string_view text() const { return text_; }
    int64_t i() const { return i_; }
    uint64_t u() const { return u_; }
    double d() const { return d_; }

private:
    Kind kind_ = kText;
    std::string_view text_;
    int64_t i_ = 0;
    uint64_t u_ = 0;
    double d_ = 0;
};

// printf-style formatting of `format` with `args`; a missing argument gives an empty text.
std::string FormatErrText(std::string_view format, const ErrArg* args, std::size_t count);

class CErrMsg {
public:
    static constexpr int kTableSize = 400;
    static const ERRCODE_ERRMSG_STRUCT itsErrCodeMsgArray[kTableSize];

    CErrMsg();
    explicit CErrMsg(int code);
    CErrMsg(const CErrMsg&) = default;
    CErrMsg& operator=(const CErrMsg& other) {
        Copy(*this, other);
        return *this;
    }
    virtual ~CErrMsg() = default;
    static void Copy(CErrMsg& target, const CErrMsg& source);

    // Records `code`. When the table defines it the message is its text formatted with
    // `args` and the result is 1; otherwise the message is code 1's text and the result 0.
    template <typename... Args>
    int SetErr(int code, const Args&... args) {
        const ErrArg list[] = {ErrArg(args)..., ErrArg("")};
        return SetErrWith(code, list, sizeof...(Args));
    }

    // Records `code` with a caller's own wording. With arguments `format` is formatted;
    // without, it is taken literally. Result 1.
    int SetErrS(int code, const char* text);
    int SetErrS(int code, const std::string& text) { return SetErrS(code, text.c_str()); }
    template <typename First, typename... Rest>
    int SetErrS(int code, const char* format, const First& first, const Rest&... rest) {
        const ErrArg list[] = {ErrArg(first), ErrArg(rest)...};
        code_ = code;
        message_ = FormatErrText(format != nullptr ? format : "", list, 1 + sizeof...(Rest));
        return 1;
    }

    // out = the text of `code` (Shift_JIS, unformatted), result 1; for an undefined code
    // the text of code 1 and result 0; "Invalid Error Code." only if code 1 is missing.
    static int GetErrMsgFromDefined(int code, std::string& out);

    int Clear();
    int GetLastCode() const { return code_; }
    const std::string& GetLastMsg() const { return message_; }

private:
    int SetErrWith(int code, const ErrArg* args, std::size_t count);

    int code_ = 0;
    std::string message_;
};
