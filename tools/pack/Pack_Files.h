// Files that the manifest names: read relative to the project folder, with
// complaints that point at the manifest field that named them.
#pragma once

#include <string>
#include <vector>

#include "Pack_Json.h"

class TBitmap32;

class ProjectFiles {
public:
  explicit ProjectFiles(std::string dir) : m_dir(std::move(dir)) {}

  const std::string &Dir() const { return m_dir; }
  // The path as the user sees it for a relative name in the project.
  std::string Resolve(const std::string &rel) const;

  // The real path (links followed) of a file the project names at `where`;
  // refuses (naming the field) an absolute path, a path outside the
  // project folder or led out of it by a link, a loop of links and a
  // missing file.
  std::string Inside(const JsonValue &where, const std::string &rel) const;

  // The value at `where` must be a string naming an existing regular file
  // inside the project folder; answers its bytes. "file not found: <name>"
  // and the like otherwise.
  std::vector<uint8_t> ReadBytes(const JsonValue &where) const;
  std::string ReadText(const JsonValue &where) const;
  // A BMP, PNG, GIF (its first image) or JPEG picture, told apart by their
  // first bytes; an error naming the file when it cannot be decoded.
  TBitmap32 ReadImage(const JsonValue &where) const;

  // The code of an object that may hold it inline (codeKey) or in a file
  // (fileKey); empty when neither is given, an error when both are.
  std::string ReadCode(JsonObject &obj, const std::string &codeKey = "code",
                       const std::string &fileKey = "code_file") const;

private:
  std::string m_dir;
};
