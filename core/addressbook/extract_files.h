#pragma once
// What a load of an extraction file that found nothing really met. The record table says
// "cannot open" both for a missing file and for one it cannot open, and "no record" both
// for an empty file and for one whose first read failed (a folder, an I/O error). Only a
// missing path is "no file" and only a regular file of no bytes is "empty"; anything else
// is a file that exists and did not read, which must never be taken for an empty list
// and written over.

#include <string>

enum class UnloadedFile { kMissing, kEmpty, kUnreadable };

UnloadedFile ClassifyUnloadedFile(const std::string& path);
