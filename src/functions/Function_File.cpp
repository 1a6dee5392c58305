#include "functions/Function_File.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "functions/Function_Ini.h"
#include "functions/Function_Registry.h"
#include "platform/Platform_Main.h"
#include "platform/Platform_Process.h"
#include "data/DataNew_Export.h"
#include "data/DataNew_Main.h"
#include "base/Support_Disk.h"
#include "base/Support_File.h"
#include "base/Support_Path.h"

using fnarg::Int;
using fnarg::Num;
using fnarg::Text;

namespace {

constexpr int kSlots = 33;  // slot 0 plus the 32 handed out

void Report(const std::string &message) { ReportActionError(message, false); }

// ===========================================================================
// Binary files
// ===========================================================================
std::array<TDiskFile, kSlots> g_BinFd = [] {
  std::array<TDiskFile, kSlots> a;
  a.fill(kNoDiskFile);
  return a;
}();

// An open binary file, or kNoDiskFile after reporting notOpened.
TDiskFile BinFile(const RValue &arg, const char *notOpened) {
  const int32_t id = Int(arg);
  if (id < 1 || id >= kSlots || g_BinFd[static_cast<size_t>(id)] == kNoDiskFile) {
    Report(notOpened);
    return kNoDiskFile;
  }
  return g_BinFd[static_cast<size_t>(id)];
}

void F_FileBinOpen(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(-1);
  int slot = -1;
  for (int i = 1; i < kSlots && slot < 0; ++i)
    if (g_BinFd[static_cast<size_t>(i)] == kNoDiskFile) slot = i;
  if (slot < 0) {
    Report("Cannot open another file (maximum exceeded).");
    return;
  }
  const std::string name(Text(args[0]));
  const int32_t mode = Int(args[1]);
  if (SecureMode() && mode != 0 && PathHasDirectory(name)) {
    Report("In secure mode you cannot write file " + name);
    return;
  }
  const EDiskAccess access = mode == 0 ? EDiskAccess::kRead : mode == 1 ? EDiskAccess::kWrite : EDiskAccess::kReadWrite;
  // A missing file is created empty, except that reading in secure mode must
  // not leave a new file outside the working directory.
  const bool create = !(SecureMode() && PathHasDirectory(name));
  const TDiskFile fd = DiskFileOpen(TranslatePath(name), access, create);
  if (fd == kNoDiskFile) {
    Report("Error opening binary file.");
    return;
  }
  g_BinFd[static_cast<size_t>(slot)] = fd;
  result.SetReal(slot);
}

void F_FileBinRewrite(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const TDiskFile fd = BinFile(args[0], "Trying to rewrite unopened file.");
  if (fd == kNoDiskFile) return;
  if (!DiskFileRewrite(fd)) Report("Error rewriting file.");
}

void F_FileBinClose(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const TDiskFile fd = BinFile(args[0], "Trying to close unopened file.");
  if (fd == kNoDiskFile) return;
  DiskFileClose(fd);
  g_BinFd[static_cast<size_t>(Int(args[0]))] = kNoDiskFile;
}

void F_FileBinPosition(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const TDiskFile fd = BinFile(args[0], "File is not opened.");
  if (fd == kNoDiskFile) return;
  const int64_t pos = DiskFilePosition(fd);
  if (pos < 0)
    Report("Error retrieving file size.");
  else
    result.SetReal(static_cast<double>(pos));
}

void F_FileBinSize(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const TDiskFile fd = BinFile(args[0], "File is not opened.");
  if (fd == kNoDiskFile) return;
  const int64_t size = DiskFileSize(fd);
  if (size < 0)
    Report("Error retrieving file size.");
  else
    result.SetReal(static_cast<double>(size));
}

void F_FileBinSeek(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const TDiskFile fd = BinFile(args[0], "File is not opened.");
  if (fd == kNoDiskFile) return;
  if (!DiskFileSeek(fd, fnarg::Wide(args[1]))) Report("Error seeking.");
}

void F_FileBinReadByte(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const TDiskFile fd = BinFile(args[0], "File is not opened.");
  if (fd == kNoDiskFile) return;
  uint8_t byte = 0;
  // Past the end of the file is an error too: there is no byte to give.
  if (!DiskFileReadByte(fd, byte))
    Report("Error reading byte.");
  else
    result.SetReal(byte);
}

void F_FileBinWriteByte(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const TDiskFile fd = BinFile(args[0], "File is not opened.");
  if (fd == kNoDiskFile) return;
  if (!DiskFileWriteByte(fd, fnarg::Byte(args[1]))) Report("Error writing byte.");
}

// ===========================================================================
// Text files: slot 0 is the current file, 1..32 the numbered ones
// ===========================================================================
struct RTextFile {
  std::FILE *f = nullptr;
  int mode = 0;  // 0 closed, 1 reading, 2 writing
};
std::array<RTextFile, kSlots> g_Text;

enum class EOpen { kRead, kWrite, kAppend };

bool IsLineEnd(int c) { return c == '\r' || c == '\n'; }

int Peek(std::FILE *f) {
  const int c = std::getc(f);
  if (c != EOF) std::ungetc(c, f);
  return c;
}

bool CloseText(RTextFile &t) {
  bool ok = true;
  if (t.f) ok = std::fclose(t.f) == 0;
  t.f = nullptr;
  t.mode = 0;
  return ok;
}

// Opens fname into the slot. A missing file to read leaves the slot closed
// silently; other failures report. Answers whether the slot is now open.
bool OpenText(RTextFile &t, std::string_view fname, EOpen how) {
  const std::string name(fname);
  switch (how) {
    case EOpen::kRead: {
      const std::string path = TranslatePath(name);
      if (!PathIsRegularFile(path)) return false;
      t.f = std::fopen(path.c_str(), "rb");
      if (!t.f) {
        Report("Error opening file for reading.");
        return false;
      }
      t.mode = 1;
      return true;
    }
    case EOpen::kWrite:
      if (SecureMode() && PathHasDirectory(name)) {
        Report("In secure mode you cannot write file " + name);
        return false;
      }
      t.f = std::fopen(TranslatePath(name).c_str(), "wb");
      if (!t.f) {
        Report("Error opening file for writing.");
        return false;
      }
      t.mode = 2;
      return true;
    case EOpen::kAppend:
      if (SecureMode() && PathHasDirectory(name)) {
        Report("In secure mode you cannot append to file " + name);
        return false;
      }
      t.f = std::fopen(TranslatePath(name).c_str(), "ab");
      if (!t.f) {
        Report("Error opening file for appending.");
        return false;
      }
      t.mode = 2;
      return true;
  }
  return false;
}

void OpenNumbered(RValue *args, RValue &result, EOpen how) {
  result.SetReal(-1);
  int slot = -1;
  for (int i = 1; i < kSlots && slot < 0; ++i)
    if (g_Text[static_cast<size_t>(i)].mode == 0) slot = i;
  if (slot < 0) {
    Report("Cannot open another file (maximum exceeded).");
    return;
  }
  if (OpenText(g_Text[static_cast<size_t>(slot)], Text(args[0]), how)) result.SetReal(slot);
}

// The numbered file in the wanted mode, or null after reporting.
RTextFile *Numbered(const RValue &arg, int mode) {
  const int32_t id = Int(arg);
  if (id >= 1 && id < kSlots && g_Text[static_cast<size_t>(id)].mode == mode) return &g_Text[static_cast<size_t>(id)];
  Report(mode == 1 ? "File is not opened for reading." : "File not opened for writing.");
  return nullptr;
}

RTextFile *Current(int mode, const char *message) {
  if (g_Text[0].mode == mode) return &g_Text[0];
  Report(message);
  return nullptr;
}

void ReadString(RTextFile &t, RValue &result) {
  std::string line;
  int c;
  while ((c = std::getc(t.f)) != EOF && !IsLineEnd(c)) line += static_cast<char>(c);
  if (c != EOF) std::ungetc(c, t.f);
  if (std::ferror(t.f)) {
    std::clearerr(t.f);
    Report("Error reading string.");
    result.SetString("");
    return;
  }
  result.SetString(line);
}

void ReadLn(RTextFile &t) {
  int c;
  while ((c = std::getc(t.f)) != EOF && !IsLineEnd(c)) {
  }
  if (c == '\r' && Peek(t.f) == '\n') std::getc(t.f);
  if (std::ferror(t.f)) {
    std::clearerr(t.f);
    Report("Error reading line.");
  }
}

// The end of the line counts at the end of the file too.
bool AtEoln(RTextFile &t) {
  const int c = Peek(t.f);
  return c == EOF || IsLineEnd(c);
}

bool AtEof(RTextFile &t) { return Peek(t.f) == EOF; }

// Reads a number character by character, never past the line end. The
// numbered files stop at a space or "-" after digits; the current file
// (lenient) skips spaces everywhere and takes "-" anywhere.
double ReadReal(RTextFile &t, bool lenient) {
  double value = 0, sign = 1, divisor = 1;
  bool digit = false;
  int c;
  while ((c = std::getc(t.f)) != EOF) {
    if (IsLineEnd(c)) {
      std::ungetc(c, t.f);
      break;
    }
    if ((c == ' ' || c == '\t') && (lenient || !digit)) continue;
    if (c == '-' && (lenient || !digit)) {
      sign = -1;
      continue;
    }
    if (c >= '0' && c <= '9') {
      digit = true;
      if (divisor == 1) {
        value = value * 10 + (c - '0');
      } else {
        value += (c - '0') / divisor;
        divisor *= 10;
      }
      continue;
    }
    if ((c == '.' || c == ',') && divisor == 1) {
      divisor = 10;
      digit = false;
      continue;
    }
    break;  // any other character ends the number and is used up
  }
  if (std::ferror(t.f)) {
    std::clearerr(t.f);
    Report("Error reading real.");
  }
  return value * sign;
}

// " 2", " 1.500000", " -0.250000": the integer part, then six decimals
// unless they are all zero.
std::string RealText(double x) {
  std::string out = " ";
  if (x < 0) {
    out += '-';
    x = -x;
  }
  if (!std::isfinite(x)) return out + (std::isnan(x) ? "nan" : "inf");
  const double whole = std::floor(x);
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.0f", whole);
  out += buf;
  const double decimals = std::floor((x - whole) * 1000000.0);
  if (decimals > 0) {
    std::snprintf(buf, sizeof buf, ".%06d", static_cast<int>(std::min(decimals, 999999.0)));
    out += buf;
  }
  return out;
}

void Write(RTextFile &t, std::string_view text) {
  if (!text.empty()) std::fwrite(text.data(), 1, text.size(), t.f);
  std::fflush(t.f);
}

void F_FileTextOpenRead(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  OpenNumbered(args, result, EOpen::kRead);
}
void F_FileTextOpenWrite(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  OpenNumbered(args, result, EOpen::kWrite);
}
void F_FileTextOpenAppend(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  OpenNumbered(args, result, EOpen::kAppend);
}

void F_FileTextClose(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const int32_t id = Int(args[0]);
  if (id < 1 || id >= kSlots) {
    Report("Trying to close unexisting text file.");
    return;
  }
  RTextFile &t = g_Text[static_cast<size_t>(id)];
  if (t.mode != 0 && !CloseText(t)) Report("Error closing file.");
}

void F_FileTextReadString(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetString("");
  if (RTextFile *t = Numbered(args[0], 1)) ReadString(*t, result);
}
void F_FileTextReadReal(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  if (RTextFile *t = Numbered(args[0], 1)) result.SetReal(ReadReal(*t, false));
}
void F_FileTextReadln(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTextFile *t = Numbered(args[0], 1)) ReadLn(*t);
}
void F_FileTextEof(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  if (RTextFile *t = Numbered(args[0], 1)) result.SetReal(AtEof(*t) ? 1 : 0);
}
void F_FileTextEoln(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  if (RTextFile *t = Numbered(args[0], 1)) result.SetReal(AtEoln(*t) ? 1 : 0);
}
void F_FileTextWriteString(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTextFile *t = Numbered(args[0], 2)) Write(*t, Text(args[1]));
}
void F_FileTextWriteReal(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTextFile *t = Numbered(args[0], 2)) Write(*t, RealText(Num(args[1])));
}
void F_FileTextWriteln(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTextFile *t = Numbered(args[0], 2)) Write(*t, "\r\n");
}

