#include "base/Support_File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string g_tempDir;
std::string g_tempBase;

std::mt19937 &Rng() {
  static std::mt19937 rng(static_cast<uint32_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count() ^ (static_cast<uint64_t>(getpid()) << 16)));
  return rng;
}

int RandomBelow(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Rng()); }

// Game makers may write the base with backslashes.
std::string Slashes(std::string path) {
  for (char &c : path)
    if (c == '\\') c = '/';
  return path;
}

bool TryCreateIn(const std::string &base) {
  if (base.empty()) return false;
  std::error_code ec;
  fs::create_directories(base, ec);
  if (!fs::is_directory(base, ec)) return false;
  // The name is redrawn while it exists. Making the last directory is the
  // test itself, so two runners starting at once never share one.
  // A fixed number of draws keeps a base full of old directories from
  // looping forever.
  for (int attempt = 0; attempt < 100000; ++attempt) {
    const fs::path dir = fs::path(base) / ("qn_ttt_" + std::to_string(RandomBelow(100000)));
    if (fs::create_directory(dir, ec)) {
      g_tempDir = fs::absolute(dir, ec).lexically_normal().string();
      if (ec) g_tempDir = dir.string();
      g_tempBase = base;
      return true;
    }
    if (ec && ec != std::errc::file_exists) return false;
  }
  return false;
}

void RemoveTree(const fs::path &dir) {
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(dir, ec))) return;
  const bool inside = dir.string().rfind(g_tempDir, 0) == 0;
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
  for (const fs::path &p : entries) {
    const fs::file_status st = fs::symlink_status(p, ec);
    if (fs::is_directory(st)) RemoveTree(p);
    else if (inside) fs::remove(p, ec);
  }
  fs::remove(dir, ec);
}

template <class T>
T Get(const uint8_t *data, size_t size, uint64_t off, bool &ok) {
  T v{};
  if (off > size || sizeof(T) > size - off) {
    ok = false;
    return v;
  }
  std::memcpy(&v, data + off, sizeof(T));
  return v;
}

}  // namespace

bool TempDir_Create(const std::string &exeDir) {
  g_tempDir.clear();
  g_tempBase.clear();
  std::string base;
  std::ifstream cfg(fs::path(exeDir) / "tempdir.txt");
  if (cfg) {
    std::getline(cfg, base);
    while (!base.empty() && (base.back() == '\r' || base.back() == '\n')) base.pop_back();
  } else if (const char *env = std::getenv("TMPDIR"); env && *env) {
    base = env;
  } else {
    base = "/tmp";
  }
  std::error_code ec;
  const std::string cwd = fs::current_path(ec).string();
  return TryCreateIn(Slashes(base)) || TryCreateIn("/tmp") || TryCreateIn(cwd);
}

const std::string &TempDirPath() { return g_tempDir; }
const std::string &TempDirBase() { return g_tempBase; }

void TempDir_Set(const std::string &path) {
  g_tempDir = path;
  g_tempBase = path.empty() ? std::string() : fs::path(path).parent_path().string();
}

void TempDir_Remove() {
  if (g_tempDir.empty()) return;
  RemoveTree(g_tempDir);
}

std::string TempDir_UniqueFileName(const std::string &ext) {
  if (g_tempDir.empty()) return {};
  std::error_code ec;
  std::string name;
  do {
    name = g_tempDir + "/a" + std::to_string(RandomBelow(100000)) + ext;
  } while (fs::exists(name, ec));
  return name;
}

