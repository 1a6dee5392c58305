// What the file functions of games ask of the disk beyond plain paths:
// binary files held open by handle and read or written a byte at a time,
// the attributes of an entry, the names in a directory, the size of the
// disk and a copy that replaces its destination whole. These are system
// calls, so they live here in the base layer with the other file services;
// the built-in families above it reach the disk only through this unit and
// Support_File.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A binary file held open; kNoDiskFile when none.
using TDiskFile = int;
inline constexpr TDiskFile kNoDiskFile = -1;

enum class EDiskAccess { kRead, kWrite, kReadWrite };

// Opens a regular file (links followed); with create a missing file is made
// empty first. kNoDiskFile when it cannot be opened or is no regular file.
TDiskFile DiskFileOpen(const std::string &path, EDiskAccess access, bool create);
void DiskFileClose(TDiskFile file);
// Empties the file and moves to its start; false when either fails.
bool DiskFileRewrite(TDiskFile file);
// The position, or -1 when it cannot be read.
int64_t DiskFilePosition(TDiskFile file);
// The size in bytes, or -1 when it cannot be read.
int64_t DiskFileSize(TDiskFile file);
// Moves to an absolute position (0 or more); false when that fails.
bool DiskFileSeek(TDiskFile file, int64_t position);
// Reads or writes the byte at the position and moves past it; false at the
// end of the file and on any failure.
bool DiskFileReadByte(TDiskFile file, uint8_t &byte);
bool DiskFileWriteByte(TDiskFile file, uint8_t byte);

// What an entry is (links followed).
struct RDiskEntry {
  bool directory = false;
  bool regular = false;  // a plain file
  bool ownerWritable = false;
};
// False when there is no such entry.
bool DiskEntryInfo(const std::string &path, RDiskEntry &entry);
// Whether anything is there, a link (even a broken one) counting itself.
bool DiskEntryExists(const std::string &path);

// Every name in a directory, "." and ".." included, in the directory's own
// order; false when it cannot be read.
bool DiskDirectoryNames(const std::string &dir, std::vector<std::string> &names);

// The bytes the file system holding path has in all and free for the
// process; false when it cannot be asked.
bool DiskSpace(const std::string &path, double &total, double &available);

// Copies a file over dst: the copy is made beside dst and renamed over it,
// so dst is either the old file or the whole new one. False when it failed
// (nothing is left behind).
bool DiskCopyFileOver(const std::string &src, const std::string &dst);
