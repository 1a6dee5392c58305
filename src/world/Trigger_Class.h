// CTrigger: a game-wide condition that raises the trigger event (type 11,
// the trigger's index) at the begin, middle or end of a step. Compiling the
// condition belongs to game preparation.
#pragma once

#include <cstdint>
#include <string>

class CStream;

class CTrigger {
public:
  static constexpr int32_t kVersion = 800;
  // i_moment
  enum : int32_t { kMiddle = 0, kBegin = 1, kEnd = 2 };

  std::string i_name;
  std::string i_condition;
  std::string i_constname;  // the constant scripts use for the event number
  int32_t i_moment = kBegin;

  void Create() { Clear(); }
  void Clear() { *this = CTrigger(); }
  // False when the record version is not 800.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
};
