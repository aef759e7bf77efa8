#pragma once
// ImportLineReader: physical lines of an import file, of any length. A last line without a
// line break is still a line (a file saved without a final line feed must not lose its
// last record); an empty rest after the last line break is not.

#include <cstdio>
#include <string>

class ImportLineReader {
public:
    ImportLineReader() = default;
    ~ImportLineReader();
    ImportLineReader(const ImportLineReader&) = delete;
    ImportLineReader& operator=(const ImportLineReader&) = delete;

    // Opens the file as bytes; false when it cannot be opened.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    void Close();

    // The next line without its trailing CR and LF characters. With crlfOnly only CR LF ends
    // a line: a lone LF stays inside the line, which runs on to the next CR LF. False at the
    // end of the file or on a read error (Failed() tells which).
    bool ReadLine(std::string& line, bool crlfOnly = false);
    bool Failed() const { return failed_; }

private:
    std::FILE* file_ = nullptr;
    char* buffer_ = nullptr;
    std::size_t capacity_ = 0;
    bool failed_ = false;
};
