#pragma once
// The system options that several parts of sending read (their indices in the option
// list): the send run and the test-mail sender when they make a mail and reach the server,
// the composing screens for whether attachments are allowed.

inline constexpr int kOptionSender = 0;          // the sender's address
inline constexpr int kOptionZone = 10;           // the time zone of the Date line
inline constexpr int kOptionReadReceipt = 67;    // ask for a read receipt ("Y")
inline constexpr int kOptionSenderName = 82;     // the sender's name
inline constexpr int kOptionAuth = 90;           // SMTP authentication ("Y")
inline constexpr int kOptionNoAttachments = 100; // send without attachments ("Y")
