#pragma once
// What the two logging mail clients, CMySMTPS and CMyPOPS, share around their component:
// the transfer-log entry that the component's events are written into, with the tags the
// log's readers know; the protocol step a trail line moves to; and the way an error becomes
// a message for the user, through each client's own tables. Masking the credentials is
// each client's own, as the two protocols send them differently.

#include "core/foundation/log_writer.h"

#include <span>
#include <string>

namespace mailclient {

// A rule for an error text: it fits when the upper-cased text starts with `prefix` and,
// when `contains` is not null, also holds `contains`.
struct TextRule {
    const char* prefix;
    const char* contains;
    const char* message;  // UTF-8
};

struct NumberRule {
    int code;
    const char* message;  // UTF-8
};

// A sent command and the protocol step it starts.
struct CommandStep {
    const char* prefix;
    int step;
};

// What the log shows in place of a password or a login digest.
inline constexpr char kMask[] = "********";

std::string Upper(const std::string& s);
bool StartsWith(const std::string& s, const char* prefix);

// The step after a sent or an information line of the trail (`upper`: the line upper-cased):
// the step of the first command it starts with, or for the component's "Connecting to mail
// server.", "Connected." and "Disconnected." lines -1, -2 and `disconnected`; otherwise
// `step` as it was. Received lines are each client's own.
int StepAfter(int step, int direction, const std::string& upper, std::span<const CommandStep> commands,
              int disconnected);

// Whether a trail line tells of a connection lost to a failure: the component's
// "Disconnected." line while the step is not `quitStep` (after QUIT it is the orderly
// end). The component drops the connection after a reset, a time-out or a protocol error
// before the caller asks what went wrong, so the step under way must stay, as after an
// error event, for the message to name it.
bool ConnectionLost(int step, int direction, const std::string& upper, int quitStep);

// The message (Shift_JIS) for an error text and number after protocol step `nowStatus`:
// the first text rule that fits, then the number rules, then the step's own message
// (`stepMessages` for steps 0, -1, -2 ...); for an unknown step, `text` itself.
std::string ErrorMessage(const std::string& text, int code, int nowStatus, std::span<const TextRule> textRules,
                         std::span<const NumberRule> numberRules, std::span<const char* const> stepMessages);

// One client's entry in the transfer log; every line ends with CR LF. The protocol trail
// is collected and written in batches: by Write, which the clients call whenever their
// component has waited a millisecond for the server (and at the end), with any other
// line, and whenever LogWriter::kBatchBytes have gathered. Every other line is written at
// once.
class ClientLog {
public:
    void Init() { log_.Init(); }
    void SetTitle(const std::string& title) { log_.SetLogTitle(title); }
    void Write() { log_.WriteToFile(); }

    void Status(const std::string& text);  // "[情報]"
    void Ssl(const std::string& text);     // "[SSL ]"
    void Error(const std::string& text);   // "[異常]"
    // A trail line as shown: "[送信]", "[受信]" or "[情報]" by its direction; collected.
    void Trail(int direction, const std::string& shown);
    // The error the user is told about, with its number: "[エラー理由][code]text".
    void ErrorReason(int code, const std::string& text);

private:
    void Line(const std::string& line) { log_.SetLogData(line, 1, 0); }

    LogWriter log_;
};

}  // namespace mailclient
