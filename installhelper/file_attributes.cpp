#include "installhelper/file_attributes.h"

#include <sys/stat.h>

namespace tarbolt {

std::uint32_t GetAttributes(const char* name) {
    struct stat info;
    if (name == nullptr || name[0] == '\0' || ::stat(name, &info) != 0) return kInvalidAttributes;
    std::uint32_t bits = 0;
    if ((info.st_mode & S_IWUSR) == 0) bits |= kAttributeReadOnly;
    if (S_ISDIR(info.st_mode)) bits |= kAttributeDirectory;
    return bits == 0 ? kAttributeNormal : bits;
}

bool SetAttributes(const char* name, std::uint32_t attributes) {
    struct stat info;
    if (name == nullptr || name[0] == '\0' || ::stat(name, &info) != 0) return false;
    mode_t mode = info.st_mode & 07777;
    if (attributes & kAttributeReadOnly) mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else mode |= S_IWUSR;
    return mode == (info.st_mode & 07777) || ::chmod(name, mode) == 0;
}

}  // namespace tarbolt
