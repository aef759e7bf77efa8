// The login of MailSend: the mechanism choice and the CRAM-MD5, LOGIN and PLAIN exchanges.
#include "core/transport/mail_send.h"

#include "core/foundation/cp932.h"
#include "core/foundation/md5.h"
#include "core/mailstore/base64.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <sstream>

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// A LOGIN prompt as it is matched: lower case, without blanks and NULs, so that "User
// Name" (as some servers word it) reads like "Username:".
std::string PromptWords(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c != ' ' && c != '\0') out += static_cast<char>(std::tolower(c));
    }
    return out;
}

// The mechanisms that the EHLO reply's AUTH lines name ("250-AUTH LOGIN PLAIN", also the
// old "250-AUTH=LOGIN" form); false when no line is an AUTH line.
bool OfferedMechanisms(const std::string& reply, std::set<std::string>& mechanisms) {
    bool any = false;
    std::istringstream lines(reply);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() < 4) continue;
        std::istringstream words(Upper(line.substr(4)));
        std::string word;
        if (!(words >> word)) continue;
        if (word == "AUTH") {
            any = true;
        } else if (word.rfind("AUTH=", 0) == 0) {
            any = true;
            if (word.size() > 5) mechanisms.insert(word.substr(5));
        } else {
            continue;
        }
        while (words >> word) mechanisms.insert(word);
    }
    return any;
}

// The text of a "334 <base64>" reply, decoded; false when it is not base64.
bool DecodeChallenge(const std::string& reply, std::string& out) {
    std::string text = reply.size() > 4 ? reply.substr(4) : std::string();
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    out.clear();
    return text.empty() || base64decoding(out, text) >= 0;
}

std::string Base64(const std::string& data) { return base64encoding(data, -1); }

}  // namespace

int MailSend::Authenticate(const std::string& ehloReply) {
    std::set<std::string> offered;
    if (!OfferedMechanisms(ehloReply, offered)) {
        err_.SetErr(2106);
        return -2;
    }
    int (MailSend::*exchange)(std::string&) = nullptr;
    std::string mechanism;
    if (allowCramMd5_ && offered.count("CRAM-MD5")) {
        mechanism = "CRAM-MD5";
        exchange = &MailSend::AuthCramMd5;
    } else if (allowLogin_ && offered.count("LOGIN")) {
        mechanism = "LOGIN";
        exchange = &MailSend::AuthLogin;
    } else if (allowPlain_ && offered.count("PLAIN")) {
        mechanism = "PLAIN";
        exchange = &MailSend::AuthPlain;
    } else {
        err_.SetErr(2107);
        return -4;
    }
    std::string reply;
    const int code = Command("AUTH " + mechanism, reply);
    if (code < 0) return -2;
    if (code != 334) {
        err_.SetErr(2109, reply);
        return -4;
    }
    return (this->*exchange)(reply);
}

// The answer is base64 of "user <HMAC-MD5 of the challenge under the password, in hex>".
int MailSend::AuthCramMd5(std::string& reply) {
    std::string challenge;
    if (!DecodeChallenge(reply, challenge)) {
        err_.SetErr(2109, reply);
        return -4;
    }
    unsigned char digest[16];
    hmac_md5(challenge.data(), challenge.size(), password_.data(), password_.size(), digest);
    std::string answer = user_ + " ";
    for (unsigned char b : digest) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", b);
        answer += hex;
    }
    const int code = Command(Base64(answer), reply, true);
    if (code < 0) return -2;
    if (code != 235) {
        err_.SetErr(2108, reply);
        return -3;
    }
    return 1;
}

// The server prompts for the user name and the password, each answered in base64.
int MailSend::AuthLogin(std::string& reply) {
    for (int prompts = 0; prompts < 3; ++prompts) {
        std::string prompt;
        if (!DecodeChallenge(reply, prompt)) {
            err_.SetErr(2109, reply);
            return -4;
        }
        prompt = PromptWords(prompt);
        std::string answer;
        if (prompt.find("username") != std::string::npos) {
            answer = Base64(user_);
        } else if (prompt.find("password") != std::string::npos) {
            answer = Base64(password_);
        } else {
            err_.SetErr(2109, SjisLiteral("サーバがLOGINに対応していない可能性があります。"));
            return -4;
        }
        const int code = Command(answer, reply, true);
        if (code < 0) return -2;
        if (code == 235) return 1;
        if (code != 334) {
            err_.SetErr(2108, reply);
            return -3;
        }
    }
    err_.SetErr(2109, reply);
    return -4;
}

// user NUL user NUL password, built as it stands: no byte of the credentials is
// reinterpreted.
int MailSend::AuthPlain(std::string& reply) {
    std::string credentials = user_;
    credentials += '\0';
    credentials += user_;
    credentials += '\0';
    credentials += password_;
    const int code = Command(Base64(credentials), reply, true);
    if (code < 0) return -2;
    if (code != 235) {
        err_.SetErr(2108, reply);
        return -3;
    }
    return 1;
}
