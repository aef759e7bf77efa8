#pragma once
// File dates as record-file date text, and the version strings of this system's own
// binaries ("FileVersion", "InternalName", ...), which are compiled into each binary.

#include <cstddef>
#include <string>
#include <string_view>

// Creation time of a file (its birth time where the file system records one, else its
// last modification time) as "YYYY/MM/DD hh:mm:ss" local time into a 20-byte buffer.
// Result 1; 0 when the file's status cannot be read (buffer untouched).
int GetFileStat_CreateDate(std::string_view path, char* buffer);
int GetFileStat_CreateDate(std::string_view path, std::string& out);
// The same with the last modification time.
int GetFileStat_LastRenewalDate(std::string_view path, char* buffer);
int GetFileStat_LastRenewalDate(std::string_view path, std::string& out);

// The version string `name` of a file of this system, known by its file name
// ("libombrel.so", "Quendrel", "Fennick", "libtarbolt.so", with or without a folder).
// Result 1 when the value and its NUL fit into outputSize bytes; 0 otherwise (another
// file, an unknown name, or a value too long), output untouched.
int GetFileVerInfo(std::string_view file, std::string_view name, char* output, std::size_t outputSize);
// The same for a module of the running process named by its file name; an empty module
// name means the running program itself.
int GetModuleFileVerInfo(std::string_view module, std::string_view name, char* output, std::size_t outputSize);
