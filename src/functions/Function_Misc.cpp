#include "functions/Function_Misc.h"

#include <cmath>
#include <fstream>
#include <string>
#include <string_view>

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Code_World.h"
#include "code/Function_Args.h"
#include "code/Script_Main.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "base/Option_Main.h"

namespace {

using fnarg::Int;
using fnarg::Num;
using fnarg::Text;

// Compiles text as a program and runs it for self and other with the extra
// arguments in argument0.. (the caller's slots come back afterwards).
void RunText(CInstance *self, CInstance *other, std::string_view text, const char *failurePrefix, int argc,
             RValue *args, RValue &result) {
  CCode code(text, false);
  if (!code.Compile()) {
    const std::string message = failurePrefix + CodeErrorText();
    CodeErrorClear();
    ReportError(message, false);
    return;
  }
  CArgumentFrame frame(args + 1, argc - 1);
  ExecuteCode(self, other, code, result);
}

void F_ExecuteString(CInstance *self, CInstance *other, int argc, RValue *args, RValue &result) {
  if (argc < 1) return;
  const RString text = args[0].IsString() ? args[0].str : RString();
  RunText(self, other, text.view(), "COMPILATION ERROR in string to be executed\r", argc, args, result);
}

// Game paths may use backslashes.
std::string GamePath(std::string_view name) {
  std::string path(name);
  for (char &c : path)
    if (c == '\\') c = '/';
  return path;
}

void F_ExecuteFile(CInstance *self, CInstance *other, int argc, RValue *args, RValue &result) {
  if (argc < 1) return;
  std::ifstream in(GamePath(Text(args[0])), std::ios::binary);
  if (!in) {
    ReportActionError("Trying to execute non-existing file.", false);
    return;
  }
  // The file's lines, each followed by a carriage return, whatever line
  // ends the file used.
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string text;
  text.reserve(raw.size() + 1);
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\r') {
      text += '\r';
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      text += '\r';
    } else {
      text += c;
    }
  }
  if (!raw.empty() && raw.back() != '\n' && raw.back() != '\r') text += '\r';
  RunText(self, other, text, "COMPILATION ERROR in file to be executed\r", argc, args, result);
}

int ScriptIndexArg(const RValue &v) {
  const int32_t i = Int(v);
  return g_Scripts.Exists(i) ? i : -1;
}

void F_ScriptExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(ScriptIndexArg(args[0]) >= 0 ? 1.0 : 0.0);
}

void F_ScriptGetName(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int32_t i = Int(args[0]);
  result.SetString(RString(ScriptName(i >= 0 ? i : -1)));
}

void F_ScriptGetText(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const int i = ScriptIndexArg(args[0]);
  result.SetString(i >= 0 ? RString(g_Scripts.Get(i)->s_text) : RString());
}

void F_ScriptExecute(CInstance *self, CInstance *other, int argc, RValue *args, RValue &result) {
  const int index = argc >= 1 ? ScriptIndexArg(args[0]) : -1;
  if (index < 0) {
    ReportActionError("Trying to execute non-existing script.", false);
    return;
  }
  if (!CallScript(index, self, other, result, true, args + 1, argc - 1)) {
    ReportActionError(CodeErrorText(), false);
    CodeErrorClear();
  }
}

// ---- variables by name -------------------------------------------------------

// The combined cell of the array functions; false (after the message for
// an index of 32000 or more) when there is no such cell.
bool CellIndex(const RValue *indices, int count, int32_t &cell) {
  int64_t combined = 0;
  bool inside = true;
  for (int k = 0; k < count; ++k) {
    const double v = Num(indices[k]);
    if (!(v < 31999.5)) {  // rounds to 32000 or more (or is no number at all)
      ReportActionError("Array index >= 32000", false);
      return false;
    }
    if (v < -0.5) {  // a negative index reads as a missing cell and writes nothing
      inside = false;
      continue;
    }
    combined = combined * kArrayDim + RoundToInt64(v);
  }
  if (!inside) return false;
  cell = static_cast<int32_t>(combined);
  return true;
}

int32_t NameIndex(const RValue &name) { return VariableIndex(Text(name)); }

void GlobalRead(const RValue &name, const RValue *indices, int count, RValue &result) {
  int32_t cell = 0;
  const int32_t ind = NameIndex(name);
  const bool haveCell = CellIndex(indices, count, cell);
  if (!haveCell || !GlobalGet(ind, cell, result)) result = RValue();
}

void GlobalWrite(const RValue &name, const RValue *indices, int count, const RValue &value) {
  int32_t cell = 0;
  const int32_t ind = NameIndex(name);
  if (CellIndex(indices, count, cell)) GlobalSet(ind, cell, value);
}

CVariableList *SelfVars(CInstance *self) {
  CWorld *world = World();
  return world != nullptr && self != nullptr ? &world->InstanceVars(self) : nullptr;
}

