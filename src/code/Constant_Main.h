// The game's own constants as the game file stores them: names and value
// texts, kept in file order until preparation defines them.
#pragma once

#include <string>
#include <vector>

class CStream;

struct RConstantList {
  std::vector<std::string> names;
  std::vector<std::string> values;  // parallel to names: the value texts

  void Clear() { names.clear(); values.clear(); }
  int Count() const { return static_cast<int>(names.size()); }
  void Add(std::string name, std::string value) {
    names.push_back(std::move(name));
    values.push_back(std::move(value));
  }
};

extern RConstantList g_Constants;

// The section: integer 800, count, then name and value text per constant.
bool Constant_Load(CStream &stream);
void Constant_SaveSection(CStream &stream, const RConstantList &list);
