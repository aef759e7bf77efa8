#pragma once
// A mail is "A" (sending) only while a send run works on it. When the program ends in the
// middle of a run (a crash, a kill, a power cut) the mail stays "A": hidden from every
// list but the full one, never due, never resumed. RecoverInterruptedSends finds such
// mails and makes them "I" (sending interrupted), so the scheduler resumes them with the
// recipients still in their recipient lists; their send histories, which record every
// recipient's outcome as it happens, keep the ones already sent from being counted twice.
// The run wrote the mail's sent and error counts only now and then, so they are taken
// from the history again, as a run that ends takes them.
//
// Call it once after an environment was opened, before the scheduler can start a run
// (no mail can be "A" legitimately then).

class CMailListViewer;

// Every mail in "A" becomes "I" with its last-change date now and the sent and error
// counts of its send history (left as they were when the history cannot be read), and the
// list is written. The number of mails put back (0: nothing written), or -1 when the list
// could not be written (the mails are "I" in memory; the next write of the list stores
// them).
int RecoverInterruptedSends(CMailListViewer& mails);