// --- the current file ------------------------------------------------------
void OpenCurrent(RValue *args, EOpen how) {
  if (g_Text[0].mode != 0 && !CloseText(g_Text[0])) Report("Error closing file.");
  OpenText(g_Text[0], Text(args[0]), how);
}

constexpr char kNotForReading[] = "File not opened for reading.";
constexpr char kIsNotForReading[] = "File is not opened for reading.";
constexpr char kNotForWriting[] = "File not opened for writing.";

void F_FileOpenRead(CInstance *, CInstance *, int, RValue *args, RValue &) { OpenCurrent(args, EOpen::kRead); }
void F_FileOpenWrite(CInstance *, CInstance *, int, RValue *args, RValue &) { OpenCurrent(args, EOpen::kWrite); }
void F_FileOpenAppend(CInstance *, CInstance *, int, RValue *args, RValue &) { OpenCurrent(args, EOpen::kAppend); }

void F_FileClose(CInstance *, CInstance *, int, RValue *, RValue &) {
  if (g_Text[0].mode != 0 && !CloseText(g_Text[0])) Report("Error closing file.");
}
void F_FileReadString(CInstance *, CInstance *, int, RValue *, RValue &result) {
  result.SetString("");
  if (RTextFile *t = Current(1, kNotForReading)) ReadString(*t, result);
}
void F_FileReadReal(CInstance *, CInstance *, int, RValue *, RValue &result) {
  if (RTextFile *t = Current(1, kNotForReading)) result.SetReal(ReadReal(*t, true));
}
void F_FileReadln(CInstance *, CInstance *, int, RValue *, RValue &) {
  if (RTextFile *t = Current(1, kNotForReading)) ReadLn(*t);
}
void F_FileEof(CInstance *, CInstance *, int, RValue *, RValue &result) {
  if (RTextFile *t = Current(1, kIsNotForReading)) result.SetReal(AtEof(*t) ? 1 : 0);
}
void F_FileEoln(CInstance *, CInstance *, int, RValue *, RValue &result) {
  if (RTextFile *t = Current(1, kIsNotForReading)) result.SetReal(AtEoln(*t) ? 1 : 0);
}
void F_FileWriteString(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTextFile *t = Current(2, kNotForWriting)) Write(*t, Text(args[0]));
}
void F_FileWriteReal(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (RTextFile *t = Current(2, kNotForWriting)) Write(*t, RealText(Num(args[0])));
}
void F_FileWriteln(CInstance *, CInstance *, int, RValue *, RValue &) {
  if (RTextFile *t = Current(2, kNotForWriting)) Write(*t, "\r\n");
}

