#pragma once
// LogWriter: appends entries to the transfer log, the protocol trail of the SMTP and POP
// clients. The log is a cycle of ten files, "VarnisTransfer<d>.log" with d the last digit
// of the day of the month; a file whose first line is not today's date is begun afresh,
// so each file holds one day and is reused every ten days.
//
// File layout: "YYYY/MM/DD" CR LF, then entries. An entry is an optional title between
// two rules of 79 "=", then its text lines (each ending in CR LF, optionally stamped
// "hh:mm:ss" with no separator), optionally followed by a rule of 79 "-".
//
// The files live in the core library's folder when it is writable, otherwise in
// $XDG_STATE_HOME/quendrel/ (by default ~/.local/state/quendrel/). Several writers of the
// same file (each client holds its own LogWriter) are serialised by a process-wide lock.
// When the file cannot be written the text stays buffered for the next write, but only
// the last kMaxBufferedBytes of it, so an unwritable log never eats memory.

#include <cstddef>
#include <string>

class LogWriter {
public:
    static constexpr size_t kMaxBufferedBytes = 256 * 1024;

    LogWriter();
    // Path empty, day digit -1, text and title empty.
    void Init();

    // Sets the path directly (the next write chooses the path of today's file anew unless
    // the day digit already matches).
    void SetLogFilePath(const std::string& path);
    // Title of the next entry.
    void SetLogTitle(const std::string& title);
    void ClearLogBuffer();

    // Adds one piece of text (after the time "hh:mm:ss" when withTime is nonzero, with a
    // CR LF unless the buffer then ends in one, and a "-" rule when withRule is nonzero),
    // writes the entry at once and forgets the title.
    void SetLogData(const std::string& text, int withTime, int withRule);
    // Writes the collected entry (title block first) at the end of today's file.
    void WriteToFile();

    // Tests: put the log files in `folder` (ending in '/') instead of the usual place;
    // an empty folder restores the usual choice.
    static void SetLogFolderForTesting(const std::string& folder);

protected:
    // For a digit 0 to 9: keeps it, sets the path of its file and returns 1; other
    // digits return 0 and change nothing.
    int CreateCyclicLogFilePath(int digit);

private:
    // Writes the buffer (title block first); false, with the buffer kept, on failure.
    bool Flush();

    std::string m_logFilePath;
    int m_dayDigit;
    std::string m_text;
    std::string m_title;
};

// The folder of the transfer log files, ending in '/' (see above); the state folder is
// created when it is chosen and missing.
std::string TransferLogFolder();
// The same choice with `preferred` in place of the core library's folder.
std::string TransferLogFolderFor(const std::string& preferred);
