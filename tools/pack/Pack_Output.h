// Writing what the packer produces: a file that appears complete or not at
// all. The bytes go to a temporary file beside the target, which is renamed
// over the target only once everything is on disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads a whole file; raises PackError naming the file when it cannot.
std::vector<uint8_t> ReadWholeFile(const std::string &path, const std::string &what);
// The same without the message: false (errno set) when it cannot.
bool ReadFileBytes(const std::string &path, std::vector<uint8_t> &bytes);

// Writes head, then zero bytes up to offset dataStart (nothing when head is
// already that long or longer), then data. mode is the file's permission
// bits (0755 for a game executable). Raises PackError on any failure and
// leaves no partial file behind.
void WriteFileAtomically(const std::string &path, const std::vector<uint8_t> &head, int64_t dataStart,
                         const std::vector<uint8_t> &data, unsigned mode);