std::string SelfExecutablePath() {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

std::string SelfExecutableDir() {
  const std::string exe = SelfExecutablePath();
  return exe.empty() ? std::string(".") : fs::path(exe).parent_path().string();
}

namespace {

// Offsets and sizes read from a file may be anything: their sums stop at the
// largest value instead of wrapping round to a small one.
uint64_t AddClamped(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

constexpr uint32_t kLoadableSegment = 1;  // PT_LOAD

}  // namespace

int64_t ExecutableImageEnd(const uint8_t *data, size_t size) {
  if (size < 16 || std::memcmp(data, "\x7f" "ELF", 4) != 0) return 0;
  const bool is64 = data[4] == 2;
  if (data[5] != 1) return 0;  // only little-endian images are ours
  bool ok = true;
  uint64_t phoff;
  uint32_t phentsize, phnum, ehsize;
  if (is64) {
    phoff = Get<uint64_t>(data, size, 0x20, ok);
    ehsize = Get<uint16_t>(data, size, 0x34, ok);
    phentsize = Get<uint16_t>(data, size, 0x36, ok);
    phnum = Get<uint16_t>(data, size, 0x38, ok);
  } else {
    phoff = Get<uint32_t>(data, size, 0x1C, ok);
    ehsize = Get<uint16_t>(data, size, 0x28, ok);
    phentsize = Get<uint16_t>(data, size, 0x2A, ok);
    phnum = Get<uint16_t>(data, size, 0x2C, ok);
  }
  if (!ok) return 0;
  // What the loader maps: the file bytes of the loadable segments. The
  // headers it reads to find them count too, wherever they lie. Sections
  // outside the segments (debug data, the symbol table) and the section
  // header table are not part of the running program.
  uint64_t end = ehsize;
  if (phnum) end = std::max<uint64_t>(end, AddClamped(phoff, static_cast<uint64_t>(phnum) * phentsize));
  for (uint32_t i = 0; i < phnum; ++i) {
    const uint64_t ph = AddClamped(phoff, static_cast<uint64_t>(i) * phentsize);
    const uint32_t type = Get<uint32_t>(data, size, ph, ok);
    uint64_t off, filesz;
    if (is64) {
      off = Get<uint64_t>(data, size, AddClamped(ph, 0x08), ok);
      filesz = Get<uint64_t>(data, size, AddClamped(ph, 0x20), ok);
    } else {
      off = Get<uint32_t>(data, size, AddClamped(ph, 0x04), ok);
      filesz = Get<uint32_t>(data, size, AddClamped(ph, 0x10), ok);
    }
    if (!ok) break;
    if (type == kLoadableSegment) end = std::max<uint64_t>(end, AddClamped(off, filesz));
  }
  // The program headers may lie past what was handed in; what was read counts.
  return static_cast<int64_t>(std::min<uint64_t>(end, static_cast<uint64_t>(INT64_MAX)));
}

bool ReadRegularFile(const std::string &path, std::vector<uint8_t> &bytes) {
  // Opening a FIFO for reading would wait for a writer: open without
  // waiting, then refuse anything but a regular file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0;
  try {
    if (ok) bytes.resize(static_cast<size_t>(st.st_size));
  } catch (const std::bad_alloc &) {
    ok = false;
  }
  size_t got = 0;
  while (ok && got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else got += static_cast<size_t>(n);
  }
  ::close(fd);
  return ok;
}

std::string WorkingDirectory() {
  std::vector<char> buf(4096);
  while (!::getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE || buf.size() > (1u << 20)) return std::string();
    buf.resize(buf.size() * 2);
  }
  return std::string(buf.data());
}

bool RemovePlainFile(const std::string &path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
  return ::unlink(path.c_str()) == 0;
}

bool PathIsRegularFile(const std::string &path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PathIsDirectory(const std::string &path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t ExecutableImageEndOfFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return 0;
  // The headers are at the start; the program header table is read in full
  // from wherever it lies.
  std::vector<uint8_t> head(64);
  in.read(reinterpret_cast<char *>(head.data()), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  if (head.size() < 52 || std::memcmp(head.data(), "\x7f" "ELF", 4) != 0) return 0;
  const bool is64 = head[4] == 2;
  bool ok = true;
  const uint64_t phoff = is64 ? Get<uint64_t>(head.data(), head.size(), 0x20, ok)
                              : Get<uint32_t>(head.data(), head.size(), 0x1C, ok);
  const uint32_t phentsize = Get<uint16_t>(head.data(), head.size(), is64 ? 0x36 : 0x2A, ok);
  const uint32_t phnum = Get<uint16_t>(head.data(), head.size(), is64 ? 0x38 : 0x2C, ok);
  if (!ok) return 0;
  const uint64_t need = AddClamped(phoff, static_cast<uint64_t>(phentsize) * phnum);
  if (need > (1u << 24)) return 0;
  std::vector<uint8_t> bytes(std::max<uint64_t>(need, head.size()));
  in.clear();
  in.seekg(0);
  in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<size_t>(in.gcount()) < need) return 0;
  return ExecutableImageEnd(bytes.data(), bytes.size());
}