void LocalRead(CInstance *self, const RValue &name, const RValue *indices, int count, RValue &result) {
  int32_t cell = 0;
  const int32_t ind = NameIndex(name);
  bool found = false;
  if (CellIndex(indices, count, cell)) {
    if (ind < kUserVariableBase) {
      const RBuiltinVariable *e = BuiltinEntry(ind);
      found = e != nullptr && e->getter != nullptr && e->getter(self, cell, result);
    } else if (CVariableList *vars = SelfVars(self)) {
      found = vars->GetVar(ind, cell, result);
    }
  }
  if (!found) result = RValue();
}

void LocalWrite(CInstance *self, const RValue &name, const RValue *indices, int count, const RValue &value) {
  int32_t cell = 0;
  const int32_t ind = NameIndex(name);
  if (!CellIndex(indices, count, cell)) return;
  if (ind < kUserVariableBase) {
    const RBuiltinVariable *e = BuiltinEntry(ind);
    if (e != nullptr && e->writable && e->setter != nullptr) {
      e->setter(self, cell, value);
      ScriptArgumentsChanged();  // it may have been one of the argument variables
    }
  } else if (CVariableList *vars = SelfVars(self)) {
    vars->SetVar(ind, cell, value);
  }
}

void F_GlobalExists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  const bool exists = g_Settings.opt_uninitzero || GlobalVariables().Exists(NameIndex(args[0]));
  result.SetReal(exists ? 1.0 : 0.0);
}
void F_GlobalGet(CInstance *, CInstance *, int, RValue *args, RValue &result) { GlobalRead(args[0], args, 0, result); }
void F_GlobalArrayGet(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  GlobalRead(args[0], args + 1, 1, result);
}
void F_GlobalArray2Get(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  GlobalRead(args[0], args + 1, 2, result);
}
void F_GlobalSet(CInstance *, CInstance *, int, RValue *args, RValue &) { GlobalWrite(args[0], args, 0, args[1]); }
void F_GlobalArraySet(CInstance *, CInstance *, int, RValue *args, RValue &) {
  GlobalWrite(args[0], args + 1, 1, args[2]);
}
void F_GlobalArray2Set(CInstance *, CInstance *, int, RValue *args, RValue &) {
  GlobalWrite(args[0], args + 1, 2, args[3]);
}

void F_LocalExists(CInstance *self, CInstance *, int, RValue *args, RValue &result) {
  const int32_t ind = NameIndex(args[0]);
  bool exists = g_Settings.opt_uninitzero;
  if (!exists) {
    if (ind < kUserVariableBase) {
      exists = BuiltinEntry(ind) != nullptr;
    } else if (CVariableList *vars = SelfVars(self)) {
      exists = vars->Exists(ind);
    }
  }
  result.SetReal(exists ? 1.0 : 0.0);
}
void F_LocalGet(CInstance *self, CInstance *, int, RValue *args, RValue &result) {
  LocalRead(self, args[0], args, 0, result);
}
void F_LocalArrayGet(CInstance *self, CInstance *, int, RValue *args, RValue &result) {
  LocalRead(self, args[0], args + 1, 1, result);
}
void F_LocalArray2Get(CInstance *self, CInstance *, int, RValue *args, RValue &result) {
  LocalRead(self, args[0], args + 1, 2, result);
}
void F_LocalSet(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  LocalWrite(self, args[0], args, 0, args[1]);
}
void F_LocalArraySet(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  LocalWrite(self, args[0], args + 1, 1, args[2]);
}
void F_LocalArray2Set(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  LocalWrite(self, args[0], args + 1, 2, args[3]);
}

}  // namespace

void Function_Misc_Register() {
  FunctionAdd("variable_global_exists", F_GlobalExists, 1);
  FunctionAdd("variable_global_get", F_GlobalGet, 1);
  FunctionAdd("variable_global_array_get", F_GlobalArrayGet, 2);
  FunctionAdd("variable_global_array2_get", F_GlobalArray2Get, 3);
  FunctionAdd("variable_global_set", F_GlobalSet, 2);
  FunctionAdd("variable_global_array_set", F_GlobalArraySet, 3);
  FunctionAdd("variable_global_array2_set", F_GlobalArray2Set, 4);
  FunctionAdd("variable_local_exists", F_LocalExists, 1);
  FunctionAdd("variable_local_get", F_LocalGet, 1);
  FunctionAdd("variable_local_array_get", F_LocalArrayGet, 2);
  FunctionAdd("variable_local_array2_get", F_LocalArray2Get, 3);
  FunctionAdd("variable_local_set", F_LocalSet, 2);
  FunctionAdd("variable_local_array_set", F_LocalArraySet, 3);
  FunctionAdd("variable_local_array2_set", F_LocalArray2Set, 4);
  FunctionAdd("execute_string", F_ExecuteString, -1);
  FunctionAdd("execute_file", F_ExecuteFile, -1);
  FunctionAdd("script_exists", F_ScriptExists, 1);
  FunctionAdd("script_get_name", F_ScriptGetName, 1);
  FunctionAdd("script_name", F_ScriptGetName, 1);
  FunctionAdd("script_get_text", F_ScriptGetText, 1);
  FunctionAdd("script_execute", F_ScriptExecute, -1);
}
