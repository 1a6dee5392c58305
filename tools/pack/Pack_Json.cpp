#include "Pack_Json.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>
#include <vector>

using nlohmann::json;

namespace {

const char *KindName(const json &v) {
  switch (v.type()) {
    case json::value_t::null: return "null";
    case json::value_t::object: return "an object";
    case json::value_t::array: return "an array";
    case json::value_t::string: return "a string";
    case json::value_t::boolean: return "a boolean";
    case json::value_t::number_integer:
    case json::value_t::number_unsigned: return "an integer";
    case json::value_t::number_float: return "a number";
    default: return "something else";
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

namespace {

// Follows the parser through the document to know the path of every key, so
// that a key given twice in one object (where the later one would silently
// win) is refused like an unknown field.
class DuplicateKeyCheck {
public:
  explicit DuplicateKeyCheck(const std::string &fileName) : m_file(fileName) {}

  bool operator()(int /*depth*/, json::parse_event_t event, json &parsed) {
    switch (event) {
      case json::parse_event_t::object_start:
        m_frames.push_back({false, 0, {}, {}, ElementPath()});
        break;
      case json::parse_event_t::array_start:
        m_frames.push_back({true, 0, {}, {}, ElementPath()});
        break;
      case json::parse_event_t::object_end:
      case json::parse_event_t::array_end:
        m_frames.pop_back();
        break;
      case json::parse_event_t::key: {
        Frame &f = m_frames.back();
        f.key = parsed.get<std::string>();
        if (!f.keys.insert(f.key).second)
          throw PackError(m_file + ": " + JsonPathKey(f.path, f.key) + ": the field is given twice");
        break;
      }
      case json::parse_event_t::value:
        ElementPath();
        break;
    }
    return true;
  }

private:
  struct Frame {
    bool array;
    size_t index;
    std::set<std::string> keys;
    std::string key;  // the key whose value comes next
    std::string path;
  };

  // The path of the value that starts now; counts array elements.
  std::string ElementPath() {
    if (m_frames.empty()) return "";
    Frame &f = m_frames.back();
    return f.array ? JsonPathIndex(f.path, f.index++) : JsonPathKey(f.path, f.key);
  }

  const std::string &m_file;
  std::vector<Frame> m_frames;
};

}  // namespace

namespace {

constexpr int kMaxManifestNesting = 256;

// Walks the text outside strings and comments before the JSON library sees
// it, for what the library handles badly: nesting so deep that following
// it costs memory by the gigabyte, and numbers beyond the double range,
// which the library reports without a place.
void ScanManifest(const std::string &text, const std::string &fileName) {
  size_t line = 1, column = 1;
  auto fail = [&](const std::string &what) {
    throw PackError(fileName + ": line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what);
  };
  int depth = 0;
  const size_t n = text.size();
  size_t i = 0;
  // Moves past k bytes, counting lines.
  auto skip = [&](size_t k) {
    for (; k > 0 && i < n; --k, ++i) {
      if (text[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
  };
  auto isWord = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  while (i < n) {
    const char c = text[i];
    if (c == '"') {
      skip(1);
      while (i < n && text[i] != '"') skip(text[i] == '\\' ? 2 : 1);
      skip(1);
    } else if (c == '/' && i + 1 < n && text[i + 1] == '/') {
      while (i < n && text[i] != '\n') skip(1);
    } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
      skip(2);
      while (i < n && !(text[i] == '*' && i + 1 < n && text[i + 1] == '/')) skip(1);
      skip(2);
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxManifestNesting)
        fail("arrays and objects nested deeper than " + std::to_string(kMaxManifestNesting) + " levels");
      skip(1);
    } else if (c == ']' || c == '}') {
      if (depth > 0) --depth;
      skip(1);
    } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
      size_t end = i + 1;
      while (end < n && (isWord(text[end]) || text[end] == '.' || text[end] == '+' || text[end] == '-')) ++end;
      const std::string number = text.substr(i, end - i);
      if (std::isinf(std::strtod(number.c_str(), nullptr)))
        fail("the number " + number + " is out of range (the largest is about 1.8e308)");
      skip(end - i);
    } else if (isWord(c)) {
      while (i < n && isWord(text[i])) skip(1);
    } else {
      skip(1);
    }
  }
}

}  // namespace

json ParseManifestText(const std::string &text, const std::string &fileName) {
  ScanManifest(text, fileName);
  try {
    return json::parse(text, DuplicateKeyCheck(fileName), true, /*ignore_comments=*/true);
  } catch (const json::parse_error &e) {
    // The library counts the offending byte from 1; turn it into a line and
    // column of the text, which is what an editor shows.
    const size_t end = std::min<size_t>(e.byte > 0 ? e.byte - 1 : 0, text.size());
    size_t line = 1, column = 1;
    for (size_t i = 0; i < end; ++i) {
      if (text[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    std::string reason = e.what();
    const size_t col = reason.find("column ");
    const size_t colon = col == std::string::npos ? std::string::npos : reason.find(": ", col);
    if (colon != std::string::npos) reason = reason.substr(colon + 2);
    throw PackError(fileName + ": invalid JSON at line " + std::to_string(line) + ", column " +
                    std::to_string(column) + ": " + reason);
  } catch (const json::exception &e) {
    // Anything else the library refuses still names the file.
    throw PackError(fileName + ": invalid JSON: " + e.what());
  }
}

std::string JsonPathIndex(const std::string &path, size_t index) {
  return path + "[" + std::to_string(index) + "]";
}

std::string JsonPathKey(const std::string &path, const std::string &key) {
  return path.empty() ? key : path + "." + key;
}

void JsonValue::Fail(const std::string &what) const {
  throw PackError(*m_file + ": " + (m_path.empty() ? std::string("(top level)") : m_path) + ": " + what);
}

int32_t JsonValue::AsInt() const {
  return AsIntIn(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
}

int32_t JsonValue::AsIntIn(int32_t lo, int32_t hi) const {
  const json &v = *m_value;
  double d = 0;
  if (v.is_number_unsigned()) {
    const uint64_t u = v.get<uint64_t>();
    d = u > static_cast<uint64_t>(hi) ? static_cast<double>(hi) + 1 : static_cast<double>(u);
  } else if (v.is_number_integer()) {
    d = static_cast<double>(v.get<int64_t>());
  } else if (v.is_number_float() && std::isfinite(v.get<double>()) &&
             v.get<double>() == std::floor(v.get<double>())) {
    d = v.get<double>();
  } else {
    Fail(std::string("expected an integer, found ") + KindName(v));
  }
  if (d < lo || d > hi)
    Fail("expected an integer from " + std::to_string(lo) + " to " + std::to_string(hi));
  return static_cast<int32_t>(d);
}

double JsonValue::AsReal() const {
  if (!m_value->is_number()) Fail(std::string("expected a number, found ") + KindName(*m_value));
  return m_value->get<double>();
}

bool JsonValue::AsBool() const {
  if (!m_value->is_boolean()) Fail(std::string("expected true or false, found ") + KindName(*m_value));
  return m_value->get<bool>();
}

std::string JsonValue::AsString() const {
  if (!m_value->is_string()) Fail(std::string("expected a string, found ") + KindName(*m_value));
  return m_value->get<std::string>();
}

int32_t JsonValue::AsColor() const {
  if (m_value->is_string()) {
    const std::string s = m_value->get<std::string>();
    int32_t rgb = 0;
    bool ok = s.size() == 7 && s[0] == '#';
    for (size_t i = 1; ok && i < 7; ++i) {
      const int d = HexDigit(s[i]);
      ok = d >= 0;
      rgb = rgb * 16 + d;
    }
    if (!ok) Fail("expected a colour as \"#RRGGBB\", found \"" + s + "\"");
    const int32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return r | (g << 8) | (b << 16);
  }
  if (m_value->is_number()) return AsIntIn(0, 0xFFFFFF);
  Fail(std::string("expected a colour (\"#RRGGBB\" or an integer), found ") + KindName(*m_value));
}

size_t JsonValue::Size() const {
  if (!m_value->is_array()) Fail(std::string("expected an array, found ") + KindName(*m_value));
  return m_value->size();
}

JsonValue JsonValue::At(size_t index) const {
  Size();
  return JsonValue((*m_value)[index], JsonPathIndex(m_path, index), *m_file);
}

JsonObject::JsonObject(const JsonValue &value) : m_self(value) {
  if (!value.Raw().is_object()) value.Fail(std::string("expected an object, found ") + KindName(value.Raw()));
}

bool JsonObject::Has(const std::string &key) const {
  auto it = m_self.Raw().find(key);
  return it != m_self.Raw().end() && !it->is_null();
}

std::optional<JsonValue> JsonObject::Get(const std::string &key) {
  m_known.insert(key);
  auto it = m_self.Raw().find(key);
  if (it == m_self.Raw().end() || it->is_null()) return std::nullopt;
  return JsonValue(*it, JsonPathKey(m_self.Path(), key), m_self.FileName());
}

JsonValue JsonObject::Require(const std::string &key) {
  std::optional<JsonValue> v = Get(key);
  if (!v) JsonValue(m_self.Raw(), JsonPathKey(m_self.Path(), key), m_self.FileName()).Fail("missing field");
  return *v;
}

int32_t JsonObject::Int(const std::string &key, int32_t def) {
  std::optional<JsonValue> v = Get(key);
  return v ? v->AsInt() : def;
}

int32_t JsonObject::IntIn(const std::string &key, int32_t def, int32_t lo, int32_t hi) {
  std::optional<JsonValue> v = Get(key);
  return v ? v->AsIntIn(lo, hi) : def;
}

double JsonObject::Real(const std::string &key, double def) {
  std::optional<JsonValue> v = Get(key);
  return v ? v->AsReal() : def;
}

bool JsonObject::Bool(const std::string &key, bool def) {
  std::optional<JsonValue> v = Get(key);
  return v ? v->AsBool() : def;
}

std::string JsonObject::String(const std::string &key, const std::string &def) {
  std::optional<JsonValue> v = Get(key);
  return v ? v->AsString() : def;
}

int32_t JsonObject::Color(const std::string &key, int32_t def) {
  std::optional<JsonValue> v = Get(key);
  return v ? v->AsColor() : def;
}

void JsonObject::Done() const {
  for (auto it = m_self.Raw().begin(); it != m_self.Raw().end(); ++it) {
    if (!m_known.count(it.key()))
      JsonValue(it.value(), JsonPathKey(m_self.Path(), it.key()), m_self.FileName()).Fail("unknown field");
  }
}
