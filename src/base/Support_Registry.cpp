#include "base/Support_Registry.h"
#include "base/Support_Path.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr const char *kRootNames[4] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT",
                                       "HKEY_USERS"};

struct RKey {
  RegRoot root = RegRoot::kCurrentUser;
  std::string path;  // levels joined by "\", no empty level
  std::vector<std::pair<std::string, RRegValue>> values;
};

struct RStore {
  std::vector<RKey> keys;
};

// "\Software\\Game\" and "Software\Game" name the same key.
std::string NormalizeKey(std::string_view key) {
  std::string out;
  size_t pos = 0;
  while (pos <= key.size()) {
    size_t end = key.find('\\', pos);
    if (end == std::string_view::npos) end = key.size();
    if (end > pos) {
      if (!out.empty()) out += '\\';
      out.append(key.substr(pos, end - pos));
    }
    pos = end + 1;
  }
  return out;
}

const char kHex[] = "0123456789abcdef";

std::string Escape(std::string_view s, std::string_view special) {
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || c == '%' || special.find(ch) != std::string_view::npos) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A "%" not followed by two hexadecimal digits is kept as it is.
std::string Unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      const int hi = HexDigit(s[i + 1]);
      const int lo = HexDigit(s[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

constexpr std::string_view kNameSpecial = "=[]#;";
constexpr std::string_view kLevelSpecial = "=[]#;\\";

std::string Render(const RStore &store) {
  std::string out = "# Quillon registry store\n";
  for (const RKey &key : store.keys) {
    out += "\n[";
    out += kRootNames[static_cast<int>(key.root)];
    size_t pos = 0;
    while (pos < key.path.size()) {
      size_t end = key.path.find('\\', pos);
      if (end == std::string::npos) end = key.path.size();
      out += '\\';
      out += Escape(std::string_view(key.path).substr(pos, end - pos), kLevelSpecial);
      pos = end + 1;
    }
    out += "]\n";
    for (const auto &[name, value] : key.values) {
      out += Escape(name, kNameSpecial);
      switch (value.kind) {
        case RRegValue::kString:
          out += "=s:" + Escape(value.text, "");
          break;
        case RRegValue::kBinary:
          out += "=b:";
          for (uint8_t b : value.bytes) {
            out += kHex[b >> 4];
            out += kHex[b & 15];
          }
          break;
        case RRegValue::kNumber:
          out += "=d:" + std::to_string(value.number);
          break;
      }
      out += '\n';
    }
  }
  return out;
}

bool ParseValue(std::string_view line, std::string &name, RRegValue &value) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos || eq == 0 || line.size() < eq + 3 || line[eq + 2] != ':') return false;
  name = Unescape(line.substr(0, eq));
  const std::string_view body = line.substr(eq + 3);
  switch (line[eq + 1]) {
    case 's':
      value.kind = RRegValue::kString;
      value.text = Unescape(body);
      return true;
    case 'b': {
      if (body.size() % 2 != 0) return false;
      value.kind = RRegValue::kBinary;
      value.bytes.clear();
      for (size_t i = 0; i < body.size(); i += 2) {
        const int hi = HexDigit(body[i]), lo = HexDigit(body[i + 1]);
        if (hi < 0 || lo < 0) return false;
        value.bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
      }
      return true;
    }
    case 'd': {
      if (body.empty() || body.size() > 10) return false;
      uint64_t n = 0;
      for (char c : body) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + static_cast<uint64_t>(c - '0');
      }
      if (n > 0xFFFFFFFFull) return false;
      value.kind = RRegValue::kNumber;
      value.number = static_cast<uint32_t>(n);
      return true;
    }
    default:
      return false;
  }
}

RKey *FindKey(RStore &store, RegRoot root, std::string_view path) {
  for (RKey &k : store.keys)
    if (k.root == root && EqualNoCase(k.path, path)) return &k;
  return nullptr;
}

RStore Parse(std::string_view text) {
  RStore store;
  RKey *current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      current = nullptr;
      if (line.back() != ']') continue;
      std::string_view inner = line.substr(1, line.size() - 2);
      const size_t slash = inner.find('\\');
      const std::string_view rootName = inner.substr(0, slash);
      int root = -1;
      for (int r = 0; r < 4; ++r)
        if (EqualNoCase(rootName, kRootNames[r])) root = r;
      if (root < 0) continue;
      std::string path;
      if (slash != std::string_view::npos) {
        std::string_view rest = inner.substr(slash + 1);
        size_t p = 0;
        while (p <= rest.size()) {
          size_t e = rest.find('\\', p);
          if (e == std::string_view::npos) e = rest.size();
          if (e > p) {
            if (!path.empty()) path += '\\';
            path += Unescape(rest.substr(p, e - p));
          }
          p = e + 1;
        }
      }
      current = FindKey(store, static_cast<RegRoot>(root), path);
      if (!current) {
        store.keys.push_back(RKey{static_cast<RegRoot>(root), path, {}});
        current = &store.keys.back();
      }
      continue;
    }
    if (!current) continue;
    std::string name;
    RRegValue value;
    if (!ParseValue(line, name, value)) continue;
    bool replaced = false;
    for (auto &entry : current->values)
      if (EqualNoCase(entry.first, name)) {
        entry.second = value;
        replaced = true;
      }
    if (!replaced) current->values.emplace_back(std::move(name), std::move(value));
  }
  return store;
}

