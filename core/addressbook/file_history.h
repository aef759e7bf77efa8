#pragma once
// CFileHistory: numbered copies (generations) of one file in a folder. Generation 001 is
// the newest copy, the highest number the oldest. Each ExecuteCopy makes a fresh copy of
// the file the new 001, shifts the older generations up by one and drops the one that
// falls beyond the kept number. The address book keeps generations of "DB/database.dat"
// this way ("database.001", "database.002" ...): the target's extension is not kept.
//
// Names: "<folder>/<title>.<nnn>" for a generation; "<folder>/_<title>.<nnn>" while a
// shift is under way (any such file left by an interrupted run is removed by the next
// ExecuteCopy). Generations numbered above the kept number (left from a larger setting)
// are never touched.
//
// A generation is never lost to a failed copy: the copy is written in full (and flushed
// to the disk) under a staging name first, and the older generations are shifted only
// after it has succeeded.

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

    // Makes a new generation.
    //   0  the copy is generation 001 and the older ones are shifted;
    //  -1  no target or folder set, or the copy could not be made: the folder's
    //      generations are as they were;
    //  -2  the copy is generation 001, but an older generation could not be shifted
    //      (that generation may have been replaced by the one below it).
    // With a kept number of 0 no copy is made; only leftovers of an interrupted shift are
    // removed (result 0).
    int ExecuteCopy();

    // The path of generation `n` of the target ("<folder>/<title>.<nnn>").
    std::string GenerationPath(int n) const;

private:
    std::string ShiftPath(int n) const;  // "<folder>/_<title>.<nnn>"
    std::string Title() const;
    // Removes every "_<title>.*" file of the folder.
    void RemoveShiftLeftovers() const;

    int historyNum_ = 1;
    std::string targetFileName_;
    std::string saveDirPath_;
};
