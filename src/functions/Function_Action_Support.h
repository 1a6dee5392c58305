// What the action functions share: the relative flag, the comparison codes,
// calls of other built-in functions by name, and the registration of each
// part of the library.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "code/Variable_Class.h"
#include "code/Function_Args.h"

class CInstance;

namespace action {

// Arguments, read as every built-in reads them: a number (a string counts
// as 0), an amount or code rounded and held to 32 bits, a flag.
inline double Num(const RValue &v) { return fnarg::Num(v); }
inline int32_t Int(const RValue &v) { return fnarg::Clamped(v); }
inline bool Bool(const RValue &v) { return fnarg::Bool(v); }

// The relative option of the running action (argument_relative).
bool Relative();
// value added to current when the action is relative, else value.
inline double Rel(double value, double current) { return Relative() ? current + value : value; }

// Compares a with b by an operation code: 1 smaller than, 2 larger than,
// anything else equal. Reals closer than the language's comparison
// precision count as equal.
bool CompareReals(double a, double b, int32_t operation);

// A built-in function reached by its name. Families register in their own
// time, and some that actions stand on come later than the actions; the
// name is looked up in the built-in table when first needed (and again
// while it is missing), so such an action works as soon as the function it
// wraps is registered. Scripts of the same name are not reached.
//
// Every CBuiltin joins one list of the names actions call for as long as it
// lives. The library's own are namespace-scope objects, so the list is whole
// before any action runs and start-up can check it (Action_CheckBuiltinNames).
class CBuiltin {
public:
  explicit CBuiltin(const char *name);
  ~CBuiltin();
  CBuiltin(const CBuiltin &) = delete;
  CBuiltin &operator=(const CBuiltin &) = delete;

  const char *Name() const { return m_name; }
  // The list of live CBuiltin objects, newest first.
  static const CBuiltin *First();
  const CBuiltin *Next() const { return m_next; }
  // Whether the function is registered now.
  bool Available();
  // Calls it with self, other and the arguments; false (and result left
  // alone) when it is not registered.
  bool Call(CInstance *self, CInstance *other, std::initializer_list<RValue> args, RValue &result);
  bool Call(CInstance *self, CInstance *other, std::initializer_list<RValue> args) {
    RValue ignored;
    return Call(self, other, args, ignored);
  }

private:
  const char *m_name;
  int32_t m_id = -1;
  int32_t m_missAtCount = -1;  // the table size when the name was last missing
  CBuiltin *m_next = nullptr;  // the next in the list of live CBuiltin objects
};

inline RValue Real(double v) { return RValue::Real(v); }
inline RValue Text(std::string_view s) { return RValue::Str(RString(s)); }

// Writes a game variable (score, lives, show_score ...) through its own
// access, so that whatever its owner does on a change happens; reads one.
void SetGameVariable(std::string_view name, const RValue &value);
RValue GetGameVariable(std::string_view name);

// A value as the drawing actions show it: a string unchanged, a whole
// number without decimals, any other real with two.
std::string ValueText(const RValue &v);

// Shows a message to the player: through show_message once that is
// registered, else the way messages appear without dialogs (standard
// error).
void ShowMessage(CInstance *self, CInstance *other, const RValue &text);

// The health bar's colours: the background by its index in the action's
// colour list (0 and unknown indices black), and the bar's colour at a
// health of 0..100 (0 a red-yellow-lime ramp, 1 a black-gray-white ramp,
// 3..17 the list from gray on, anything else black).
int32_t HealthBackColor(int32_t index);
int32_t HealthBarColor(int32_t index, double health);

void RegisterMotion();
void RegisterControl();
void RegisterMedia();

}  // namespace action

// Every name a live CBuiltin calls (the action library's own for the whole
// run, and any a test makes while that lives), sorted, each once.
std::vector<std::string> Action_CalledBuiltinNames();
// The called names that wait for a subsystem still to come, as listed.
const std::vector<std::string_view> &Action_PendingBuiltinNames();

// The called names held against the built-in table as it is now.
struct RActionNameCheck {
  std::vector<std::string> missing;              // neither registered nor listed as waiting: a fault
  std::vector<std::string> listedButRegistered;  // listed as waiting, yet registered: the list is stale
  std::vector<std::string> listedButNotCalled;   // listed as waiting, yet nothing calls it: stale too
  std::vector<std::string> pending;              // listed as waiting and not registered yet
  bool Complete() const { return missing.empty() && listedButRegistered.empty() && listedButNotCalled.empty(); }
};
// Run once the families are registered: a call of a missing name would
// silently do nothing.
RActionNameCheck Action_CheckBuiltinNames();
