// A scratch folder for packer tests, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

class PackTempDir {
public:
  PackTempDir() {
    const char *base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/quillon-pack-test-XXXXXX";
    if (::mkdtemp(tmpl.data())) m_path = tmpl;
  }
  ~PackTempDir() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
  }
  PackTempDir(const PackTempDir &) = delete;
  PackTempDir &operator=(const PackTempDir &) = delete;

  const std::string &Path() const { return m_path; }
  std::string operator/(const std::string &rel) const { return m_path + "/" + rel; }

  // Writes a file below the folder, making its parent folders.
  void Write(const std::string &rel, const std::string &content) const {
    const std::filesystem::path p = std::filesystem::path(m_path) / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
  }
  void Write(const std::string &rel, const std::vector<uint8_t> &bytes) const {
    Write(rel, std::string(bytes.begin(), bytes.end()));
  }

private:
  std::string m_path;
};
