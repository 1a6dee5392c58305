// CScript: one script resource, its source text and (once prepared) its
// compiled code.
#pragma once

#include <string>

class CStream;

class CScript {
public:
  std::string s_text;

  void Clear() { s_text.clear(); }
  // Record: integer 800, string text. False on another version.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
};
