// Compiles and runs arbitrary text in a small world with a step budget: no
// crash, no hang, no leak, whatever the text. The input is split at 0x01
// bytes: every part but the last becomes a script (s0, s1, ...) that the
// last part, the program, and the scripts themselves can call.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../support/Test_World.h"
#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Script_Main.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "functions/Function_Misc.h"
#include "base/Option_Main.h"
#include "runner/Runner_Wire.h"

namespace {

constexpr int64_t kStepBudget = 20000;
constexpr int kMaxScripts = 8;

// Instance variables (x, speed, ...) belong to real instances; in this
// world they read 0 and ignore writes.
bool ZeroGetter(CInstance *, int32_t, RValue &value) {
  value = RValue();
  return true;
}
bool IgnoreSetter(CInstance *, int32_t, const RValue &) { return true; }

CTestWorld &FuzzWorld() {
  static CTestWorld world;
  return world;
}

bool Setup() {
  BuiltinRegisterAll();
  for (int32_t i = 0; i < builtin::Argument0(); ++i) {
    const std::string &name = BuiltinName(i);
    if (name != "argument_relative") BuiltinSetAccess(name, ZeroGetter, IgnoreSetter);
  }
  ConstantRegisterBuiltins();
  if (FunctionFind("execute_string") < 0) Function_Misc_Register();
  g_Settings.SetDefaults();
  g_Settings.opt_displayerrors = false;
  g_Settings.opt_writeerrors = false;
  SetWorld(&FuzzWorld());
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool ready = Setup();
  (void)ready;

  std::vector<std::string_view> parts;
  std::string_view input(reinterpret_cast<const char *>(data), size);
  for (;;) {
    const size_t cut = input.find('\x01');
    if (cut == std::string_view::npos || static_cast<int>(parts.size()) >= kMaxScripts) break;
    parts.push_back(input.substr(0, cut));
    input.remove_prefix(cut + 1);
  }
  const std::string_view program = input;

  // Every input is a new game: nothing the last one compiled, named, stored
  // or reported is left to change what this one does or to pile up.
  Runner_ResetState();
  g_Scripts.Clear();
  VariableNamesClear();
  CTestWorld &world = FuzzWorld();
  world.Clear();
  const int object = world.AddObject();
  world.AddObject(object);
  CInstance *self = world.AddInstance(object);
  world.AddInstance(object + 1);
  world.AddInstance(object);

  for (size_t i = 0; i < parts.size(); ++i) {
    auto script = std::make_unique<CScript>();
    script->s_text = std::string(parts[i]);
    g_Scripts.items.push_back(std::move(script));
    g_Scripts.names.push_back("s" + std::to_string(i));
  }
  SetStepBudget(kStepBudget);
  try {
    // Constant folding may trap as well; the start sequence then fails.
    for (int i = 0; i < g_Scripts.Count(); ++i) {
      if (!g_Scripts.Get(i)->Compile()) CodeErrorClear();  // stays uncompiled; calls to it fail
    }
    CCode code(program, false);
    if (code.Compile()) {
      RValue result;
      ExecuteCode(self, self, code, result);
    }
    CCode expression(program, true);
    if (expression.Compile()) {
      RValue result;
      EvaluateCode(self, self, expression, result);
    }
  } catch (const EMathTrap &) {
    // Abandoned like the main loop abandons a step.
  }
  SetStepBudget(-1);
  CodeErrorClear();
  g_Scripts.Clear();
  return 0;
}
