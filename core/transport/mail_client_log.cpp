#include "core/transport/mail_client_log.h"

#include "core/foundation/cp932.h"
#include "platform/netssl/net_component.h"


namespace mailclient {

std::string Upper(const std::string& s) {
    // ASCII only: the protocol words are ASCII, and a Shift_JIS byte must never change.
    std::string u(s);
    for (char& c : u) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return u;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

int StepAfter(int step, int direction, const std::string& upper, std::span<const CommandStep> commands,
              int disconnected) {
    if (direction == netssl::kTrailSent) {
        for (const auto& c : commands) {
            if (StartsWith(upper, c.prefix)) return c.step;
        }
    } else if (direction == netssl::kTrailInfo) {
        if (StartsWith(upper, "CONNECTING TO MAIL SERVER.")) return -1;
        if (StartsWith(upper, "CONNECTED.")) return -2;
        if (StartsWith(upper, "DISCONNECTED.")) return disconnected;
    }
    return step;
}

bool ConnectionLost(int step, int direction, const std::string& upper, int quitStep) {
    return direction == netssl::kTrailInfo && step != quitStep && StartsWith(upper, "DISCONNECTED.");
}

std::string ErrorMessage(const std::string& text, int code, int nowStatus, std::span<const TextRule> textRules,
                         std::span<const NumberRule> numberRules, std::span<const char* const> stepMessages) {
    const std::string upper = Upper(text);
    for (const auto& r : textRules) {
        if (StartsWith(upper, r.prefix) && (!r.contains || upper.find(r.contains) != std::string::npos)) {
            return SjisLiteral(r.message);
        }
    }
    for (const auto& r : numberRules) {
        if (code == r.code) return SjisLiteral(r.message);
    }
    if (nowStatus <= 0 && nowStatus > -static_cast<int>(stepMessages.size())) {
        return SjisLiteral(stepMessages[static_cast<size_t>(-nowStatus)]);
    }
    return text;
}

void ClientLog::Status(const std::string& text) { Line(SjisLiteral("[情報]") + text + "\r\n"); }

void ClientLog::Ssl(const std::string& text) { Line("[SSL ]" + text + "\r\n"); }

void ClientLog::Error(const std::string& text) { Line(SjisLiteral("[異常]") + text + "\r\n"); }

void ClientLog::Trail(int direction, const std::string& shown) {
    static const std::string& sent = SjisLiteral("[送信]");
    static const std::string& received = SjisLiteral("[受信]");
    static const std::string& info = SjisLiteral("[情報]");
    const std::string& tag = direction == netssl::kTrailSent ? sent : direction == netssl::kTrailReceived ? received : info;
    std::string line;
    line.reserve(tag.size() + shown.size() + 2);
    line += tag;
    line += shown;
    line += "\r\n";
    log_.AddLogData(line, 1);
}

void ClientLog::ErrorReason(int code, const std::string& text) {
    Line(SjisLiteral("[エラー理由]") + "[" + std::to_string(code) + "]" + text + "\r\n");
}

}  // namespace mailclient
