#pragma once
// Writers of record files (the counterpart of csv_read.h). A record is assembled field by
// field with SetData (each text quoted, inner double quotes doubled, CR and LF kept) and
// written with WriteLine, which ends it with CR LF. XCsvWrite codes every byte of the
// line, its line end included, through the table of its key before writing.
//
// Typical use: OpenFile; per record BufferEmpty, SetData per field, WriteLine; CloseFile.
//
// Files are written safely by default (WriteMode::kSafe): the lines go to a temporary file
// beside the target, which replaces the target only when the file is closed and every
// write succeeded. A failed or interrupted save thus leaves the old file as it was, and
// readers never see a half-written one. CloseFile reports whether the replacement
// happened; destruction closes the same way (discarding the new file after a failed
// write); AbortFile gives up the new file. WriteMode::kTruncate writes into the target
// directly.

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/private_files.h"

namespace platform {
class AtomicFile;
}

enum class WriteMode {
    kSafe,      // temporary file renamed over the target on CloseFile
    kSafeSync,  // as kSafe, and flushed to the disk (fsync) before the rename
    kTruncate,  // create or truncate the file and write into it
};

class CsvWrite {
public:
    CsvWrite();
    virtual ~CsvWrite();
    CsvWrite(const CsvWrite&) = delete;
    CsvWrite& operator=(const CsvWrite&) = delete;

    // Opens for writing as bytes: 1, or -1 when the path is null or the open fails. The
    // file is the user's alone unless `access` says otherwise (platform/private_files.h).
    int OpenFile(const char* path, WriteMode mode = WriteMode::kSafe,
                 platform::FileAccess access = platform::FileAccess::kOwner);
    int OpenFile(const std::string& path, WriteMode mode = WriteMode::kSafe,
                 platform::FileAccess access = platform::FileAccess::kOwner) {
        return OpenFile(path.c_str(), mode, access);
    }

    // Appends one quoted field; a null text appends nothing.
    void SetData(const char* text);
    void SetData(std::string_view text);
    // Appends one unquoted decimal field.
    void SetData(long number);
    void SetData(int number) { SetData(static_cast<long>(number)); }

    void BufferEmpty();
    // The line as it stands (after WriteLine: as written, coded, with its line end).
    std::string_view GetLine() const { return std::string_view(line_.get(), len_); }
    // Counts only formatted lines' resets: SetData does not advance it.
    int GetElementsNumber() const { return elements_; }

    // Writes the line (CR LF appended unless it ends in CR or LF): the number of bytes
    // written; 0 for an empty line (nothing written); -1 without an open file or when the
    // write fails (a safe file is then discarded when closed).
    int WriteLine();
    // Replaces the line by a printf-style text whose "%s" arguments have their double
    // quotes doubled; unknown conversions are dropped and take no argument; a null format
    // gives an empty line.
    std::string_view SetLine(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // SetLine, then WriteLine(); -1 without an open file.
    int WriteLine(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Closes the current file (committing a safe one) and adopts `fp` when it is not null;
    // returns the stream held.
    std::FILE* SetFp(std::FILE* fp);
    std::FILE* GetFp() const { return fp_; }
    std::FILE* GetFd() const { return fp_; }
    // Closes the file. For a safe file this is the commit: 0 when the target now holds
    // the new content, -1 when anything failed (the target keeps its old content).
    int CloseFile();
    // Safe mode: drops the new file, the target keeps its old content. Otherwise the same
    // as CloseFile.
    void AbortFile();
    // Safe mode, after OpenFile: CloseFile calls `hook` with the temporary file's path once
    // the new file is complete, just before it replaces the target
    // (platform::AtomicFile::SetBeforeReplace). Ignored otherwise.
    void SetBeforeReplace(std::function<void(const std::string& temp)> hook);

protected:
    explicit CsvWrite(bool coded);
    const unsigned char* encodeTable_ = nullptr;  // XCsvWrite only

private:
    void FormatLine(const char* format, va_list ap);
    // Makes room for `more` bytes after the current end of the line.
    char* Reserve(size_t more) {
        if (cap_ - len_ < more) Grow(more);
        return line_.get() + len_;
    }
    void Grow(size_t more);

    const bool coded_;
    std::unique_ptr<char[]> streamBuf_;  // outlives fp_ and safe_: closed first
    std::FILE* fp_ = nullptr;
    std::unique_ptr<platform::AtomicFile> safe_;
    bool syncOnClose_ = false;
    bool writeFailed_ = false;
    // The line: a plain growing buffer, since records are assembled field by field at
    // hundreds of megabytes a second.
    std::unique_ptr<char[]> line_;
    size_t len_ = 0;
    size_t cap_ = 0;
    int elements_ = 0;
};

class XCsvWrite : public CsvWrite {
public:
    XCsvWrite();
    // Keeps a copy of the key and codes with table GetKeyNumber(key) of the record block;
    // a null key goes back to the default table.
    void SetUseKey(const char* key);
    void SetUseKey(const std::string& key) { SetUseKey(key.c_str()); }
    const std::optional<std::string>& GetKey() const { return key_; }

private:
    std::optional<std::string> key_;
};