// ===========================================================================
// Files and directories
// ===========================================================================
void F_FileExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(PathIsRegularFile(TranslatePath(Text(args[0]))) ? 1 : 0);
}

void F_FileDelete(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const std::string name(Text(args[0]));
  if (SecureMode() && PathHasDirectory(name)) {
    Report("In Secure mode you cannot delete file " + name);
    return;
  }
  const std::string path = TranslatePath(name);
  if (!PathIsDirectory(path)) RemovePlainFile(path);
}

void F_FileRename(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const std::string from(Text(args[0])), to(Text(args[1]));
  if (SecureMode() && (PathHasDirectory(from) || PathHasDirectory(to))) {
    Report("In Secure mode you cannot rename file " + from + " into " + to);
    return;
  }
  const std::string src = TranslatePath(from), dst = TranslatePath(to);
  // A move never replaces a file that is already there: the game would lose
  // it without a word.
  if (src == dst || DiskEntryExists(dst)) return;
  std::rename(src.c_str(), dst.c_str());
}

void F_FileCopy(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const std::string from(Text(args[0])), to(Text(args[1]));
  if (SecureMode() && (PathHasDirectory(from) || PathHasDirectory(to))) {
    Report("In Secure mode you cannot copy file " + from + " to " + to);
    return;
  }
  const std::string src = TranslatePath(from), dst = TranslatePath(to);
  if (!PathIsRegularFile(src) || PathIsDirectory(dst)) return;
  DiskCopyFileOver(src, dst);
}

