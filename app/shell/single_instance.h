#pragma once
// The guard that keeps a second copy of the program from running beside the first (two
// copies would write one environment's files at once).
//
// The authority is a lock (platform/file_lock.h) on "<name>.lock" in a folder of the
// user's alone (platform::UserRuntimeFolder), held for the program's life: whoever holds
// it is the running copy. Nothing another local user does can take it, hold it or make a
// start miss it. The kernel drops it with a killed program, so nothing stale blocks the
// next start.
//
// The running copy also listens on a local socket in Linux's abstract namespace, only so
// that a later start can hand its command line over and bring it to the front. Any local
// user may bind or connect to an abstract name, so both ends check who is on the other
// side (the kernel's peer credentials): the running copy takes nothing from another user's
// process, and a later start hands nothing to a listener of another user. A name another
// user holds only makes the running copy listen on the next of a few spare names (the
// same ones, in the same order, for every copy of this user). A start that finds the lock
// held and cannot hand over (every name held by others, or the running copy not listening
// yet) is still the second: it says so and ends. A start that gets the lock still hands
// over to a copy of this user that listens already: one started with other settings (its
// lock in another home folder) is the running copy as well.

#include <QObject>
#include <QStringList>

#include <memory>

#include "platform/file_lock.h"

class QSocketNotifier;

namespace shell {

class SingleInstanceGuard : public QObject {
    Q_OBJECT
public:
    // How many socket names are tried, the plain one first.
    static constexpr int kNames = 4;

    // `name` is made unique per user by the guard; the lock lies in `lockFolder` (ending
    // in '/'; empty: platform::UserRuntimeFolder()).
    explicit SingleInstanceGuard(const QString& name, QObject* parent = nullptr);
    SingleInstanceGuard(const QString& name, const std::string& lockFolder, QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    enum class Result {
        kFirst,           // this is the running copy (it holds the lock; it listens where it can)
        kHandedOver,      // another copy of this user runs and has received `arguments`
        kAlreadyRunning,  // another copy of this user runs and could not be reached
        kRefused,         // the lock file is refused (a FIFO, another user's file: file_refusal.h)
    };
    // Tries to become the running copy; otherwise hands `arguments` to the one that is.
    // Without a lock folder at all (no home), the socket alone decides, as a last resort;
    // a lock file that is refused decides nothing, and nothing is handed over nor listened to.
    Result Acquire(const QStringList& arguments);
    // Stops listening and gives the lock up (the next start becomes the running copy).
    void Release();

    // The socket's name number `index` (0: the plain one).
    QString SocketName(int index = 0) const;
    // The name listened on (empty while not listening).
    QString ListeningName() const { return listeningName_; }
    // The lock file ("" without a lock folder).
    const std::string& LockPath() const { return lockPath_; }

signals:
    // A later start handed over its command line.
    void SecondInstanceStarted(const QStringList& arguments);

private:
    // Listens on the first name nobody holds; false when none could be had.
    bool Listen();
    // Hands `arguments` to a listener of this user on one of the names; false when none
    // took them.
    bool HandOver(const QStringList& arguments);
    void AcceptPending();

    QString baseName_;
    std::string lockPath_;
    platform::FileLock lock_;
    QString listeningName_;
    int listenFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace shell
