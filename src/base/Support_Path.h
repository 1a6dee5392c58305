// Paths as games give them, made usable on this system. Games were written
// for a system where "\" separates directories and names are matched without
// regard to case; here "\" becomes "/" and a name that does not exist is
// looked up case-insensitively, one directory level at a time.
#pragma once

#include <string>
#include <string_view>

// Names of files, INI sections and keys and registry keys match without
// regard to the case of ASCII letters (other bytes must be equal).
inline bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// The game's path as a path of this system: every "\" turned into "/"; then,
// from the first component on, a component that does not exist as written is
// replaced by the entry of its directory whose name matches it without regard
// to ASCII case (the first in name order when several do). Components after
// the first one that matches nothing are kept as given, so a path to a file
// about to be created keeps the name the game chose.
std::string TranslatePath(std::string_view gamePath);

// A name "contains a path" when it holds "\" or "/" (secure mode allows
// writing only names without one).
bool PathHasDirectory(std::string_view name);

// The translated path made absolute against the current directory, with "."
// and ".." components resolved textually.
std::string FullPath(std::string_view gamePath);

// Secure mode: the player's promise that the game may not write outside the
// working directory or start programs. Read once at process start from the
// runner's preferences key in the registry; it does not change afterwards
// (tests set it directly).
bool SecureMode();
void SetSecureMode(bool on);
// Key "Software\Quillon\Version 8.1\Preferences" under the current user:
// "Warning" sets the flag, "QuillonRunning" (when present) must also be set.
// Without the key secure mode is off.
void SecureMode_Read();
