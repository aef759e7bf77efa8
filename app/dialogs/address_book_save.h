#pragma once
// AddressBookSave: the program's one address-book save at a time. The address-book save
// dialog hands it the save; it runs the save on a worker thread, so the GUI thread keeps
// painting, and reports the end through a queued signal.
//
// Guarantees:
//  - at most one save runs at a time, process-wide; the running state is set and cleared
//    only here, under a lock, never by a dialog;
//  - whoever asks while a save runs starts nothing and is told when that save ends (the
//    check and the subscription happen under the same lock as the end, so no end is
//    missed);
//  - a save that throws counts as a failure (-1); the worker never lets it escape.
//
// No widgets here: the dialog is a thin view over this.

#include <QObject>

#include <functional>
#include <mutex>
#include <thread>

namespace shell {

class AddressBookSave : public QObject {
    Q_OBJECT
public:
    // The save: 0 on success, negative on failure.
    using SaveFunction = std::function<int()>;
    // Called on the receiver's thread with the save's result and whether this request
    // started the save (false: it joined one that was running).
    using DoneFunction = std::function<void(int result, bool started)>;

    static AddressBookSave& Instance();
    ~AddressBookSave() override;

    bool IsRunning() const;

    // Starts `save` on a worker when no save runs; otherwise starts nothing. Either way
    // `done` runs once, queued to `receiver`'s thread, when the save that runs now ends;
    // it does not run when `receiver` is destroyed first. True when `save` was started.
    bool StartOrJoin(SaveFunction save, QObject* receiver, DoneFunction done);

signals:
    // Emitted from the worker when a save ends; receivers get it queued.
    void Finished(int result);

private:
    AddressBookSave() = default;
    void Run(SaveFunction save);

    mutable std::mutex lock_;
    bool running_ = false;
    std::thread worker_;
};

}  // namespace shell
