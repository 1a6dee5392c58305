#include "Pack_Output.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Pack_Json.h"
#include "base/Support_Interrupt.h"

namespace {

std::string ErrnoText() { return std::strerror(errno); }

// Writes all bytes, retrying short writes and interrupted calls.
bool WriteAll(int fd, const uint8_t *p, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

bool WriteZeros(int fd, int64_t count) {
  static const uint8_t zeros[65536] = {};
  while (count > 0) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(count, sizeof zeros));
    if (!WriteAll(fd, zeros, n)) return false;
    count -= static_cast<int64_t>(n);
  }
  return true;
}

const char *EntryKind(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

// For the packer's own tests only: QUILLON_PACK_TEST_STALL_MS=N makes the
// packer wait N milliseconds once the temporary file exists, so that a
// test can interrupt it while it writes.
void TestStallWriting() {
  const char *ms = std::getenv("QUILLON_PACK_TEST_STALL_MS");
  if (ms == nullptr || *ms == '\0') return;
  std::this_thread::sleep_for(std::chrono::milliseconds(std::strtol(ms, nullptr, 10)));
}

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::string &path, const std::string &what) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, bytes)) throw PackError("cannot read " + what + " " + path + ": " + ErrnoText());
  return bytes;
}

bool ReadFileBytes(const std::string &path, std::vector<uint8_t> &bytes) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0;
  if (ok && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    ok = false;
  }
  // One read of the size the file has; a file that grows meanwhile is read
  // on to its end.
  if (ok && st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  uint8_t chunk[65536];
  while (ok) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return ok;
}

void WriteFileAtomically(const std::string &path, const std::vector<uint8_t> &head, int64_t dataStart,
                         const std::vector<uint8_t> &data, unsigned mode) {
  // The rename below would put the file in place of whatever is there: a
  // device such as /dev/null, a pipe or a link would be replaced, not
  // written to. Only a new file or a regular one is written.
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    throw PackError("cannot write " + path + ": it is " + EntryKind(st.st_mode) +
                    ", not a regular file; give the name of a new or a regular file");
  std::string tmp = path + ".XXXXXX";
  // Ctrl-C (or a TERM or HUP) while writing removes the temporary file.
  InterruptHold();
  const int fd = ::mkstemp(tmp.data());
  if (fd >= 0) RemoveOnInterrupt(tmp);
  InterruptRelease();
  if (fd < 0) throw PackError("cannot write " + path + ": " + ErrnoText());
  TestStallWriting();
  const int64_t headSize = static_cast<int64_t>(head.size());
  bool ok = WriteAll(fd, head.data(), head.size()) &&
            WriteZeros(fd, dataStart > headSize ? dataStart - headSize : 0) &&
            WriteAll(fd, data.data(), data.size()) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  std::string why = ok ? std::string() : ErrnoText();
  if (::close(fd) != 0 && ok) {
    ok = false;
    why = ErrnoText();
  }
  if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
    ok = false;
    why = ErrnoText();
  }
  if (!ok) ::unlink(tmp.c_str());
  RemoveOnInterruptCancel();
  if (!ok) throw PackError("cannot write " + path + ": " + why);
}
