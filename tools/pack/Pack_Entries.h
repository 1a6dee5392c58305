// The resource arrays of the manifest: null is an empty slot, anything else
// an object with a unique, valid "name".
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "Pack_Json.h"
#include "Pack_Text.h"
#include "base/Resource_Items.h"

// Reads the "name" of a resource entry and checks that no earlier resource
// of the same kind (kind is the array's name, for messages) has it.
inline std::string ReadResourceName(JsonObject &obj, std::map<std::string, size_t> &seen, size_t index,
                                    const std::string &kind) {
  const JsonValue v = obj.Require("name");
  std::string name = v.AsString();
  if (!IsValidResourceName(name))
    v.Fail("\"" + name + "\" is not a valid name (a letter or _ first, then letters, digits or _)");
  auto [it, fresh] = seen.emplace(name, index);
  if (!fresh) v.Fail("the name \"" + name + "\" is already used by " + kind + "[" + std::to_string(it->second) + "]");
  return name;
}

// Fills out from the array: read(o, item) reads the fields besides the
// name; fields nobody asked for are refused afterwards.
template <class T, class Read>
void ReadEntries(const JsonValue &value, const char *kind, RResourceList<T> &out, Read read) {
  out.Clear();
  std::map<std::string, size_t> seen;
  for (size_t i = 0; i < value.Size(); ++i) {
    const JsonValue entry = value.At(i);
    if (entry.IsNull()) {
      out.Append(nullptr, "");
      continue;
    }
    JsonObject o(entry);
    std::string name = ReadResourceName(o, seen, i, kind);
    auto item = std::make_unique<T>();
    read(o, *item);
    o.Done();
    out.Append(std::move(item), std::move(name));
  }
}
