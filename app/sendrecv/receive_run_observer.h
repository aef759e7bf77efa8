#pragma once
// What a receive run tells whoever shows it (the send/receive status dialog). It is the
// send run's observer (status lines, the number of messages to deal with, the number
// dealt with, the pauses that let a user read a line) plus the kind of each message dealt
// with, so that one observer serves the whole send/receive run.
//
// The run calls these on its own (worker) thread, with values the observer may keep.

#include "app/sendrecv/send_run_observer.h"

class ReceiveRunObserver : public SendRunObserver {
public:
    // Kinds of OnMailKind, as the status dialog counts them.
    enum MailKind : int {
        kUnrelated = 0,
        kRegistration = 1,
        kRefusal = 2,
        kErrorMail = 3,
        kReadReceipt = 4,
    };

    // One message was dealt with; `kind` says what it was (any value other than 1-4 counts
    // as unrelated). OnTotal gives the number of new messages, OnProcessed the number dealt
    // with so far.
    virtual void OnMailKind(int kind) = 0;
};
