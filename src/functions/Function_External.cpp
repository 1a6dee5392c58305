#include "functions/Function_External.h"

#include <array>
#include <string>

#include "base/Support_Path.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Function_Args.h"
#include "code/Support_DLL.h"

namespace {

using fnarg::Int;
using fnarg::Text;

constexpr int32_t kTyString = 1;
constexpr int32_t kCallTypeC = 0;

// Every function of the family refuses to touch native code in secure mode.
bool Refused() {
  if (!SecureMode()) return false;
  ReportActionError("In secure mode you cannot use DLLs", false);
  return true;
}

void Failed(const char *message, RValue &result) {
  ReportActionError(message, false);
  result.SetReal(-1);
}

// A definition that got past its argument checks; -1 and the message when
// the library or the function cannot be had.
void Define(const RValue &dll, const RValue &name, int32_t calltype, const RValue &restype, const int32_t *types,
            int32_t count, RValue &result) {
  const int32_t id = ExternalDefine(std::string(Text(dll)), std::string(Text(name)), calltype,
                                    Int(restype) == kTyString, types, count);
  if (id < 0) return Failed("Error defining an external function.", result);
  result.SetReal(id);
}

// A refused definition answers -1 rather than 0, which may be the id of
// another function the game defined.
void F_ExternalDefine(CInstance *, CInstance *, int argc, RValue *args, RValue &result) {
  if (Refused()) return result.SetReal(-1);
  if (argc < 5) return Failed("Wrong number of arguments to external_define()", result);
  const int32_t argnumb = Int(args[4]);
  if (argnumb < 0 || argnumb > RExternalFunction::kMaxArgs) return Failed("DLL functions can have at most 16 arguments", result);
  if (argc != argnumb + 5) return Failed("Wrong number of arguments to external_define()", result);
  std::array<int32_t, RExternalFunction::kMaxArgs> types{};
  for (int32_t i = 0; i < argnumb; ++i) types[static_cast<size_t>(i)] = Int(args[5 + i]) == kTyString ? kTyString : 0;
  if (argnumb > 4)
    for (int32_t i = 0; i < argnumb; ++i)
      if (types[static_cast<size_t>(i)] == kTyString)
        return Failed("DLL functions with more than 4 arguments cannot have string arguments", result);
  Define(args[0], args[1], Int(args[2]), args[3], types.data(), argnumb, result);
}

// external_define0 .. external_define4: dll, name, the argument types, the
// result type; the C convention.
template <int N>
void F_ExternalDefineN(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  if (Refused()) return result.SetReal(-1);
  std::array<int32_t, N + 1> types{};
  for (int i = 0; i < N; ++i) types[static_cast<size_t>(i)] = Int(args[2 + i]) == kTyString ? kTyString : 0;
  Define(args[0], args[1], kCallTypeC, args[2 + N], types.data(), N, result);
}

// external_define5 .. external_define8: dll, name, the result type; every
// argument real.
template <int N>
void F_ExternalDefineReals(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  if (Refused()) return result.SetReal(-1);
  const std::array<int32_t, N> types{};
  Define(args[0], args[1], kCallTypeC, args[2], types.data(), N, result);
}

void Call(const RValue *args, int32_t count, RValue &result) {
  std::string error;
  if (!ExternalCall(Int(args[0]), count, args + 1, result, error)) ReportActionError(error, false);
}

void F_ExternalCall(CInstance *, CInstance *, int argc, RValue *args, RValue &result) {
  if (Refused()) return;
  if (argc < 1) return ReportActionError("Wrong number of arguments to external_call()", false);
  Call(args, argc - 1, result);
}

template <int N>
void F_ExternalCallN(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  if (Refused()) return;
  Call(args, N, result);
}

void F_ExternalFree(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (Refused()) return;
  ExternalFree(std::string(Text(args[0])));
}

// A built-in function's id identifies its routine; a name that is no
// built-in function (a script, an extension function, nothing) gives -1.
void F_GetFunctionAddress(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(-1);
  if (Refused()) return;
  const std::string_view name = Text(args[0]);
  for (int32_t id = 0; id < FunctionCount(); ++id)
    if (FunctionEntry(id)->f_name == name) return result.SetReal(id);
}

}  // namespace

void Function_External_Init() {
  FunctionAdd("external_define", F_ExternalDefine, -1);
  FunctionAdd("external_call", F_ExternalCall, -1);
  FunctionAdd("external_free", F_ExternalFree, 1);
  FunctionAdd("external_define0", F_ExternalDefineN<0>, 3);
  FunctionAdd("external_define1", F_ExternalDefineN<1>, 4);
  FunctionAdd("external_define2", F_ExternalDefineN<2>, 5);
  FunctionAdd("external_define3", F_ExternalDefineN<3>, 6);
  FunctionAdd("external_define4", F_ExternalDefineN<4>, 7);
  FunctionAdd("external_define5", F_ExternalDefineReals<5>, 3);
  FunctionAdd("external_define6", F_ExternalDefineReals<6>, 3);
  FunctionAdd("external_define7", F_ExternalDefineReals<7>, 3);
  FunctionAdd("external_define8", F_ExternalDefineReals<8>, 3);
  FunctionAdd("external_call0", F_ExternalCallN<0>, 1);
  FunctionAdd("external_call1", F_ExternalCallN<1>, 2);
  FunctionAdd("external_call2", F_ExternalCallN<2>, 3);
  FunctionAdd("external_call3", F_ExternalCallN<3>, 4);
  FunctionAdd("external_call4", F_ExternalCallN<4>, 5);
  FunctionAdd("external_call5", F_ExternalCallN<5>, 6);
  FunctionAdd("external_call6", F_ExternalCallN<6>, 7);
  FunctionAdd("external_call7", F_ExternalCallN<7>, 8);
  FunctionAdd("external_call8", F_ExternalCallN<8>, 9);
  FunctionAdd("get_function_address", F_GetFunctionAddress, 1);
}
