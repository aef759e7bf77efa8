#pragma once
// CFileHistory: numbered copies (generations) of one file in a folder. Generation 001 is
// the newest copy, the highest number the oldest. Each ExecuteCopy makes a fresh copy of
// the file the new 001, shifts the older generations up by one and drops the one that
// falls beyond the kept number. The address book keeps generations of "DB/database.dat"
// this way ("database.001", "database.002" ...): the target's extension is not kept.
//
// Names: "<folder>/<title>.<nnn>" for a generation. Generations numbered above the kept
// number (left from a larger setting) are never touched.
//
// A rotation survives being killed at any moment, and never deletes the only copy of a
// generation:
//  1. The new copy is written in full (and flushed to the disk) under the staging name
//     "<folder>/_<title>.000"; a failed copy leaves every generation as it was.
//  2. The generations shift up by single renames from the oldest one that moves down to
//     001: each rename replaces a name the previous one just freed (the first drops the
//     oldest generation, the one that falls beyond the kept number), so at any moment
//     every generation is there exactly once, with at most one number free.
//  3. The staged copy becomes 001.
// A missing number below the kept one (a generation deleted by hand, or the gap of a
// killed rotation) stops the shift there: the generations above it keep their numbers,
// and nothing is dropped.
//
// FinishInterruptedCopy (called by every ExecuteCopy, and by the open before it restores
// from the generations) completes a rotation that a killed process left: with a staged
// copy and a free number below a generation it does steps 2 and 3; a staged copy without
// one (killed before any rename) is dropped, the generations being as they were. Files
// "<folder>/_<title>.<nnn>" with nnn 001 or more (left by the renaming scheme of earlier
// versions, which moved every generation aside) go back to their number when it is free
// and within the kept number, and are deleted otherwise.

#include <string>

class CFileHistory {
public:
    // Paths above this length are refused (-2).
    static constexpr std::size_t kMaxPathLength = 4095;

    CFileHistory();
    virtual ~CFileHistory() = default;
    CFileHistory(const CFileHistory&) = default;
    CFileHistory& operator=(const CFileHistory&) = default;

    // How many generations to keep (0: none). -1 for a negative number (nothing changed), else 0.
    int SetHistoryNum(int number);
    int GetHistoryNum() const { return historyNum_; }
    // The file to copy: -2 too long, -1 not an existing file (the former target stays), 0.
    int SetTargetFileName(const std::string& path);
    // The folder of the generations: -2 too long; -1 missing (create flag 0) or an
    // existing path that is not a folder; -3 it could not be created; 0 taken.
    int SetSaveDirPath(const std::string& path, int create);
    const std::string& GetTargetFileName() const { return targetFileName_; }
    const std::string& GetSaveDirPath() const { return saveDirPath_; }

    // Makes a new generation (after FinishInterruptedCopy).
    //   0  the copy is generation 001 and the older ones are shifted;
    //  -1  no target or folder set, or the copy could not be made: the folder's
    //      generations are as they were;
    //  -2  a generation could not be renamed: the rotation stopped there without
    //      overwriting anything (the copy stays staged), and the next one goes on from it.
    // With a kept number of 0 no copy is made; only leftovers of an interrupted rotation are
    // removed (result 0).
    int ExecuteCopy();
    // Completes or undoes a rotation that a killed process left (see above) and removes
    // the temporaries of its copy. 0; -1 without target or folder; -2 when a rename failed.
    int FinishInterruptedCopy();

    // The path of generation `n` of the target ("<folder>/<title>.<nnn>").
    std::string GenerationPath(int n) const;

private:
    std::string ShiftPath(int n) const;  // "<folder>/_<title>.<nnn>"
    std::string Title() const;
    // Shifts the generations below the highest free number (or all, dropping the oldest)
    // up by one and puts the staged copy at 001. False when a rename failed.
    bool ShiftAndPlace() const;
    // Puts back or removes "_<title>.<nnn>" files of earlier versions (nnn 001 or more).
    void SettleOldLeftovers() const;

    int historyNum_ = 1;
    std::string targetFileName_;
    std::string saveDirPath_;
};