void F_DirectoryExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(PathIsDirectory(TranslatePath(Text(args[0]))) ? 1 : 0);
}

void F_DirectoryCreate(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const std::string name(Text(args[0]));
  if (SecureMode() && PathHasDirectory(name)) {
    Report("In Secure mode you cannot create directory " + name);
    return;
  }
  std::error_code ec;
  std::filesystem::create_directories(TranslatePath(name), ec);
}

// The attribute bits games test, as this system has them: read-only when
// the owner may not write, hidden for names starting with ".", system for
// anything that is neither a plain file nor a directory, directory, and
// archive for every plain file. -1 when there is no such entry.
int Attributes(const std::string &path, std::string_view name) {
  RDiskEntry entry;
  if (!DiskEntryInfo(path, entry)) return -1;
  int bits = 0;
  if (!entry.ownerWritable) bits |= 1;
  if (name.size() > 1 && name[0] == '.' && name != "..") bits |= 2;
  if (entry.directory)
    bits |= 16;
  else if (entry.regular)
    bits |= 32;
  else
    bits |= 4;
  return bits;
}

std::string_view BaseName(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void F_FileAttributes(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const std::string path = TranslatePath(Text(args[0]));
  const int bits = Attributes(path, BaseName(path));
  result.SetReal(bits < 0 ? -1 : ((bits & fnarg::Wide(args[1])) != 0 ? 1 : 0));
}

// --- the directory search --------------------------------------------------
struct RSearch {
  bool active = false;
  std::vector<std::string> names;
  size_t next = 0;
};
RSearch g_Search;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// "*" any run of characters, "?" any one; letters without regard to case.
bool Matches(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

void F_FileFindFirst(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetString("");
  g_Search = RSearch();
  std::string mask(Text(args[0]));
  std::replace(mask.begin(), mask.end(), '\\', '/');
  const size_t slash = mask.rfind('/');
  std::string dir = slash == std::string::npos ? "." : TranslatePath(mask.substr(0, slash + 1));
  if (dir.empty()) dir = "/";
  std::string pattern = slash == std::string::npos ? mask : mask.substr(slash + 1);
  // "*.*" has always meant every name, also those without a dot.
  if (pattern == "*.*") pattern = "*";
  const int64_t attr = fnarg::Wide(args[1]);
  const int skippable = 2 | 4 | 8 | 16;
  std::vector<std::string> names;
  g_Search.active = true;
  if (!DiskDirectoryNames(dir, names)) return;
  for (const std::string &name : names) {
    if (!Matches(pattern, name)) continue;
    const int bits = Attributes(dir + "/" + name, name);
    if (bits < 0) continue;
    if ((bits & skippable & ~static_cast<int>(attr & skippable)) != 0) continue;
    g_Search.names.push_back(name);
  }
  // Names come in order, whatever the order of the directory on disk.
  std::sort(g_Search.names.begin(), g_Search.names.end());
  if (!g_Search.names.empty()) result.SetString(g_Search.names[g_Search.next++]);
}

void F_FileFindNext(CInstance *, CInstance *, int, RValue *, RValue &result) {
  result.SetString("");
  if (g_Search.active && g_Search.next < g_Search.names.size()) result.SetString(g_Search.names[g_Search.next++]);
}

void F_FileFindClose(CInstance *, CInstance *, int, RValue *, RValue &) { g_Search = RSearch(); }

// ===========================================================================
// File names: "\", "/" and ":" end a directory or drive part
// ===========================================================================
constexpr std::string_view kDelims = "\\/:";

bool IsSep(char c) { return c == '\\' || c == '/'; }

size_t LastDelim(std::string_view f, std::string_view set) {
  const size_t i = f.find_last_of(set);
  return i == std::string_view::npos ? 0 : i + 1;  // 1-based; 0 for none
}

void F_FilenameName(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const std::string_view f = Text(args[0]);
  result.SetString(f.substr(LastDelim(f, kDelims)));
}

void F_FilenamePath(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const std::string_view f = Text(args[0]);
  result.SetString(f.substr(0, LastDelim(f, kDelims)));
}

void F_FilenameDir(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const std::string_view f = Text(args[0]);
  size_t i = LastDelim(f, kDelims);
  // "C:\" and "\" stay as they are; "C:\games\" loses its final separator.
  if (i > 1 && IsSep(f[i - 1]) && kDelims.find(f[i - 2]) == std::string_view::npos) --i;
  result.SetString(f.substr(0, i));
}

void F_FilenameDrive(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const std::string_view f = Text(args[0]);
  if (f.size() >= 2 && f[1] == ':') {
    result.SetString(f.substr(0, 2));
  } else if (f.size() >= 2 && f[0] == '\\' && f[1] == '\\') {
    // "\\server\share": up to the separator after the share.
    size_t i = 2, seps = 0;
    while (i < f.size()) {
      if (f[i] == '\\' && ++seps == 2) break;
      ++i;
    }
    result.SetString(f.substr(0, i));
  } else {
    result.SetString("");
  }
}

void F_FilenameExt(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const std::string_view f = Text(args[0]);
  const size_t i = LastDelim(f, ".\\/:");
  result.SetString((i > 0 && f[i - 1] == '.') ? f.substr(i - 1) : std::string_view());
}

void F_FilenameChangeExt(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const std::string_view f = Text(args[0]);
  const size_t i = LastDelim(f, ".\\/:");
  const std::string_view stem = (i > 0 && f[i - 1] == '.') ? f.substr(0, i - 1) : f;
  result.SetString(std::string(stem) + std::string(Text(args[1])));
}

// ===========================================================================
// Included files
// ===========================================================================
CDataFile *Included(const RValue &arg, const char *missing) {
  CDataFile *file = DataFileGet(DataFileFind(Text(arg)));
  if (!file) Report(missing);
  return file;
}

void F_ExportIncludeFile(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CDataFile *file = Included(args[0], "Trying to export non-existing file.")) DataFilePrepare(*file);
}

void F_ExportIncludeFileLocation(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CDataFile *file = Included(args[0], "Trying to export non-existing file.");
  if (!file) return;
  if (SecureMode()) {
    Report("In secure mode you cannot export a file to a location.");
    return;
  }
  DataFileExportIt(*file, std::string(Text(args[1])));
}

void F_DiscardIncludeFile(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CDataFile *file = Included(args[0], "Trying to discard non-existing file.")) DataFileDiscard(*file);
}

