#pragma once
// The guard that keeps a second copy of the program from running beside the first (two
// copies would write one environment's files at once). The first instance listens on a
// local socket in Linux's abstract namespace, named after the guard and the user; a
// second start connects to it, hands over its command line and ends.
//
// Why the abstract namespace: the socket belongs to the process, so a killed first
// instance never leaves anything behind that would block the next start, and binding
// the name is atomic, so of two instances started together exactly one wins.
//
// Any local user may bind or connect to an abstract name, so both ends check who is on
// the other side (the kernel's peer credentials): the running copy takes nothing from
// another user's process, and a starting copy hands nothing to a listener of another
// user. Such a listener only takes the name away: the guard then goes on to the next of
// a few spare names (the same ones, in the same order, for every copy of this user), so
// the user's copies still find each other. Only when every name is held by someone else
// does the start go on unguarded.

#include <QObject>
#include <QStringList>

#include <memory>

class QSocketNotifier;

namespace shell {

class SingleInstanceGuard : public QObject {
    Q_OBJECT
public:
    // How many names are tried, the plain one first.
    static constexpr int kNames = 4;

    // `name` is made unique per user by the guard.
    explicit SingleInstanceGuard(const QString& name, QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    enum class Result {
        kFirst,      // this is the only instance; the guard now listens
        kHandedOver, // another instance of this user runs and has received `arguments`
        kFailed,     // neither: no name could be used (the start goes on)
    };
    // Tries to become the first instance; otherwise hands `arguments` to the one that is.
    Result Acquire(const QStringList& arguments);
    // Stops listening (the next start becomes the first).
    void Release();

    // The socket's name number `index` (0: the plain one).
    QString SocketName(int index = 0) const;
    // The name listened on (empty while not listening).
    QString ListeningName() const { return listeningName_; }

signals:
    // A later start handed over its command line.
    void SecondInstanceStarted(const QStringList& arguments);

private:
    enum class Outcome { kListening, kHandedOver, kTakenByOther, kError };
    // Listens on `name`, or hands `arguments` to this user's listener there.
    Outcome TryName(const QString& name, const QStringList& arguments);
    void AcceptPending();

    QString baseName_;
    QString listeningName_;
    int listenFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace shell
