#include "Pack_Files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "Pack_Output.h"
#include "base/BM32_Bitmap.h"

namespace fs = std::filesystem;

std::string ProjectFiles::Resolve(const std::string &rel) const { return (fs::path(m_dir) / rel).string(); }

std::string ProjectFiles::Inside(const JsonValue &where, const std::string &rel) const {
  // A game exports its included files and shows its texts: a project that
  // could name /etc/passwd, ../secret or a link to either would carry them
  // off silently.
  if (fs::path(rel).is_absolute())
    where.Fail("an absolute path is not allowed; name a file inside the project folder: " + rel);
  const fs::path lexical = fs::path(rel).lexically_normal();
  if (!lexical.empty() && *lexical.begin() == "..") where.Fail("the path leads outside the project folder: " + rel);
  std::error_code ec;
  const fs::path path = fs::canonical(Resolve(rel), ec);
  if (ec) {
    if (ec == std::errc::too_many_symbolic_link_levels) where.Fail("a loop of symbolic links: " + rel);
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory)
      where.Fail("file not found: " + rel);
    where.Fail("cannot read " + rel + ": " + ec.message());
  }
  std::error_code rootEc;
  const fs::path root = fs::canonical(m_dir, rootEc);
  if (rootEc) where.Fail("cannot read the project folder " + m_dir + ": " + rootEc.message());
  const auto rootEnd = std::mismatch(root.begin(), root.end(), path.begin(), path.end()).first;
  if (rootEnd != root.end())
    where.Fail("a symbolic link leads outside the project folder: " + rel);
  return path.string();
}

std::vector<uint8_t> ProjectFiles::ReadBytes(const JsonValue &where) const {
  const std::string rel = where.AsString();
  if (rel.empty()) where.Fail("expected a file name, found an empty string");
  const std::string path = Inside(where, rel);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) where.Fail("not a file: " + rel);
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, bytes)) where.Fail("cannot read " + rel + ": " + std::strerror(errno));
  return bytes;
}

std::string ProjectFiles::ReadText(const JsonValue &where) const {
  const std::vector<uint8_t> bytes = ReadBytes(where);
  return std::string(bytes.begin(), bytes.end());
}

TBitmap32 ProjectFiles::ReadImage(const JsonValue &where) const {
  const std::vector<uint8_t> bytes = ReadBytes(where);
  TBitmap32 bmp;
  std::string why;
  const bool ok = BM32_DecodePicture(bytes.data(), bytes.size(), bmp, why) && !bmp.Empty();
  if (ok) return bmp;
  const std::string format = BM32_PictureFormat(bytes.data(), bytes.size());
  // Anything without the mark of another format was taken for a BMP; the
  // user may have meant any of them.
  if (format == "BMP") where.Fail("not a readable picture (BMP, PNG, GIF or JPEG): " + where.AsString());
  where.Fail("not a readable " + format + " picture: " + where.AsString() + " (" + why + ")");
}

std::string ProjectFiles::ReadCode(JsonObject &obj, const std::string &codeKey, const std::string &fileKey) const {
  std::optional<JsonValue> inline_ = obj.Get(codeKey);
  std::optional<JsonValue> file = obj.Get(fileKey);
  if (inline_ && file) file->Fail("give either \"" + codeKey + "\" or \"" + fileKey + "\", not both");
  if (inline_) {
    std::string text = inline_->AsString();
    if (!text.empty()) NoteCode({inline_->FileName() + ": " + inline_->Path(), text, RCodePiece::kProgram, {}});
    return text;
  }
  if (file) {
    std::string text = ReadText(*file);
    if (!text.empty()) NoteCode({Resolve(file->AsString()), text, RCodePiece::kProgram, {}});
    return text;
  }
  return std::string();
}

void ProjectFiles::NoteCode(RCodePiece piece) const { m_code.push_back(std::move(piece)); }
