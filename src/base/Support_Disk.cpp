#include "base/Support_Disk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

TDiskFile DiskFileOpen(const std::string &path, EDiskAccess access, bool create) {
  const int flags = access == EDiskAccess::kRead ? O_RDONLY : access == EDiskAccess::kWrite ? O_WRONLY : O_RDWR;
  const int fd = ::open(path.c_str(), flags | (create ? O_CREAT : 0) | O_CLOEXEC, 0666);
  if (fd < 0) return kNoDiskFile;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return kNoDiskFile;
  }
  return fd;
}

void DiskFileClose(TDiskFile file) {
  if (file >= 0) ::close(file);
}

bool DiskFileRewrite(TDiskFile file) { return ::ftruncate(file, 0) == 0 && ::lseek(file, 0, SEEK_SET) == 0; }

int64_t DiskFilePosition(TDiskFile file) {
  const off_t pos = ::lseek(file, 0, SEEK_CUR);
  return pos < 0 ? -1 : static_cast<int64_t>(pos);
}

int64_t DiskFileSize(TDiskFile file) {
  struct stat st;
  return ::fstat(file, &st) != 0 ? -1 : static_cast<int64_t>(st.st_size);
}

bool DiskFileSeek(TDiskFile file, int64_t position) {
  return position >= 0 && ::lseek(file, static_cast<off_t>(position), SEEK_SET) >= 0;
}

bool DiskFileReadByte(TDiskFile file, uint8_t &byte) {
  ssize_t n;
  do {
    n = ::read(file, &byte, 1);
  } while (n < 0 && errno == EINTR);
  return n == 1;
}

bool DiskFileWriteByte(TDiskFile file, uint8_t byte) {
  ssize_t n;
  do {
    n = ::write(file, &byte, 1);
  } while (n < 0 && errno == EINTR);
  return n == 1;
}

bool DiskEntryInfo(const std::string &path, RDiskEntry &entry) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  entry.directory = S_ISDIR(st.st_mode);
  entry.regular = S_ISREG(st.st_mode);
  entry.ownerWritable = (st.st_mode & S_IWUSR) != 0;
  return true;
}

bool DiskEntryExists(const std::string &path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool DiskDirectoryNames(const std::string &dir, std::vector<std::string> &names) {
  DIR *d = ::opendir(dir.c_str());
  if (!d) return false;
  while (const dirent *e = ::readdir(d)) names.emplace_back(e->d_name);
  ::closedir(d);
  return true;
}

bool DiskSpace(const std::string &path, double &total, double &available) {
  struct statvfs vfs;
  if (::statvfs(path.c_str(), &vfs) != 0) return false;
  const double unit = static_cast<double>(vfs.f_frsize);
  total = unit * static_cast<double>(vfs.f_blocks);
  available = unit * static_cast<double>(vfs.f_bavail);
  return true;
}

bool DiskCopyFileOver(const std::string &src, const std::string &dst) {
  namespace fs = std::filesystem;
  // The process id keeps two runners copying to one place apart.
  const std::string tmp = dst + ".tmp" + std::to_string(::getpid());
  std::error_code ec;
  if (fs::copy_file(src, tmp, fs::copy_options::overwrite_existing, ec) && !ec) {
    if (std::rename(tmp.c_str(), dst.c_str()) == 0) return true;
  }
  fs::remove(tmp, ec);
  return false;
}
