// CScript: one script resource, its source text and (once prepared) its
// compiled code.
#pragma once

#include <memory>
#include <string>

class CCode;
class CStream;

class CScript {
public:
  std::string s_text;
  // The compiled program; null until Compile has run.
  std::unique_ptr<CCode> s_code;

  CScript();
  ~CScript();
  CScript(CScript &&) noexcept;
  CScript &operator=(CScript &&) noexcept;

  // Frees the code and empties the text.
  void Clear();
  // Record: integer 800, string text. False on another version.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
  // Creates s_code as a program from s_text and compiles it; false (with the
  // compiler's message recorded) when it does not compile.
  bool Compile();
};
