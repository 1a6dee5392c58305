// The runner's temporary directory (made at process start, removed with
// everything in it at exit) and the look at the runner's own executable that
// tells where its program image ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr char kTempDirFailedMessage[] =
    "Failed to create temp dir. This can cause serious problems with sounds, etc.";

// Makes base + "/qn_ttt_" + a random number in 0..99999 (redrawn while that
// directory exists), with all missing parents. The base is the first line of
// "tempdir.txt" in exeDir when that file exists, else $TMPDIR, else /tmp; when
// the directory cannot be made there, /tmp and then the current directory are
// tried. Answers false when all three fail: there is no temporary directory
// then and the caller shows kTempDirFailedMessage.
bool TempDir_Create(const std::string &exeDir);
// The temporary directory, or "" when there is none.
const std::string &TempDirPath();
// The base directory the temporary directory was made in.
const std::string &TempDirBase();
// Uses an existing directory as the temporary directory ("" for none).
void TempDir_Set(const std::string &path);
// Removes the temporary directory with everything in it. Only files inside
// the temporary directory are deleted; links are removed, never followed.
void TempDir_Remove();
// The temporary directory + "/a" + a random number in 0..99999 + ext, redrawn
// while such a file exists. "" when there is no temporary directory.
std::string TempDir_UniqueFileName(const std::string &ext);

// The path of the running executable and the directory that holds it.
std::string SelfExecutablePath();
std::string SelfExecutableDir();

// Where the program image of an ELF executable ends: the furthest end of the
// file bytes of its loadable segments, and never before the end of its header
// and program header table. Sections that no segment loads (debug data, the
// symbol table) and the section header table lie past it and are no part of
// the image. 0 when the bytes are no ELF file. Game data appended to the
// program starts after it.
int64_t ExecutableImageEnd(const uint8_t *data, size_t size);
// The same for a file; 0 when it cannot be read or is no ELF file.
int64_t ExecutableImageEndOfFile(const std::string &path);

// Reads a whole regular file into bytes with one read of its size; false for
// anything else (a directory, a FIFO, a device) or a failed read.
bool ReadRegularFile(const std::string &path, std::vector<uint8_t> &bytes);

// The process's working directory ("" when it cannot be read).
std::string WorkingDirectory();
// Removes a plain file (never a directory); false when it could not.
bool RemovePlainFile(const std::string &path);
// Whether path names an existing regular file (links followed) or directory.
bool PathIsRegularFile(const std::string &path);
bool PathIsDirectory(const std::string &path);
