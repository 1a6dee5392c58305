// The INI file of the game: one at a time, held in memory with sections and
// keys compared without regard to case, written back whole after every
// change. Lines the file holds that are neither a section nor a key (notes,
// blank lines, broken lines) are kept where they are.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CInstance;
struct RValue;

class CIniFile {
public:
  // Replaces the content with the text of a file.
  void Parse(std::string_view text);
  // The file's text: lines end in CR LF.
  std::string Render() const;

  bool SectionExists(std::string_view section) const;
  bool KeyExists(std::string_view section, std::string_view key) const;
  // The value, or null when the section or key is missing.
  const std::string *Read(std::string_view section, std::string_view key) const;
  void Write(std::string_view section, std::string_view key, std::string_view value);
  // Answer whether anything was removed.
  bool DeleteKey(std::string_view section, std::string_view key);
  bool DeleteSection(std::string_view section);

private:
  struct RLine {
    bool isKey = false;
    std::string key, value;  // when isKey
    std::string raw;         // the line as read; "" once the key was written
  };
  struct RSection {
    std::string name;
    bool hasHeader = true;   // the lines before the first section have none
    std::string rawHeader;
    std::vector<RLine> lines;
  };
  RSection *Find(std::string_view section);
  const RSection *Find(std::string_view section) const;
  std::vector<RSection> m_sections;
};

// The INI number reader: "1,5e2" is 150, a text starting with a space is 0.
double IniReadNumber(std::string_view text);
// A real as INI text: up to 15 significant digits, the shortest general
// form, an exponent as "E" and its digits ("1E15", "1.5E-5").
std::string IniFormatReal(double x);

// The open INI file: its full path, or "" when none is open.
const std::string &IniOpenPath();
// Writes back and closes the open INI file (tests; the game's ini_close).
void IniCloseCurrent();
// Forgets the open INI file without writing it (process start and tests).
void IniDropCurrent();

void F_IniOpen(CInstance *, CInstance *, int, RValue *, RValue &);
void F_IniClose(CInstance *, CInstance *, int, RValue *, RValue &);
void F_IniReadString(CInstance *, CInstance *, int, RValue *, RValue &);
void F_IniReadReal(CInstance *, CInstance *, int, RValue *, RValue &);
void F_IniWriteString(CInstance *, CInstance *, int, RValue *, RValue &);
void F_IniWriteReal(CInstance *, CInstance *, int, RValue *, RValue &);
void F_IniKeyExists(CInstance *, CInstance *, int, RValue *, RValue &);
void F_IniSectionExists(CInstance *, CInstance *, int, RValue *, RValue &);
void F_IniKeyDelete(CInstance *, CInstance *, int, RValue *, RValue &);
void F_IniSectionDelete(CInstance *, CInstance *, int, RValue *, RValue &);
