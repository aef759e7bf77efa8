#pragma once
// File attributes of the installer's platform on POSIX permissions: read-only is "the
// owner may not write"; setting it takes every write permission away, clearing it gives
// the owner write permission back. Folders report the folder bit; a file that is neither
// read-only nor a folder is "normal". Links are followed. Hidden, system and archive bits
// have no counterpart here and are neither reported nor set.

#include <cstdint>

namespace tarbolt {

inline constexpr std::uint32_t kAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeNormal = 0x80;
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// The bits of `name`, or kInvalidAttributes when it is null or does not exist.
std::uint32_t GetAttributes(const char* name);

// Applies the read-only bit of `attributes` to `name`. False when the name is null or
// missing, or its permissions cannot be changed.
bool SetAttributes(const char* name, std::uint32_t attributes);

}  // namespace tarbolt