RStore Load() {
  std::ifstream in(RegistryStorePath(), std::ios::binary);
  if (!in) return {};
  std::ostringstream ss;
  ss << in.rdbuf();
  return Parse(ss.str());
}

bool Save(const RStore &store) {
  namespace fs = std::filesystem;
  const std::string dir = RegistryDirectory();
  std::error_code ec;
  fs::create_directories(dir, ec);
  const std::string path = RegistryStorePath();
  const std::string tmp = path + ".tmp" + std::to_string(::getpid()) + "_" +
                          std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  const std::string data = Render(store);
  std::FILE *f = std::fopen(tmp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = std::fflush(f) == 0 && ok;
  ok = ok && ::fsync(fileno(f)) == 0;
  ok = std::fclose(f) == 0 && ok;
  if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) std::remove(tmp.c_str());
  return ok;
}

// Holds an exclusive lock on the store's lock file for one read-change-write,
// so that two runners writing at once do not lose each other's values.
class CStoreLock {
public:
  CStoreLock() {
    std::error_code ec;
    std::filesystem::create_directories(RegistryDirectory(), ec);
    m_fd = ::open((RegistryDirectory() + "/registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd >= 0) {
      while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~CStoreLock() {
    if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
  }
  CStoreLock(const CStoreLock &) = delete;
  CStoreLock &operator=(const CStoreLock &) = delete;

private:
  int m_fd = -1;
};

}  // namespace

std::string RegistryDirectory() {
  const char *xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && *xdg == '/') {
    base = xdg;
  } else {
    const char *home = std::getenv("HOME");
    base = std::string(home && *home ? home : ".") + "/.config";
  }
  return base + "/quillon";
}

std::string RegistryStorePath() { return RegistryDirectory() + "/registry.txt"; }

bool RegistryKeyExists(RegRoot root, std::string_view key) {
  RStore store = Load();
  return FindKey(store, root, NormalizeKey(key)) != nullptr;
}

bool RegistryCreateKey(RegRoot root, std::string_view key) {
  CStoreLock lock;
  RStore store = Load();
  const std::string path = NormalizeKey(key);
  if (FindKey(store, root, path)) return true;
  store.keys.push_back(RKey{root, path, {}});
  return Save(store);
}

bool RegistryRead(RegRoot root, std::string_view key, std::string_view name, RRegValue &value) {
  RStore store = Load();
  const RKey *k = FindKey(store, root, NormalizeKey(key));
  if (!k) return false;
  for (const auto &entry : k->values)
    if (EqualNoCase(entry.first, name)) {
      value = entry.second;
      return true;
    }
  return false;
}

bool RegistryWrite(RegRoot root, std::string_view key, std::string_view name, const RRegValue &value) {
  CStoreLock lock;
  RStore store = Load();
  const std::string path = NormalizeKey(key);
  RKey *k = FindKey(store, root, path);
  if (!k) {
    store.keys.push_back(RKey{root, path, {}});
    k = &store.keys.back();
  }
  bool replaced = false;
  for (auto &entry : k->values)
    if (EqualNoCase(entry.first, name)) {
      entry.second = value;
      replaced = true;
      break;
    }
  if (!replaced) k->values.emplace_back(std::string(name), value);
  return Save(store);
}

bool RegistryDeleteValue(RegRoot root, std::string_view key, std::string_view name) {
  CStoreLock lock;
  RStore store = Load();
  RKey *k = FindKey(store, root, NormalizeKey(key));
  if (!k) return false;
  for (size_t i = 0; i < k->values.size(); ++i)
    if (EqualNoCase(k->values[i].first, name)) {
      k->values.erase(k->values.begin() + static_cast<std::ptrdiff_t>(i));
      return Save(store);
    }
  return false;
}

bool RegistryReadBool(RegRoot root, std::string_view key, std::string_view name, bool &found) {
  RRegValue v;
  found = RegistryRead(root, key, name, v);
  if (!found) return false;
  switch (v.kind) {
    case RRegValue::kNumber:
      return v.number != 0;
    case RRegValue::kString:
      return v.text == "1" || EqualNoCase(v.text, "true");
    case RRegValue::kBinary:
      for (uint8_t b : v.bytes)
        if (b) return true;
      return false;
  }
  return false;
}