// ===========================================================================
// Programs, command line, environment, disks
// ===========================================================================
std::vector<std::string> g_CommandLine;

void F_ExecuteProgram(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const std::string prog(Text(args[0]));
  if (SecureMode()) {
    Report("In Secure mode you cannot execute program " + prog);
    return;
  }
  std::string path = TranslatePath(prog);
  // A program beside the game is found before one on the search path.
  if (!path.empty() && path.find('/') == std::string::npos && PathIsRegularFile(path)) path = "./" + path;
  // While the game waits for the program its window stays alive.
  const auto idle = [] { PlatformWindow().PumpEvents(); };
  if (!PlatformProcesses().Run(path, SplitCommandLine(Text(args[1])), fnarg::Bool(args[2]), idle))
    Report("Cannot execute " + prog);
}

void F_ExecuteShell(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const std::string prog(Text(args[0]));
  if (SecureMode()) {
    Report("In Secure mode you cannot execute program " + prog);
    return;
  }
  const std::string target = prog.find("://") != std::string::npos ? prog : TranslatePath(prog);
  if (!PlatformProcesses().Open(target, SplitCommandLine(Text(args[1])))) Report("Cannot execute " + prog);
}

const std::vector<std::string> &CommandLine() {
  if (g_CommandLine.empty()) g_CommandLine.push_back(SelfExecutablePath());
  return g_CommandLine;
}

