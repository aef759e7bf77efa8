#pragma once
// The address book's recovery when an environment is opened: records lost from
// "DB/database.dat" come back from its numbered generations, the book is saved, and a new
// generation is made. The shell calls this once after reading the book and shows the
// prepared message (when there is one) once the open has succeeded.
//
// The number of generations is "SAVE_MAX" of section "HISTORY" in the environment's ini
// file ("QuendrelT.ini"): 1 when missing (and then written as 1); below 1 nothing is
// restored, saved or copied.
//
// Each generation "DB/database.<nnn>" (newest first) is restored into the book; a
// generation that restores or leaves out records gets a report file beside it,
// "database_<nnn>_<env name>_<YYYYmmddHHMMSS>.txt", and a paragraph in the message.
//
// The generations are rotated only after the book has been saved: a book that could not
// be saved keeps every generation, since they may hold the only copy of what it restored.
// (A book whose read failed refuses every save, so it never costs a generation either.)
// A rotation that a killed process left is completed or undone before the generations are
// read (CFileHistory::FinishInterruptedCopy), so none of them is missed or lost.
//
// What the open does around it stays with the caller: reading the book before, and
// setting the customer-ID sequence past the book's largest ID after.

#include <string>

class CDatabaseEdit;
class EnvManager;

struct OpenRecoveryResult {
    bool restored = false;    // some generation gave records back
    bool duplicates = false;  // some generation had records left out for their address
    bool error = false;       // a restore failed (the two flags above are then cleared)
    // The paragraphs of the message: per generation, its path and its report's path.
    std::string report;
    // The message to show after the open (Shift_JIS); an empty caption means none.
    std::string messageText;
    std::string messageCaption;
    unsigned messageStyle = 0x40;  // information icon
};

// SAVE_MAX of the environment's ini file; 1 (and written) when missing.
int ReadGenerationCount(const EnvManager& env);

// Restores over `generations` generations, saves the book and rotates the generations.
//   0  done (also with fewer than 1 generation: nothing was done);
//  -1  the book could not be saved, or what a generation holds could not be restored
//      (its records could not be written, and were taken back): the generations were left
//      as they were, and the book's GetErrMsg holds 10204;
//  -2  the book was saved but the new generation could not be made (or an older
//      generation could not be shifted).
// In every case the book in memory holds everything restored and nothing else, and `out`
// is filled; after 0 and -2 the open may go on.
int RecoverAddressBook(CDatabaseEdit& book, EnvManager& env, int generations, OpenRecoveryResult& out);

// The same with the number read by ReadGenerationCount.
int RecoverAddressBookAtOpen(CDatabaseEdit& book, EnvManager& env, OpenRecoveryResult& out);
