#pragma once
// The end-to-end test's processes: a phase of the program started as a child with its own
// environment (and killed when the test says so), and the mail servers' script with its
// READY line. POSIX only; the test runs as root on Linux.

#include <sys/types.h>

#include <string>
#include <vector>

namespace e2e {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with `args` (argv[0] is `program`), the parent's environment with
    // `env` ("NAME=value") replacing or adding to it, stdout and stderr to `logPath`.
    // False when it could not start.
    bool Start(const std::string& program, const std::vector<std::string>& args, const std::vector<std::string>& env,
               const std::string& logPath);
    // Waits up to `seconds`; the exit status (128+signal when killed by one), or -1 on
    // time-out (the child is then killed).
    int Wait(int seconds);
    // True while it runs (reaps it when it ended).
    bool Running();
    void Kill();
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// mail_servers.sh of the test's servers folder.
class MailServers {
public:
    ~MailServers();
    // Starts the script with `acceptedFile` and waits for its READY line; false (with
    // `error`) otherwise.
    bool Start(const std::string& script, const std::string& acceptedFile, const std::string& logPath, std::string& error);
    // Closes the script's input: the servers stop and their folder goes.
    void Stop();
    int smtpPort = 0, pop3Port = 0;
    std::string folder;

private:
    pid_t pid_ = -1;
    int input_ = -1;
};

// Moves the calling thread (and every process it starts from now on) into a network
// namespace of its own with its loopback up: the servers' ports and the program's
// single-instance socket (an abstract one, which belongs to the namespace) then never
// meet another test's or a running program's. False (with `error`) when the system
// refuses; the test then runs in the shared namespace.
bool IsolateNetwork(std::string& error);

// The last `lines` lines of a text file (for a failed phase's log).
std::string Tail(const std::string& path, int lines);

}  // namespace e2e
