#include "app/mailtext/file_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/safe_write.h"

namespace compose {

namespace {

// An open read-only descriptor of a regular file, closed on every path. The files read
// here are ones the user named (a mail body, an EML file, an image): opened as named,
// and never waited on (a FIFO is no file).
class ReadFd {
 public:
  explicit ReadFd(const std::string& path) {
    do fd_ = platform::OpenNamedFile(path, O_RDONLY);
    while (fd_ < 0 && errno == EINTR);
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
      size_ = static_cast<uint64_t>(st.st_size);
      regular_ = true;
    }
  }
  ~ReadFd() { Close(); }
  ReadFd(const ReadFd&) = delete;
  ReadFd& operator=(const ReadFd&) = delete;

  bool ok() const { return regular_; }
  uint64_t size() const { return size_; }
  // Reads up to n bytes; the count read (short only at the end of the file), or -1.
  long long Read(char* p, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
      const ssize_t r = ::read(fd_, p + got, n - got);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) return -1;
      if (r == 0) break;
      got += static_cast<std::size_t>(r);
    }
    return static_cast<long long>(got);
  }
  bool Close() {
    if (fd_ < 0) return true;
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
  bool regular_ = false;
};

}  // namespace

int GetFileSizeByName(const std::string& path, uint64_t& size) {
  ReadFd f(path);
  if (!f.ok()) return 0;
  const uint64_t s = f.size();
  if (!f.Close()) return 0;
  size = s;
  return 1;
}

int RemoveFileNoThrow(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 1 : 0; }

int ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  ReadFd f(path);
  if (!f.ok() || f.size() > out.max_size()) return 0;
  std::string bytes(static_cast<std::size_t>(f.size()), '\0');
  if (f.Read(bytes.data(), bytes.size()) != static_cast<long long>(bytes.size())) return 0;
  // A file that grew while it was read is read to its end.
  char chunk[65536];
  for (long long n; (n = f.Read(chunk, sizeof chunk)) != 0;) {
    if (n < 0) return 0;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  out.swap(bytes);
  return 1;
}

int ReadWholeFile(const std::string& path, char* buffer, std::size_t size) {
  ReadFd f(path);
  if (!f.ok() || f.size() != size || (size > 0 && !buffer)) return 0;
  if (f.Read(buffer, size) != static_cast<long long>(size)) return 0;
  char extra;
  return f.Read(&extra, 1) == 0 ? 1 : 0;  // nothing beyond the expected size
}

int WriteStringToFile(const std::string& path, std::string_view bytes) {
  return platform::WriteFileAtomically(path, bytes) ? 1 : 0;
}

int WriteBufferToFile(const std::string& path, const void* buffer, std::size_t length) {
  if (length > 0 && !buffer) return 0;
  return WriteStringToFile(path, std::string_view(static_cast<const char*>(buffer), length));
}

}  // namespace compose
