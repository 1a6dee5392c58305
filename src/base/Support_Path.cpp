#include "base/Support_Path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "base/Support_Registry.h"

namespace {

bool Exists(const std::string &path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The entry of dir whose name equals name without regard to case; "" when
// none does. Several matches: the smallest name, so the choice is stable.
std::string FindNoCase(const std::string &dir, std::string_view name) {
  DIR *d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return {};
  std::string best;
  while (const dirent *e = ::readdir(d)) {
    std::string_view entry(e->d_name);
    if (entry == "." || entry == "..") continue;
    if (EqualNoCase(entry, name) && (best.empty() || entry < best)) best.assign(entry);
  }
  ::closedir(d);
  return best;
}

}  // namespace

bool PathHasDirectory(std::string_view name) {
  return name.find('\\') != std::string_view::npos || name.find('/') != std::string_view::npos;
}

std::string TranslatePath(std::string_view gamePath) {
  std::string path(gamePath);
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.empty() || Exists(path)) return path;

  // Walk the components; "prefix" is what has been resolved so far.
  std::string prefix;
  size_t pos = 0;
  if (path[0] == '/') {
    prefix = "/";
    pos = 1;
  }
  bool lost = false;  // a component matched nothing: keep the rest as given
  while (pos <= path.size()) {
    size_t end = path.find('/', pos);
    if (end == std::string::npos) end = path.size();
    std::string_view comp(path.data() + pos, end - pos);
    std::string piece(comp);
    if (!lost && !comp.empty() && comp != "." && comp != "..") {
      const std::string here = prefix + piece;
      if (!Exists(here)) {
        std::string dir = prefix.empty() ? std::string(".") : prefix;
        std::string found = FindNoCase(dir, comp);
        if (found.empty())
          lost = true;
        else
          piece = found;
      }
    }
    prefix += piece;
    if (end < path.size()) prefix += '/';
    pos = end + 1;
  }
  return prefix;
}

std::string FullPath(std::string_view gamePath) {
  namespace fs = std::filesystem;
  fs::path p(TranslatePath(gamePath));
  std::error_code ec;
  if (p.is_relative()) {
    fs::path cwd = fs::current_path(ec);
    if (!ec) p = cwd / p;
  }
  return p.lexically_normal().string();
}

namespace {
bool g_SecureMode = false;
}

bool SecureMode() { return g_SecureMode; }
void SetSecureMode(bool on) { g_SecureMode = on; }

void SecureMode_Read() {
  static constexpr char kKey[] = "Software\\Quillon\\Version 8.1\\Preferences";
  bool secure = false;
  if (RegistryKeyExists(RegRoot::kCurrentUser, kKey)) {
    bool found = false;
    const bool warning = RegistryReadBool(RegRoot::kCurrentUser, kKey, "Warning", found);
    if (found) secure = warning;
    const bool running = RegistryReadBool(RegRoot::kCurrentUser, kKey, "QuillonRunning", found);
    if (found) secure = secure && running;
  }
  g_SecureMode = secure;
}
