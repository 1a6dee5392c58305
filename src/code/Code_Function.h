// The built-in function table and the calling convention of its routines.
// A function id names what a call reaches: 0 .. 99999 a built-in function
// (its position in the table), 100000 + i script i, 500000 + i extension
// function i.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "code/Variable_Class.h"

class CInstance;

constexpr int32_t kFunctionScriptBase = 100000;
constexpr int32_t kFunctionExtensionBase = 500000;
constexpr int kMaxCallArguments = 16;
constexpr size_t kMaxFunctionName = 64;
// FunctionArgCount's answer for an id outside the table.
constexpr int32_t kArgCountInvalid = -100;

// A built-in routine: self, other, the argument count, the 16 argument values
// (the first argc are the arguments, the rest real 0; read them, never change
// them: the array is reused) and the result, which starts as real 0. A routine
// never fails its caller: it checks its own arguments, reports its own errors.
using TRoutine = void (*)(CInstance *self, CInstance *other, int argc, RValue *args, RValue &result);

// The direct form of a routine that only reads: it gets the addresses of
// its arguments where they stand (exactly its count of them, at most
// kMaxDirectArguments), so a call whose arguments are constants, locals or
// argument slots hands them over without copying them anywhere. It must not
// run code, change any variable or keep the addresses; otherwise it is the
// routine (the result starts as real 0).
constexpr int kMaxDirectArguments = 4;
using TDirectRoutine = void (*)(CInstance *self, CInstance *other, const RValue *const *args, RValue &result);

// The arguments of a direct routine as a routine's body reads them:
// args[i] is the i-th value. A body written once for `const A &args` serves
// both forms.
struct RArgsInPlace {
  const RValue *const *at;
  const RValue &operator[](int i) const { return *at[i]; }
};

// A routine that only reads, written once as a struct F whose
// `template <class A> static void Run(const A &args, RValue &result)` reads
// args[i]: the routine, and its direct form.
template <class F>
void ReaderRoutine(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  F::Run(args, result);
}
template <class F>
void ReaderDirect(CInstance *, CInstance *, const RValue *const *args, RValue &result) {
  F::Run(RArgsInPlace{args}, result);
}

struct RFunction {
  std::string f_name;         // at most 64 characters
  TRoutine f_routine = nullptr;
  int32_t f_argnumb = 0;      // required count, or -1 for any count 0 .. 16
  TDirectRoutine f_direct = nullptr;  // for a fixed count up to kMaxDirectArguments, or null
};

// Appends an entry (the name cut to 64 characters); answers its id. A name
// registered twice is found at its first entry. A direct form is kept only
// for a fixed count of at most kMaxDirectArguments.
int32_t FunctionAdd(std::string_view name, TRoutine routine, int32_t argnumb, TDirectRoutine direct = nullptr);
// A reader F (see ReaderRoutine) with its direct form.
template <class F>
int32_t FunctionAddReader(std::string_view name, int32_t argnumb) {
  return FunctionAdd(name, ReaderRoutine<F>, argnumb, ReaderDirect<F>);
}
// Scripts first (100000 + index), then extension functions (500000 + id),
// then the built-in table. -1 when the name names nothing.
int32_t FunctionFind(std::string_view name);
// 500000 and above: the extension function's count; 100000 .. 499999: -1;
// a built-in id outside the table: -100; otherwise f_argnumb.
int32_t FunctionArgCount(int32_t id);

int32_t FunctionCount();
// Every call of a built-in function asks for its entry, so the lookup is a
// bounds check and an offset.
namespace function_table {
extern const RFunction *g_entries;  // the table's entries (moved as it grows)
extern int32_t g_count;
}  // namespace function_table
inline const RFunction *FunctionEntry(int32_t id) {  // built-in ids only; null outside
  return static_cast<uint32_t>(id) < static_cast<uint32_t>(function_table::g_count) ? function_table::g_entries + id
                                                                                   : nullptr;
}
// The built-in routine behind an id below 100000; null outside the table.
inline TRoutine FunctionRoutine(int32_t id) {
  return static_cast<uint32_t>(id) < static_cast<uint32_t>(function_table::g_count)
             ? function_table::g_entries[id].f_routine
             : nullptr;
}

// Extension functions are looked up through the extension packages, which
// install these: find answers the function's id or -1; argcount its count.
using TExtensionFind = int32_t (*)(std::string_view name);
using TExtensionArgCount = int32_t (*)(int32_t id);
void FunctionSetExtensionHooks(TExtensionFind find, TExtensionArgCount argCount);

// Empties the table (tests only; ids are handed out again from 0).
void FunctionTableReset();
