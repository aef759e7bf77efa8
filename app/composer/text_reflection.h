#pragma once
// The questions of copying a text mail into the carrier pages ("携帯にも反映" on the PC page,
// "他キャリアにも反映" on the NTT DoCoMo page). Every question is asked before anything
// changes, and any answer but OK ends the whole copy with nothing changed:
//  - the confirmation (key "MAILREFLECT"), while the page's confirmation is pending;
//  - from the PC page, for each carrier whose subject or body limit the text passes, that
//    the text will be cut (the cut itself ends where a character ends);
//  - for each target carrier whose attachment total or count the page's attachments
//    pass, that the attachments will not be copied there (OK clears that carrier's flag).
// The copies themselves are the composing dialog's (MailComposer).

#include <array>
#include <cstdint>
#include <string>

class QWidget;

namespace compose {

// The limits of one target carrier of a copy.
struct ReflectCarrier {
    const char* name;
    int subjectLimit;
    int bodyLimit;
    std::uint64_t attachmentTotal;
    int attachmentCount;
};

// NTT DoCoMo, au TU-KA, SoftBank, WILLCOM.
extern const std::array<ReflectCarrier, 4> kReflectCarriers;

// The confirmation dialog of a copy (height and width as the page asks); true for OK.
bool ConfirmReflection(QWidget* owner, int height, int width, const char* message);

// From the PC page: the cut questions of subject and body, carrier by carrier. False when
// the user cancelled.
bool AskTextCuts(QWidget* owner, const std::string& subject, const std::string& body);

// The attachment questions for the carriers kReflectCarriers[first..3], whose flags are
// flags[0..]; the flags start at true and an OK clears one. The NTT DoCoMo total is named
// in megabytes when `docomoInMegabytes`, every other total in kilobytes. False when the
// user cancelled.
bool AskAttachmentFlags(QWidget* owner, std::size_t first, std::uint64_t total, int count, bool docomoInMegabytes,
                        bool* flags);

}  // namespace compose
