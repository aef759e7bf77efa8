#pragma once
// Moves put off until "the next start": the system this library was written for carried
// them out at its next boot, so an installer could replace files in use. Here they are
// recorded in a file and carried out when the library is next loaded into a process (its
// load is the next start of an installer that uses it).
//
// Place: $TARBOLT_PENDING_MOVES when set and not empty; otherwise "tarbolt-pending-moves"
// in the folder the project keeps its own files in: the library's folder when the user
// may write there, else the per-user state folder ($XDG_STATE_HOME/quendrel/, by default
// ~/.local/state/quendrel/).
//
// File: records of two fields, each field ended by a zero byte (names may hold any other
// byte, line breaks included): the absolute source name, then the target: "" to delete
// the source, "/..." to move it where nothing of that name exists, "!/..." to move it
// replacing a file of that name. Each record is appended with one write under an
// exclusive lock on the file, so two installers recording at once lose nothing; a torn
// tail (a crash in the middle of a write) and records that are not of this shape are
// skipped. Applying takes the same lock, carries out every record in order (one that
// fails is dropped, as at a boot), then empties the file.

#include <string>

namespace tarbolt {

std::string PendingMovesPath();

// Records that `source` is to move to `target` (empty: to be deleted) at the next start;
// relative names are made absolute from the current folder. False when the file cannot
// be written.
bool RecordPendingMove(const std::string& source, const std::string& target, bool replace);

// Carries out and clears the moves recorded in the file at `path`. The number of records
// carried out successfully; 0 when there is no file.
int ApplyPendingMoves(const std::string& path);

}  // namespace tarbolt
