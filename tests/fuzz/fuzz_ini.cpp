// INI files come from players' disks and may be anything: reading arbitrary
// bytes must never crash, and what the runner writes back must read back to
// the same sections, keys and values. The number reader takes any text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "functions/Function_Ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  CIniFile ini;
  ini.Parse(text);
  const std::string written = ini.Render();
  CIniFile again;
  again.Parse(written);
  if (again.Render() != written) std::abort();

  // A value the game writes reads back the same after the file is written
  // and read again, for every name that can stand in a file: a key without
  // "=" that does not start like a note or a section, a section without "]".
  const size_t third = size / 3;
  const std::string section(text.substr(0, third)), key(text.substr(third, third)),
      value(text.substr(2 * third));
  ini.Write(section, key, value);
  CIniFile reread;
  reread.Parse(ini.Render());
  const std::string *expected = ini.Read(section, key);
  const std::string *got = reread.Read(section, key);
  const size_t first = key.find_first_not_of(" \t");
  const bool plainKey = first != std::string::npos && key.find('=') == std::string::npos &&
                        key.find_first_of("\r\n") == std::string::npos &&
                        std::string_view(";#[").find(key[first]) == std::string_view::npos;
  const bool plainSection = section.find_first_of("]\r\n") == std::string::npos;
  if (plainKey && plainSection) {
    if (!expected || !got || *got != *expected) std::abort();
    // Removing the section from the file in memory and from the file read
    // back leaves the same text.
    ini.DeleteSection(section);
    reread.DeleteSection(section);
    if (ini.Render() != reread.Render()) std::abort();
  }

  (void)IniReadNumber(text);
  return 0;
}
