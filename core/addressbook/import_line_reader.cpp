#include "core/addressbook/import_line_reader.h"

#include <cstdlib>
#include <sys/types.h>

#include "platform/path.h"
#include "platform/private_files.h"

ImportLineReader::~ImportLineReader() {
    Close();
    std::free(buffer_);
}

bool ImportLineReader::Open(const std::string& path) {
    Close();
    failed_ = false;
    file_ = platform::OpenNamedStream(platform::FixPath(path));
    return file_ != nullptr;
}

void ImportLineReader::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

bool ImportLineReader::ReadLine(std::string& line, bool crlfOnly) {
    line.clear();
    if (file_ == nullptr) return false;
    bool any = false;
    for (;;) {
        const ssize_t n = ::getdelim(&buffer_, &capacity_, '\n', file_);
        if (n <= 0) {
            if (std::ferror(file_)) failed_ = true;
            break;
        }
        any = true;
        line.append(buffer_, static_cast<std::size_t>(n));
        if (line.back() != '\n') break;  // end of the file
        if (!crlfOnly || (line.size() >= 2 && line[line.size() - 2] == '\r')) break;
    }
    if (!any) return false;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return true;
}
