#pragma once
// The one place where a store learns the key for its record files. An unkeyed
// environment (type 3) codes with the default tables (no key); a keyed one (type 5) with
// its data key, read from the descriptor once and cached by EnvManager. When a keyed
// environment's data key cannot be had, this fails and the store must refuse to read or
// write: coding with an empty key would read garbage and write files in the wrong coding.

#include <string>

class EnvManager;

struct StoreKey {
    bool keyed = false;  // false: default coding
    std::string text;    // the data key when keyed
    // The key as the record readers and writers take it: null selects the default tables.
    const char* get() const { return keyed ? text.c_str() : nullptr; }
};

// 0 and `out` filled; -1 when env is null or not opened (type 0); -2 when the environment
// is keyed but its data key cannot be read (missing, damaged or tampered descriptor).
[[nodiscard]] int GetStoreKey(const EnvManager* env, StoreKey& out);

// The key a load that lets its caller pick codes with: none in an unkeyed environment
// (type 3), `given` when `useGiven` is non-zero, else the store's own key kept in
// `storage` (which must outlive the key's use). Sets `useKey`; false when the store's
// key cannot be had.
[[nodiscard]] bool ChooseStoreKey(const EnvManager* env, int useGiven, const char* given, StoreKey& storage,
                                  const char*& useKey);
