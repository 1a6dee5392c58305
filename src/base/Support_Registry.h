// The registry: keys under four roots holding named values, kept in one
// human-readable file, $XDG_CONFIG_HOME/quillon/registry.txt (the config
// directory defaults to ~/.config). Key paths use "\" between levels; key and
// value names are matched without regard to ASCII case, as games expect.
//
// The file is read for every operation and every change rewrites it whole
// through a temporary file that is renamed over it, so a crash never leaves
// half a store behind and runners started side by side see each other's
// writes.
//
// File form: a "[ROOT\key\path]" line opens a key; under it each value is
//   name=s:text      (a string)
//   name=b:0011aabb  (binary bytes in hexadecimal)
//   name=d:1         (a 32-bit number)
// where "%HH" (two hexadecimal digits) stands for a byte that would not read
// back as itself: "%", control characters, and in names and key levels also
// "=", "[", "]", "#" and ";".
// Blank lines and lines starting with "#" or ";" are ignored; a line that
// cannot be read is skipped (and dropped at the next write).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class RegRoot : int32_t { kCurrentUser = 0, kLocalMachine = 1, kClassesRoot = 2, kUsers = 3 };

struct RRegValue {
  enum Kind : int32_t { kString = 0, kBinary = 1, kNumber = 2 };
  Kind kind = kString;
  std::string text;            // kString
  std::vector<uint8_t> bytes;  // kBinary
  uint32_t number = 0;         // kNumber
};

// The directory of the store and the store file itself.
std::string RegistryDirectory();
std::string RegistryStorePath();

// Answers whether the key exists.
bool RegistryKeyExists(RegRoot root, std::string_view key);
// Creates the key (and nothing else) when missing; false when the store
// cannot be written.
bool RegistryCreateKey(RegRoot root, std::string_view key);
// The value when key and value exist.
bool RegistryRead(RegRoot root, std::string_view key, std::string_view name, RRegValue &value);
// Sets the value, creating the key when missing; false when the store cannot
// be written (the old store is then left as it was).
bool RegistryWrite(RegRoot root, std::string_view key, std::string_view name, const RRegValue &value);
// Removes a value; answers whether it existed and the store was written.
bool RegistryDeleteValue(RegRoot root, std::string_view key, std::string_view name);

// A boolean read the way the runner's own settings are stored: a number is
// true when not 0, a string when it is "1" or "true" (any case), binary bytes
// when any is not 0. False and found = false when missing.
bool RegistryReadBool(RegRoot root, std::string_view key, std::string_view name, bool &found);