void F_ParameterCount(CInstance *, CInstance *, int, RValue *, RValue &result) {
  result.SetReal(static_cast<double>(CommandLine().size() - 1));
}

void F_ParameterString(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int32_t n = Int(args[0]);
  const auto &cl = CommandLine();
  result.SetString(n >= 0 && n < static_cast<int64_t>(cl.size()) ? std::string_view(cl[static_cast<size_t>(n)])
                                                                 : std::string_view());
}

void F_EnvironmentGetVariable(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const std::string name(Text(args[0]));
  const char *v = name.empty() ? nullptr : std::getenv(name.c_str());
  result.SetString(v ? v : "");
}

// There are no drive letters here: the working directory's file system is
// drive C (and "/"), as it is the one a game's own files go to; any other
// letter is a drive that does not exist.
void Disk(int argc, RValue *args, RValue &result, bool free) {
  result.SetReal(-1);
  const std::string_view arg = argc > 0 ? Text(args[0]) : std::string_view();
  const char drive = arg.empty() ? '/' : static_cast<char>(std::toupper(static_cast<unsigned char>(arg[0])));
  if (drive != 'C' && drive != '/') return;
  double total = 0, available = 0;
  if (!DiskSpace(".", total, available)) return;
  result.SetReal(free ? available : total);
}

