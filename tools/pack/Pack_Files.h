// Files that the manifest names: read relative to the project folder, with
// complaints that point at the manifest field that named them.
#pragma once

#include <string>
#include <vector>

#include "Pack_Json.h"

class TBitmap32;

// A piece of game code the project holds, noted while the manifest is read
// so that the packer can compile it afterwards and say where a fault lies.
struct RCodePiece {
  enum Kind { kProgram, kExpression, kConstant };
  // Where the text comes from: the code file as the user names it
  // ("hello/scripts/scr_move.qs"), or for inline code the manifest and the
  // field ("hello/game.json: objects[2].events[0].actions[1].code").
  std::string origin;
  std::string text;
  Kind kind = kProgram;
  std::string constantName;  // kConstant: the constant's (trimmed) name
};

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
  // The code is noted (see Code()) unless it is empty.
  std::string ReadCode(JsonObject &obj, const std::string &codeKey = "code",
                       const std::string &fileKey = "code_file") const;

  // Notes a piece of code that the manifest holds in some other field.
  void NoteCode(RCodePiece piece) const;
  // Every piece of code read so far, in reading order.
  const std::vector<RCodePiece> &Code() const { return m_code; }

private:
  std::string m_dir;
  // Reading only adds to it; the readers hold the files as const.
  mutable std::vector<RCodePiece> m_code;
};
