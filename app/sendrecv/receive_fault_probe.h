#pragma once
// The points of a receive run at which a test can stop the process on purpose (SIGKILL
// from the probe), to prove that a run killed anywhere leaves nothing applied twice and
// nothing lost once the next run has finished. The run calls ReceiveRunReached(point) as
// it passes each point; the installed probe decides.
//
// Points, in the order a run meets them:
//   "applied"    one message's changes are made in memory (once per message)
//   "staged"     every changed store is written beside its file, nothing is committed
//   "journaled"  the address book's changes are in its journal; the ledger does not hold
//                the batch yet (only when the batch changed the book)
//   "committed"  the receive ledger holds the batch; the files are not replaced yet
//   "installed"  the files hold the batch; no message was deleted on the server yet
//   "deleted"    the handled messages are marked deleted; the server was not told to
//                remove them yet (no QUIT)
// No probe is installed in the program: passing a point then costs one atomic load.

#include <functional>
#include <string_view>

using ReceiveFaultProbe = std::function<void(std::string_view point)>;

// Installs `probe` for the whole process (empty: none). Tests only.
void SetReceiveFaultProbeForTesting(ReceiveFaultProbe probe);
// Tells the installed probe that the run reached `point`.
void ReceiveRunReached(std::string_view point);
