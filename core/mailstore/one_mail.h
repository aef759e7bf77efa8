#pragma once
// OneMail: one mail's whole data as the composing screens edit it and OneMailMaker reads
// and stores it: the mail-list columns the screens show, a subject and a body per terminal
// row, and the attachments per terminal type.

#include <array>
#include <string>
#include <vector>

#include "platform/date_time.h"

// One attachment of a mail.
struct AttachData {
    // The file's name in the attachment work folder and the stem of its stored body
    // "<name>.base64". A bare name: the store refuses anything with a folder in it.
    std::string fileName;
    // A text the composing screens keep with the attachment (its byte size in decimal);
    // stored in the attachment list and returned unchanged.
    std::string secondText;
};

struct OneMail {
    // Terminal rows 0-4 are the terminal types (pc, nd, at, sb, wl); rows 5 and 6 are
    // stored and read like the others. Attachment arrays 5 and 6 are never stored.
    static constexpr int kTermRows = 7;
    static constexpr int kAttachTypes = 5;

    std::string addressName;         // mail-list column 2: the destination's name
    platform::DateTime reserveDate;  // mail-list column 6
    std::array<std::string, kTermRows> subject;
    std::array<std::string, kTermRows> body;
    std::array<std::vector<AttachData>, kTermRows> attach;
    std::string honorific;           // mail-list column 12
};
