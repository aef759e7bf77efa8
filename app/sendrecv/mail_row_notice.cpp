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
