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
// $XDG_STATE_HOME/quendrel/ (by default ~/.local/state/quendrel/); they are the user's
// alone (0600), an older file that others could read is narrowed when it is opened. Several writers of the
// same file (each client holds its own LogWriter) are serialised by a process-wide lock.
// When the file cannot be written the text stays buffered for the next write, but only
// the last kMaxBufferedBytes of it, so an unwritable log never eats memory.
//
// Cost: a client logs about seven lines per message sent. SetLogData writes at once;
// AddLogData only collects, and the collected lines go out in one write() with the next
// SetLogData or WriteToFile, when kBatchBytes have gathered, and before Init or the
// destructor forget them. The clients add their protocol lines and write them whenever
// they have waited a millisecond for the server, so a wait that lasts (a slow or silent
// server, where a hang or a kill finds them) has every line before it in the file, and a
// crash can lose only the lines of an exchange that never waited.
// The writer keeps its file open between writes and checks the file's date line only
// when it opens the file or the day changes; a write costs one write() and no open, read
// or close. Init (each send or receive run calls it) and the destructor close the file,
// so a log file deleted by hand is begun again at the next run.

#include <cstddef>
#include <ctime>
#include <string>

class LogWriter {
public:
    static constexpr size_t kMaxBufferedBytes = 256 * 1024;
    // Lines collected by AddLogData are written once this many bytes have gathered.
    static constexpr size_t kBatchBytes = 64 * 1024;

    LogWriter();
    // A copy takes the path, day digit, text and title; it opens the file for itself.
    LogWriter(const LogWriter& other);
    LogWriter& operator=(const LogWriter& other);
    ~LogWriter();
    // Writes what was collected, then: path empty, day digit -1, text and title empty;
    // the open file is closed.
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
    // The same line collected for a later write (see above): written at once only when the
    // collected lines reach kBatchBytes.
    void AddLogData(const std::string& text, int withTime);
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
    // Adds one line to the buffer: the pending title block first, the time stamp, the text,
    // a CR LF unless it ends in one, the rule.
    void Collect(const std::string& text, int withTime, int withRule);
    // Writes the buffer; false, with the buffer kept, on failure.
    bool Flush();
    // The clock's second now, with its local time as "hh:mm:ss" and "YYYY/MM/DD" and its
    // day of the month; converted once per second, not once per line.
    struct Clock {
        std::time_t second = -1;
        char stamp[32] = {};
        char date[32] = {};
        int day = 0;
    };
    const Clock& LocalNow();
    void CloseFile();

    std::string m_logFilePath;
    int m_dayDigit;
    std::string m_text;
    std::string m_title;

    // The file kept open between writes: its descriptor, its path and the date ("YYYY/MM/DD")
    // its first line was found or made to hold when it was opened.
    int m_fd = -1;
    std::string m_fdPath;
    std::string m_fdDate;
    Clock m_clock;
};

// The folder of the transfer log files, ending in '/' (see above); the state folder is
// created when it is chosen and missing.
std::string TransferLogFolder();
// The same choice with `preferred` in place of the core library's folder.
std::string TransferLogFolderFor(const std::string& preferred);
