#pragma once
// The points of a send run at which a test can stop the process on purpose (SIGKILL from
// the probe), to prove that a run killed anywhere is finished by the next run without
// anyone getting a second copy of what was recorded as sent. The run calls
// SendRunReached(point) as it passes each point; the installed probe decides.
//
// Points, in the order a run meets them for each recipient:
//   "taking"     the run is about to take its mail (still due? then "A")
//   "handed"     a message went to the server whole (its last byte written, with the
//                envelope of the next when pipelined); its answer is not read yet
//   "accepted"   the server accepted a message; nothing is recorded yet (the one message
//                a kill can cause to be sent twice)
//   "recorded"   the recipient's outcome is in the send history's progress record
//   "list-save"  the recipient list is about to be rewritten (after a whole save of the
//                send history, and at the end of the run)
//   "closing"    the run is about to write its stores for the last time
//   "closed"     the run is over (its stores written, its closing lines and pauses shown);
//                the worker's final save of the mail's status is still to come
// No probe is installed in the program: passing a point then costs one atomic load.

#include <functional>
#include <string_view>

using SendFaultProbe = std::function<void(std::string_view point)>;

// Installs `probe` for the whole process (empty: none). Tests only.
void SetSendFaultProbeForTesting(SendFaultProbe probe);
// Tells the installed probe that the run reached `point`.
void SendRunReached(std::string_view point);
