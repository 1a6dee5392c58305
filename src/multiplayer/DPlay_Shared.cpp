#include "multiplayer/DPlay_Shared.h"

#include <vector>

namespace {
std::vector<RValue> &Values() {
  static std::vector<RValue> values;
  return values;
}
}  // namespace

RValue &DPlay_SharedAt(int32_t index) {
  std::vector<RValue> &v = Values();
  if (static_cast<size_t>(index) >= v.size()) v.resize(static_cast<size_t>(index) + 1);
  return v[static_cast<size_t>(index)];
}

RValue DPlay_SharedRead(int32_t index) { return DPlay_SharedAt(index); }

void DPlay_SharedClear() {
  std::vector<RValue>().swap(Values());
}
