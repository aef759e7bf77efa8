#include "app/dialogs/address_book_save.h"

#include <system_error>

namespace shell {

AddressBookSave& AddressBookSave::Instance() {
    static AddressBookSave instance;
    return instance;
}

AddressBookSave::~AddressBookSave() {
    if (worker_.joinable()) worker_.join();
}

bool AddressBookSave::IsRunning() const {
    std::lock_guard<std::mutex> guard(lock_);
    return running_;
}

bool AddressBookSave::StartOrJoin(SaveFunction save, QObject* receiver, DoneFunction done) {
    std::lock_guard<std::mutex> guard(lock_);
    const bool start = !running_;
    connect(
        this, &AddressBookSave::Finished, receiver,
        [done = std::move(done), start](int result) {
            if (done) done(result, start);
        },
        Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    if (start) {
        // The previous worker has cleared the running state, its last act but returning.
        if (worker_.joinable()) worker_.join();
        running_ = true;
        try {
            worker_ = std::thread(&AddressBookSave::Run, this, std::move(save));
        } catch (const std::system_error&) {
            // No thread to be had: the save did not run, and whoever waits hears so.
            running_ = false;
            emit Finished(-1);
        }
    }
    return start;
}

void AddressBookSave::Run(SaveFunction save) {
    int result = -1;
    try {
        if (save) result = save();
    } catch (...) {
        result = -1;
    }
    std::lock_guard<std::mutex> guard(lock_);
    running_ = false;
    emit Finished(result);
}

}  // namespace shell
