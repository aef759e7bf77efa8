#pragma once
// The guard that keeps a second copy of the program from running beside the first (two
// copies would write one environment's files at once). The first instance listens on a
// local socket in Linux's abstract namespace, named after the guard and the user; a
// second start connects to it, hands over its command line and ends.
//
// Why the abstract namespace: the socket belongs to the process, so a killed first
// instance never leaves anything behind that would block the next start, and binding
// the name is atomic, so of two instances started together exactly one wins.

#include <QObject>
#include <QStringList>

#include <memory>

class QSocketNotifier;

namespace shell {

class SingleInstanceGuard : public QObject {
    Q_OBJECT
public:
    // `name` is made unique per user by the guard.
    explicit SingleInstanceGuard(const QString& name, QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    enum class Result {
        kFirst,      // this is the only instance; the guard now listens
        kHandedOver, // another instance runs and has received `arguments`
        kFailed,     // neither: the socket could not be made (the start goes on)
    };
    // Tries to become the first instance; otherwise hands `arguments` to the one that is.
    Result Acquire(const QStringList& arguments);
    // Stops listening (the next start becomes the first).
    void Release();

    QString SocketName() const { return socketName_; }

signals:
    // A later start handed over its command line.
    void SecondInstanceStarted(const QStringList& arguments);

private:
    void AcceptPending();

    QString socketName_;
    int listenFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace shell
