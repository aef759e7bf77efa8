#include "app/sendrecv/mail_row_notice.h"

#include <mutex>
#include <utility>

#include "app/ui/gui_bridge.h"
#include "core/mailstore/one_mail_data.h"

namespace {

std::mutex& ListenerMutex() {
    static std::mutex m;
    return m;
}
MailRowListener& Listener() {
    static MailRowListener listener;
    return listener;
}

MailRowListener CurrentListener() {
    std::lock_guard<std::mutex> lock(ListenerMutex());
    return Listener();
}

// GUI thread only: no lock.
MailListRequests& Requests() {
    static MailListRequests requests;
    return requests;
}

}  // namespace

MailRowListener SetMailRowListener(MailRowListener listener) {
    std::lock_guard<std::mutex> lock(ListenerMutex());
    return std::exchange(Listener(), std::move(listener));
}

void NotifyMailRowChanged(const COneMailData& mail) {
    if (!CurrentListener()) return;
    if (ui::OnGuiThread()) {
        if (MailRowListener listener = CurrentListener()) listener(mail);
        return;
    }
    // The listener in force when the notice arrives is the one told.
    ui::PostToGuiThread([copy = COneMailData(mail)] {
        if (MailRowListener listener = CurrentListener()) listener(copy);
    });
}

MailListRequests SetMailListRequests(MailListRequests requests) { return std::exchange(Requests(), std::move(requests)); }

// Each request calls a copy of its handler, so a handler that installs others while it
// runs (a nested event loop) does not pull itself from under its own call.
void RequestMailListMode(int mode) {
    if (auto handler = Requests().switchMode) handler(mode);
}

void RequestMailRowRefreshOrAppend(const COneMailData& mail) {
    if (auto handler = Requests().refreshOrAppendRow) handler(mail);
}

void RequestMailRowRemoval(const COneMailData& mail) {
    if (auto handler = Requests().removeRow) handler(mail);
}

std::vector<CMailRecord> RequestSelectedMailRecords() {
    if (auto handler = Requests().selectedRecords) return handler();
    return {};
}

int RequestMailEdit(int mailId) {
    if (auto handler = Requests().editMail) return handler(mailId);
    return 0;
}
