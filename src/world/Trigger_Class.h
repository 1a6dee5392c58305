// CTrigger: a game-wide condition that raises the trigger event (type 11,
// the trigger's index) at the begin, middle or end of a step. The condition
// is compiled once at game preparation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CCode;
class CStream;

class CTrigger {
public:
  static constexpr int32_t kVersion = 800;
  // i_moment
  enum : int32_t { kMiddle = 0, kBegin = 1, kEnd = 2 };

  std::string i_name;
  std::string i_condition;
  std::unique_ptr<CCode> i_code;  // the compiled condition, after Prepare
  std::string i_constname;  // the constant scripts use for the event number
  int32_t i_moment = kBegin;

  CTrigger();
  ~CTrigger();

  void Create() { Clear(); }
  void Clear();
  // False when the record version is not 800.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
  // Compiles the condition as a program. A failure is reported as the fatal
  // error kMsgCompileCondition + name + CR + the compiler's message and
  // answers false.
  bool Prepare();
};

inline constexpr char kMsgCompileCondition[] = "COMPILATION ERROR in condition of trigger ";
inline constexpr char kMsgTriggerError[] = "ERROR in trigger ";
