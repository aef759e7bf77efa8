#pragma once
// The send server as the system options describe it, applied to an SMTP component, and
// the connect that goes with it. The send run and the test senders reach the server the
// same way through these two functions.
//
// System options read:
//    8 server address             9 port (25 when empty or unreadable)
//   85 SSL on ("Y")              87 SSL kind: "0" none, "1"-"3" implicit TLS (the
//                                   old protocol masks 192, 48, 12), "4" STARTTLS
//   88 do not verify the server's certificate ("Y")
//   90 SMTP authentication ("Y") 94 user ID   95 password
// The component is reset first (every property back to its default), then told the
// host name it greets with (this machine's, reduced to what a domain may hold;
// "LocalHost" when nothing is left) and that header lines are not folded by length.

class SystemOption;
namespace netssl {
class SmtpsComponent;
}

// Applies the settings; true when SMTP authentication is on.
bool ApplySmtpServerSettings(netssl::SmtpsComponent* h, SystemOption& options);

// Connects (method 2). With authentication, CRAM-MD5 is asked for first; when the server
// cannot do it (161) the attempt is closed and made again with the other methods. The
// component's result: 0, or its error code (301 after an interrupt or a time-out).
int ConnectSmtp(netssl::SmtpsComponent* h, bool authentication);
