#include "functions/Function_Ini.h"


#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "code/Code_Error.h"
#include "code/Function_Args.h"
#include "base/Support_File.h"
#include "base/Support_Path.h"
#include "base/Support_Stream.h"

using fnarg::Num;
using fnarg::Text;

// ---------------------------------------------------------------------------
// The file held in memory
// ---------------------------------------------------------------------------
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A line break inside a name or value would make the file read back as
// other sections and keys than the game wrote: it is written as a space.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char &c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

// Section and key names as the file can hold them: on one line, without
// the spaces around them that reading the file drops.
std::string Name(std::string_view s) { return std::string(Trim(OneLine(s))); }

}  // namespace

CIniFile::RSection *CIniFile::Find(std::string_view section) {
  const std::string name = Name(section);
  for (RSection &s : m_sections)
    if (s.hasHeader && EqualNoCase(s.name, name)) return &s;
  return nullptr;
}

const CIniFile::RSection *CIniFile::Find(std::string_view section) const {
  const std::string name = Name(section);
  for (const RSection &s : m_sections)
    if (s.hasHeader && EqualNoCase(s.name, name)) return &s;
  return nullptr;
}

void CIniFile::Parse(std::string_view text) {
  m_sections.clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  RSection *current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view t = Trim(line);
    if (!t.empty() && t.front() == '[' && t.find(']') != std::string_view::npos) {
      const std::string name(Trim(t.substr(1, t.find(']') - 1)));
      // A section named twice is one section: its later keys join the first.
      current = Find(name);
      if (!current) {
        m_sections.push_back(RSection{name, true, std::string(line), {}});
        current = &m_sections.back();
      }
      continue;
    }
    if (!current) {
      if (m_sections.empty()) m_sections.push_back(RSection{"", false, "", {}});
      current = &m_sections.front();
    }
    RLine entry;
    entry.raw.assign(line);
    const size_t eq = t.find('=');
    // Notes (";" or "#"), blank lines and lines without "=" are kept as text.
    if (current->hasHeader && eq != std::string_view::npos && eq > 0 && t.front() != ';' && t.front() != '#') {
      entry.isKey = true;
      entry.key.assign(Trim(t.substr(0, eq)));
      entry.value.assign(Trim(t.substr(eq + 1)));
      bool duplicate = false;
      for (RLine &l : current->lines)
        if (l.isKey && EqualNoCase(l.key, entry.key)) duplicate = true;
      // The first of two equal keys is the one read; the other stays as text.
      if (duplicate) entry.isKey = false;
    }
    current->lines.push_back(std::move(entry));
  }
}

std::string CIniFile::Render() const {
  std::string out;
  for (const RSection &s : m_sections) {
    if (s.hasHeader) out += (s.rawHeader.empty() ? "[" + s.name + "]" : s.rawHeader) + "\r\n";
    for (const RLine &l : s.lines) {
      if (!l.isKey || !l.raw.empty())
        out += l.raw;
      else
        out += l.key + "=" + l.value;
      out += "\r\n";
    }
  }
  // Reading skips one byte order mark at the start, so text that begins with
  // one itself (a file that had two) goes behind another: otherwise the next
  // read would drop it and could find a section in the line it started.
  if (out.compare(0, 3, "\xEF\xBB\xBF") == 0) out.insert(0, "\xEF\xBB\xBF");
  return out;
}

bool CIniFile::SectionExists(std::string_view section) const { return Find(section) != nullptr; }

const std::string *CIniFile::Read(std::string_view section, std::string_view key) const {
  const RSection *s = Find(section);
  if (!s) return nullptr;
  const std::string k = Name(key);
  for (const RLine &l : s->lines)
    if (l.isKey && EqualNoCase(l.key, k)) return &l.value;
  return nullptr;
}

bool CIniFile::KeyExists(std::string_view section, std::string_view key) const {
  return Read(section, key) != nullptr;
}

void CIniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  const std::string sect = Name(section);
  const std::string k = Name(key);
  RSection *s = Find(sect);
  if (!s) {
    m_sections.push_back(RSection{sect, true, "", {}});
    s = &m_sections.back();
  }
  // Spaces around a value are not read back from the file, so they are not
  // kept in memory either: a value reads the same before and after a reopen.
  const std::string v(Trim(OneLine(value)));
  for (RLine &l : s->lines)
    if (l.isKey && EqualNoCase(l.key, k)) {
      l.value = v;
      l.raw.clear();
      return;
    }
  // New keys go after the last key of the section, before trailing blank
  // lines and notes that separate it from the next section.
  size_t at = s->lines.size();
  while (at > 0 && !s->lines[at - 1].isKey && Trim(s->lines[at - 1].raw).empty()) --at;
  RLine entry;
  entry.isKey = true;
  entry.key = k;
  entry.value = v;
  s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
}

bool CIniFile::DeleteKey(std::string_view section, std::string_view key) {
  RSection *s = Find(section);
  if (!s) return false;
  const std::string k = Name(key);
  for (size_t i = 0; i < s->lines.size(); ++i)
    if (s->lines[i].isKey && EqualNoCase(s->lines[i].key, k)) {
      s->lines.erase(s->lines.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  return false;
}

bool CIniFile::DeleteSection(std::string_view section) {
  const std::string name = Name(section);
  for (size_t i = 0; i < m_sections.size(); ++i)
    if (m_sections[i].hasHeader && EqualNoCase(m_sections[i].name, name)) {
      m_sections.erase(m_sections.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  return false;
}

// ---------------------------------------------------------------------------
// Numbers
// ---------------------------------------------------------------------------
double IniReadNumber(std::string_view text) {
  double result = 0, weight = 1;
  double sign = 1, expSign = 1;
  int exponent = 0;
  bool point = false, inExponent = false;
  for (char c : text) {
    if (c == '.' || c == ',') {
      if (point || inExponent) break;
      point = true;
    } else if (c == 'E' || c == 'e') {
      if (inExponent) break;
      inExponent = true;
    } else if (c == '-') {
      if (inExponent)
        expSign = -expSign;
      else
        sign = -sign;
    } else if (c >= '0' && c <= '9') {
      const int d = c - '0';
      if (inExponent) {
        // Past this every value is 0 or infinite; more digits change nothing.
        if (exponent < 100000) exponent = exponent * 10 + d;
      } else if (point) {
        weight /= 10;
        result += weight * d;
      } else {
        result = result * 10 + d;
      }
    } else {
      break;
    }
  }
  if (result == 0) return sign * 0.0;
  return sign * result * std::pow(10.0, expSign * exponent);
}

std::string IniFormatReal(double x) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", x);
  std::string s(buf);
  // "1E+15" and "1E-05" become "1E15" and "1E-5": the reader stops at "+".
  const size_t e = s.find('E');
  if (e != std::string::npos && e + 1 < s.size()) {
    std::string mant = s.substr(0, e), exp = s.substr(e + 1);
    std::string sign;
    if (exp[0] == '+' || exp[0] == '-') {
      if (exp[0] == '-') sign = "-";
      exp.erase(0, 1);
    }
    while (exp.size() > 1 && exp[0] == '0') exp.erase(0, 1);
    s = mant + "E" + sign + exp;
  }
  return s;
}

// ---------------------------------------------------------------------------
// The open file and its functions
// ---------------------------------------------------------------------------
namespace {

struct RIniState {
  std::unique_ptr<CIniFile> file;
  std::string path;
  bool onDisk = false;  // the file exists as last written or read
  // Secure mode and a file outside the working directory: it can be read,
  // but nothing is written to it.
  std::string readOnlyName;
};

RIniState &Ini() {
  static RIniState s_state;
  return s_state;
}

void WriteBack() {
  RIniState &st = Ini();
  if (!st.file) return;
  const std::string text = st.file->Render();
  CStream out;
  out.SetSize(static_cast<int64_t>(text.size()));
  if (!text.empty()) std::copy(text.begin(), text.end(), out.Memory());
  try {
    out.SaveToFile(st.path);
    st.onDisk = true;
  } catch (const EStreamError &) {
    ReportActionError("Error writing ini file - " + st.path, false);
  }
}

CIniFile *ForRead() {
  if (!Ini().file) ReportActionError("Trying to read from undefined INI file", false);
  return Ini().file.get();
}

// Secure mode keeps games from writing outside the working directory, INI
// files included.
bool RefusedBySecureMode() {
  const RIniState &st = Ini();
  if (!st.file || st.readOnlyName.empty()) return false;
  ReportActionError("In secure mode you cannot write ini file " + st.readOnlyName, false);
  return true;
}

CIniFile *ForWrite() {
  if (!Ini().file) ReportActionError("Trying to write to undefined INI file", false);
  return RefusedBySecureMode() ? nullptr : Ini().file.get();
}

CIniFile *ForChange() {
  if (!Ini().file) ReportActionError("Trying to change undefined INI file", false);
  return RefusedBySecureMode() ? nullptr : Ini().file.get();
}

}  // namespace

const std::string &IniOpenPath() { return Ini().path; }

void IniCloseCurrent() {
  RIniState &st = Ini();
  if (!st.file) return;
  // A file that was never written is created now, as the game expects.
  if (!st.onDisk && st.readOnlyName.empty()) WriteBack();
  st.file.reset();
  st.path.clear();
  st.onDisk = false;
  st.readOnlyName.clear();
}

void IniDropCurrent() {
  RIniState &st = Ini();
  st.file.reset();
  st.path.clear();
  st.onDisk = false;
  st.readOnlyName.clear();
}

void F_IniOpen(CInstance *, CInstance *, int, RValue *args, RValue &) {
  IniCloseCurrent();
  const std::string full = FullPath(Text(args[0]));
  const size_t slash = full.rfind('/');
  const std::string dir = slash == std::string::npos || slash == 0 ? "/" : full.substr(0, slash);
  if (!PathIsDirectory(dir)) {
    ReportActionError("Error directory does not exist when opening ini file - " + full, false);
    return;
  }
  auto file = std::make_unique<CIniFile>();
  bool onDisk = false;
  std::ifstream in(full, std::ios::binary);
  if (in) {
    if (PathIsRegularFile(full)) {
      std::ostringstream ss;
      ss << in.rdbuf();
      file->Parse(ss.str());
      onDisk = true;
    }
  }
  Ini().file = std::move(file);
  Ini().path = full;
  Ini().onDisk = onDisk;
  if (SecureMode() && PathHasDirectory(std::string(Text(args[0])))) Ini().readOnlyName = std::string(Text(args[0]));
}

void F_IniClose(CInstance *, CInstance *, int, RValue *, RValue &) { IniCloseCurrent(); }

void F_IniReadString(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetString("");
  const CIniFile *f = ForRead();
  if (!f) return;
  const std::string *v = f->Read(Text(args[0]), Text(args[1]));
  if (v)
    result.SetString(*v);
  else
    result.SetString(Text(args[2]));
}

void F_IniReadReal(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CIniFile *f = ForRead();
  if (!f) return;
  const std::string *v = f->Read(Text(args[0]), Text(args[1]));
  result.SetReal(IniReadNumber(v ? std::string_view(*v) : std::string_view(IniFormatReal(Num(args[2])))));
}

void F_IniWriteString(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CIniFile *f = ForWrite();
  if (!f) return;
  f->Write(Text(args[0]), Text(args[1]), Text(args[2]));
  WriteBack();
}

void F_IniWriteReal(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CIniFile *f = ForWrite();
  if (!f) return;
  f->Write(Text(args[0]), Text(args[1]), IniFormatReal(Num(args[2])));
  WriteBack();
}

void F_IniKeyExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CIniFile *f = ForRead();
  if (f) result.SetReal(f->KeyExists(Text(args[0]), Text(args[1])) ? 1 : 0);
}

void F_IniSectionExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const CIniFile *f = ForRead();
  if (f) result.SetReal(f->SectionExists(Text(args[0])) ? 1 : 0);
}

void F_IniKeyDelete(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CIniFile *f = ForChange();
  if (f && f->DeleteKey(Text(args[0]), Text(args[1]))) WriteBack();
}

void F_IniSectionDelete(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CIniFile *f = ForChange();
  if (f && f->DeleteSection(Text(args[0]))) WriteBack();
}
