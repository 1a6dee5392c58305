// Extension packages as the game file carries them: packages hold files
// (libraries, script-language sources, other files), files hold functions and
// constants. Preparation and calls live elsewhere; these classes are the data
// and its record reader and writer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CStream;

class CExtensionConstant {
public:
  std::string s_name;
  std::string s_value;  // an expression, evaluated at preparation

  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
};

class CExtensionFunction {
public:
  static constexpr int kArgTypes = 17;

  std::string s_name;     // the name game code calls
  std::string s_extname;  // the exported name, or the #define section name
  int32_t s_kind = 12;    // 12 C calling convention, anything else stdcall
  int32_t s_id = 0;       // unique across all packages
  int32_t s_argcount = 0; // -1 any
  std::array<int32_t, kArgTypes> s_argtype{};  // 1 string, 2 real
  int32_t s_returntype = 2;                    // 1 string, 2 real
  std::string s_script;   // source of a script-language function

  CExtensionFunction() { s_argtype.fill(2); }
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
};

class CExtensionFile {
public:
  enum : int32_t { kLibrary = 1, kScriptSource = 2, kNoContent = 3, kOtherFile = 4 };

  std::string s_filename;
  int32_t s_kind = kLibrary;
  std::string s_init;   // initialisation function, may be empty
  std::string s_final;  // finalisation function, may be empty
  std::vector<std::unique_ptr<CExtensionFunction>> s_functions;
  std::vector<std::unique_ptr<CExtensionConstant>> s_constants;
  // The file's content as the package carries it (empty for kind 3).
  std::vector<uint8_t> s_data;

  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
  // Gives each function whose external name has a "#define" section in the
  // script-language content that section's body as its source.
  void AssignScriptSources();
};

class CExtensionPackage {
public:
  std::string s_name;
  std::string s_folder;  // folder below the temporary directory
  std::vector<std::unique_ptr<CExtensionFile>> s_includes;
  // The key of the file-contents scrambling; any value works, the writer
  // stores it and the reader uses what it finds.
  int32_t s_key = 0;

  CExtensionPackage();  // empty name, folder "temp" + a random number below 999
  // Reads the record with its file contents, then applies the reader's
  // clean-up: names trimmed, an empty external name becomes the name, more
  // than 4 arguments make every argument real, script sources assigned.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
  // Writes the library and other files into tempDir/<folder>/. Names that
  // would leave that folder are not written. Answers false when a file could
  // not be written.
  bool WriteFiles(const std::string &tempDir) const;
};

// The text with its leading and trailing spaces and control characters removed.
std::string ExtensionTrim(const std::string &text);
