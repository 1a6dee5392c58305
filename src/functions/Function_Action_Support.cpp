#include "functions/Function_Action_Support.h"

#include <cmath>

#include "code/Code_Function.h"
#include "code/Variable_BuiltIn.h"
#include "functions/Function_Action.h"
#include "functions/Function_Math.h"
#include "platform/Platform_Main.h"
#include "world/Event_Main.h"

RActionParticles g_ActionParticles;

namespace action {

bool Relative() { return g_EventContext.relative; }

bool CompareReals(double a, double b, int32_t operation) {
  // The precision of the language's own comparison operators, so that an
  // action and the code `score == 10` agree.
  constexpr double kEpsilon = 1e-13;
  const double d = a - b;
  switch (operation) {
    case 1: return d < -kEpsilon;
    case 2: return d > kEpsilon;
    default: return d > -kEpsilon && d < kEpsilon;
  }
}

bool CBuiltin::Available() {
  if (m_id >= 0) {
    const RFunction *f = FunctionEntry(m_id);
    if (f != nullptr && f->f_name == m_name) return true;
    m_id = -1;  // the table was rebuilt since
  }
  const int32_t count = FunctionCount();
  if (count == m_missAtCount) return false;
  for (int32_t id = 0; id < count; ++id) {
    if (FunctionEntry(id)->f_name == m_name) {
      m_id = id;
      return true;
    }
  }
  m_missAtCount = count;
  return false;
}

bool CBuiltin::Call(CInstance *self, CInstance *other, std::initializer_list<RValue> args, RValue &result) {
  if (!Available()) return false;
  const RFunction *f = FunctionEntry(m_id);
  if (f->f_routine == nullptr) return false;
  RValue argv[kMaxCallArguments];
  int argc = 0;
  for (const RValue &a : args) {
    if (argc == kMaxCallArguments) break;
    argv[argc++] = a;
  }
  RValue out;
  f->f_routine(self, other, argc, argv, out);
  result = std::move(out);
  return true;
}

void SetGameVariable(std::string_view name, const RValue &value) {
  const RBuiltinVariable *e = BuiltinEntry(BuiltinFind(name));
  if (e == nullptr) return;
  if (e->setter != nullptr) {
    e->setter(nullptr, 0, value);
  } else {
    BuiltinStore(name, value);
  }
}

RValue GetGameVariable(std::string_view name) {
  RValue v;
  const RBuiltinVariable *e = BuiltinEntry(BuiltinFind(name));
  if (e != nullptr && e->getter != nullptr) e->getter(nullptr, 0, v);
  return v;
}

std::string ValueText(const RValue &v) {
  if (v.IsString()) return std::string(v.str.view());
  if (std::isfinite(v.val) && v.val == std::nearbyint(v.val) && std::fabs(v.val) < 9.2e18)
    return std::to_string(static_cast<int64_t>(v.val));
  return RealToStringFormat(v.val, 2);
}

void ShowMessage(CInstance *self, CInstance *other, const RValue &text) {
  static CBuiltin showMessage("show_message");
  if (showMessage.Call(self, other, {text})) return;
  PlatformDialogs().ShowMessage(text.IsString() ? std::string(text.str.view()) : RealToString(text.val));
}

}  // namespace action

void Function_Action_Init() {
  action::RegisterMotion();
  action::RegisterControl();
  action::RegisterMedia();
}
