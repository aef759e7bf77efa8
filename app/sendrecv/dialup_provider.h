#pragma once
// DialupProvider: what the dial-up connection (dialup_connection.h) needs of the system's
// dial-up networking - its phone book, its connections, dialling and hanging up. The
// connection's state machine runs over it; the system's own dial-up service is one
// provider, and tests drive the state machine with a fake one.
//
// The program's provider on Linux is NoDialupProvider: there is no phone book, nothing is
// listed and nothing can be dialled. The connection then reports dial-up as not used, so
// every send and receive run goes on over the network as it is.
//
// Threads: the calls come from the run's worker thread (the entry list from the settings
// screen's GUI thread); the progress of a dial may be reported from any thread.

#include <functional>
#include <string>
#include <vector>

// The parameters of one dial (texts Shift_JIS, each at most 256 bytes).
struct DialParams {
    std::string entry;
    std::string phoneNumber;
    std::string userName;
    std::string password;
};

class DialupProvider {
public:
    // Results of GetEntryDialParams besides 0.
    static constexpr int kEntryNotFound = 623;

    virtual ~DialupProvider() = default;

    // Whether this system can dial at all.
    virtual bool Available() const = 0;
    // The phone book's entry names, in its order (none when there is no phone book).
    virtual std::vector<std::string> Entries() = 0;
    // Whether a connection of `entry` is up now.
    virtual bool IsConnected(const std::string& entry) = 0;
    // The stored parameters of `entry` (its user name and password, when stored) into
    // `params`: 0, kEntryNotFound, or another error number.
    virtual int GetEntryDialParams(DialParams& params) = 0;

    // Progress of a dial: a connection state (the system's numbers; 0x2000 connected,
    // 0x2001 disconnected) and an error number (0: none). May come from any thread.
    using Progress = std::function<void(int state, int error)>;
    // Starts dialling `params` and returns at once: 0 with `connection` set (not 0), the
    // outcome then following through `progress`; otherwise an error number.
    virtual int Dial(const DialParams& params, Progress progress, long& connection) = 0;
    // Hangs up `connection`: 0, or an error number.
    virtual int HangUp(long connection) = 0;
    // The system's text of error number `error` (Shift_JIS).
    virtual std::string ErrorText(int error) = 0;
};

// No dial-up networking: no entries, nothing dialled.
class NoDialupProvider : public DialupProvider {
public:
    bool Available() const override { return false; }
    std::vector<std::string> Entries() override { return {}; }
    bool IsConnected(const std::string&) override { return false; }
    int GetEntryDialParams(DialParams&) override { return kUnsupported; }
    int Dial(const DialParams&, Progress, long&) override { return kUnsupported; }
    int HangUp(long) override { return kUnsupported; }
    std::string ErrorText(int error) override;

    // The error of every call (the system's "invalid function").
    static constexpr int kUnsupported = 1;
};

// The provider the runs use (NoDialupProvider unless another was installed).
DialupProvider& CurrentDialupProvider();
// Installs `provider` (null: the default again); returns the one it replaces. The caller
// keeps ownership and keeps it alive while runs may use it.
DialupProvider* SetDialupProvider(DialupProvider* provider);
