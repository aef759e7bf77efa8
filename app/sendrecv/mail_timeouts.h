#pragma once
// The send/receive settings that live in the environment's ini file ("QuendrelT.ini",
// env_layout::EnvIniFile), not in the system options:
//
//   section   key                              default  meaning
//   POPINFO   POP_TIMEOUT_BEFORECONNECT        90000    ms until the receive server answers
//   POPINFO   POP_TIMEOUT_CONNECTED            90000    ms of silence allowed once connected
//   SMTPINFO  SENDMAIL_TIMEOUT_BEFORE_CONNECT  60000    the same for the send server
//   SMTPINFO  SENDMAIL_TIMEOUT_CONNECTED       60000
//   SMTPINFO  SENDMAIL_DELAY                   0        ms the send run waits between recipients
//
// A stored value is used when it is 1 to 9 characters, all digits ("0600" is 600);
// anything else ("6a", "", ten digits) gives the default. The value used is written back
// in its plain decimal form, so the file always shows what the program works with (a
// write that fails changes nothing of what is returned).

#include <string>

// The two time-outs of the receive (pop) or the send server, in milliseconds.
void ReadMailTimeouts(const std::string& iniFile, int& beforeConnect, int& connected, bool pop);
// The wait between two recipients of a send run, in milliseconds.
int ReadSendDelay(const std::string& iniFile);