void F_DiskFree(CInstance *, CInstance *, int argc, RValue *args, RValue &result) { Disk(argc, args, result, true); }
void F_DiskSize(CInstance *, CInstance *, int argc, RValue *args, RValue &result) { Disk(argc, args, result, false); }

}  // namespace

// ===========================================================================
// Registration and state
// ===========================================================================
void File_Reset() {
  for (TDiskFile &fd : g_BinFd) {
    DiskFileClose(fd);
    fd = kNoDiskFile;
  }
  for (RTextFile &t : g_Text) CloseText(t);
  g_Search = RSearch();
  IniDropCurrent();
  Registry_Reset();
}

void File_SetCommandLine(std::vector<std::string> args) { g_CommandLine = std::move(args); }


void Function_File_Init() {
  FunctionAdd("file_bin_open", F_FileBinOpen, 2);
  FunctionAdd("file_open_read", F_FileOpenRead, 1);
  FunctionAdd("filename_name", F_FilenameName, 1);
  FunctionAdd("file_bin_rewrite", F_FileBinRewrite, 1);
  FunctionAdd("file_open_write", F_FileOpenWrite, 1);
  FunctionAdd("filename_path", F_FilenamePath, 1);
  FunctionAdd("file_bin_close", F_FileBinClose, 1);
  FunctionAdd("file_open_append", F_FileOpenAppend, 1);
  FunctionAdd("filename_dir", F_FilenameDir, 1);
  FunctionAdd("file_bin_position", F_FileBinPosition, 1);
  FunctionAdd("file_close", F_FileClose, 0);
  FunctionAdd("filename_drive", F_FilenameDrive, 1);
  FunctionAdd("file_bin_size", F_FileBinSize, 1);
  FunctionAdd("file_read_string", F_FileReadString, 0);
  FunctionAdd("filename_ext", F_FilenameExt, 1);
  FunctionAdd("file_bin_seek", F_FileBinSeek, 2);
  FunctionAdd("file_read_real", F_FileReadReal, 0);
  FunctionAdd("filename_change_ext", F_FilenameChangeExt, 2);
  FunctionAdd("file_bin_read_byte", F_FileBinReadByte, 1);
  FunctionAdd("file_readln", F_FileReadln, 0);
  FunctionAdd("export_include_file", F_ExportIncludeFile, 1);
  FunctionAdd("file_bin_write_byte", F_FileBinWriteByte, 2);
  FunctionAdd("file_eof", F_FileEof, 0);
  FunctionAdd("export_include_file_location", F_ExportIncludeFileLocation, 2);
  FunctionAdd("file_text_open_read", F_FileTextOpenRead, 1);
  FunctionAdd("file_eoln", F_FileEoln, 0);
  FunctionAdd("discard_include_file", F_DiscardIncludeFile, 1);
  FunctionAdd("file_text_open_write", F_FileTextOpenWrite, 1);
  FunctionAdd("file_write_string", F_FileWriteString, 1);
  FunctionAdd("execute_program", F_ExecuteProgram, 3);
  FunctionAdd("file_text_open_append", F_FileTextOpenAppend, 1);
  FunctionAdd("file_write_real", F_FileWriteReal, 1);
  FunctionAdd("execute_shell", F_ExecuteShell, 2);
  FunctionAdd("file_text_close", F_FileTextClose, 1);
  FunctionAdd("file_writeln", F_FileWriteln, 0);
  FunctionAdd("parameter_string", F_ParameterString, 1);
  FunctionAdd("file_text_read_string", F_FileTextReadString, 1);
  FunctionAdd("file_exists", F_FileExists, 1);
  FunctionAdd("environment_get_variable", F_EnvironmentGetVariable, 1);
  FunctionAdd("file_text_read_real", F_FileTextReadReal, 1);
  FunctionAdd("file_delete", F_FileDelete, 1);
  FunctionAdd("registry_write_string", F_RegistryWriteString, 2);
  FunctionAdd("file_text_readln", F_FileTextReadln, 1);
  FunctionAdd("file_rename", F_FileRename, 2);
  FunctionAdd("registry_write_real", F_RegistryWriteReal, 2);
  FunctionAdd("file_text_eof", F_FileTextEof, 1);
  FunctionAdd("file_copy", F_FileCopy, 2);
  FunctionAdd("registry_read_string", F_RegistryReadString, 1);
  FunctionAdd("file_text_eoln", F_FileTextEoln, 1);
  FunctionAdd("directory_exists", F_DirectoryExists, 1);
  FunctionAdd("registry_read_real", F_RegistryReadReal, 1);
  FunctionAdd("file_text_write_string", F_FileTextWriteString, 2);
  FunctionAdd("directory_create", F_DirectoryCreate, 1);
  FunctionAdd("registry_exists", F_RegistryExists, 1);
  FunctionAdd("file_text_write_real", F_FileTextWriteReal, 2);
  FunctionAdd("file_find_first", F_FileFindFirst, 2);
  FunctionAdd("registry_write_string_ext", F_RegistryWriteStringExt, 3);
  FunctionAdd("file_text_writeln", F_FileTextWriteln, 1);
  FunctionAdd("file_find_next", F_FileFindNext, 0);
  FunctionAdd("registry_write_real_ext", F_RegistryWriteRealExt, 3);
  FunctionAdd("ini_open", F_IniOpen, 1);
  FunctionAdd("file_find_close", F_FileFindClose, 0);
  FunctionAdd("registry_read_string_ext", F_RegistryReadStringExt, 2);
  FunctionAdd("ini_close", F_IniClose, 0);
  FunctionAdd("file_attributes", F_FileAttributes, 2);
  FunctionAdd("registry_read_real_ext", F_RegistryReadRealExt, 2);
  FunctionAdd("ini_read_string", F_IniReadString, 3);
  FunctionAdd("ini_key_exists", F_IniKeyExists, 2);
  FunctionAdd("registry_exists_ext", F_RegistryExistsExt, 2);
  FunctionAdd("ini_read_real", F_IniReadReal, 3);
  FunctionAdd("ini_section_exists", F_IniSectionExists, 1);
  FunctionAdd("registry_set_root", F_RegistrySetRoot, 1);
  FunctionAdd("ini_write_string", F_IniWriteString, 3);
  FunctionAdd("ini_key_delete", F_IniKeyDelete, 2);
  FunctionAdd("disk_free", F_DiskFree, -1);
  FunctionAdd("ini_write_real", F_IniWriteReal, 3);
  FunctionAdd("ini_section_delete", F_IniSectionDelete, 1);
  FunctionAdd("disk_size", F_DiskSize, -1);
  FunctionAdd("parameter_count", F_ParameterCount, 0);
}
