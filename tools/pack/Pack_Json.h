// Reading the project manifest: typed access to JSON values that knows where
// each value sits (a path such as rooms[2].width), so that every complaint
// names the file, the field and what is wrong. Objects are read field by
// field and finished with Done(), which refuses fields nobody asked for: a
// misspelt key is an error, not a silently ignored setting.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

// A project that cannot be packed. The message is complete and ready for the
// user: "<file>: <field>: <what is wrong>".
class PackError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Parses manifest text. Syntax errors become "<file>: invalid JSON at line L,
// column C: <reason>". Comments (// and /* */) are allowed.
nlohmann::json ParseManifestText(const std::string &text, const std::string &fileName);

class JsonValue {
public:
  JsonValue(const nlohmann::json &value, std::string path, const std::string &fileName)
      : m_value(&value), m_path(std::move(path)), m_file(&fileName) {}

  const nlohmann::json &Raw() const { return *m_value; }
  const std::string &Path() const { return m_path; }
  const std::string &FileName() const { return *m_file; }
  bool IsNull() const { return m_value->is_null(); }

  [[noreturn]] void Fail(const std::string &what) const;

  int32_t AsInt() const;                      // whole number in the 32-bit range
  int32_t AsIntIn(int32_t lo, int32_t hi) const;
  double AsReal() const;                      // any number
  bool AsBool() const;
  std::string AsString() const;
  // A colour: "#RRGGBB" or a number holding the colour with red in the low
  // byte, the way games store colours.
  int32_t AsColor() const;

  // Array access; Fail()s when the value is not an array.
  size_t Size() const;
  JsonValue At(size_t index) const;

private:
  const nlohmann::json *m_value;
  std::string m_path;
  const std::string *m_file;
};

// Reads one JSON object. Every accessor marks its key as known; Done()
// reports the first key that no accessor asked for.
class JsonObject {
public:
  explicit JsonObject(const JsonValue &value);

  const JsonValue &Self() const { return m_self; }
  bool Has(const std::string &key) const;  // present and not null
  std::optional<JsonValue> Get(const std::string &key);
  JsonValue Require(const std::string &key);  // "missing field" when absent

  int32_t Int(const std::string &key, int32_t def);
  int32_t IntIn(const std::string &key, int32_t def, int32_t lo, int32_t hi);
  double Real(const std::string &key, double def);
  bool Bool(const std::string &key, bool def);
  std::string String(const std::string &key, const std::string &def);
  int32_t Color(const std::string &key, int32_t def);

  // Marks a key as known without reading it.
  void Accept(const std::string &key) { m_known.insert(key); }
  void Done() const;

private:
  JsonValue m_self;
  std::set<std::string> m_known;
};

// "rooms" + 2 -> "rooms[2]"; "" + "width" -> "width"; "rooms[2]" + "width" -> "rooms[2].width".
std::string JsonPathIndex(const std::string &path, size_t index);
std::string JsonPathKey(const std::string &path, const std::string &key);
