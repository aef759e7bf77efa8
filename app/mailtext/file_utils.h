#pragma once
// Whole-file helpers of the composing screens (attachments, inline images, body files).
// Paths are file-system bytes (see ui::ToPath). Results: 1 for success, 0 for failure; no
// function throws.
//
// Sizes are 64-bit throughout, so a file of 4 GiB or more is never taken for a small one.
// Reads trust the open file, not a size taken earlier: a file that grew or shrank since its
// size was recorded is refused, never read past the caller's buffer. Writes replace the
// file safely (platform/safe_write.h): a failed write leaves the old file as it was.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace compose {

// The size of a regular file (a folder or another kind of file fails).
int GetFileSizeByName(const std::string& path, uint64_t& size);

// Deletes a file (not a folder). 0 when it cannot be deleted.
int RemoveFileNoThrow(const std::string& path);

// `out` = the whole file. 0 (out emptied) when it cannot be opened or read.
int ReadWholeFile(const std::string& path, std::string& out);
// The whole file into `buffer`, which holds `size` bytes: 1 only when the file holds
// exactly `size` bytes now and all were read. Nothing is written past buffer + size.
int ReadWholeFile(const std::string& path, char* buffer, std::size_t size);

// Creates or replaces the file with exactly these bytes (no NUL added).
int WriteStringToFile(const std::string& path, std::string_view bytes);
int WriteBufferToFile(const std::string& path, const void* buffer, std::size_t length);

}  // namespace compose
