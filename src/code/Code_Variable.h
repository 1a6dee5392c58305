// Variable access for the interpreter: the execution context of one code
// run, and reading and writing variables through the selectors of the
// language (locals, self, other, global, all, noone, objects and instance
// ids), built-in variables and argument slots included. Shared by the
// statement and expression evaluation (Code_Exec) and the all-real programs
// (Code_RealProgram); nothing outside the interpreter uses it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Code_World.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Class.h"
#include "code/Variable_Main.h"

namespace code_exec {

// The world code runs in (an empty one when none is set).
extern CWorld *s_world;
// The fixed index of argument0 (argument1..15 follow it).
extern int32_t s_argument0;
// The argument slots that may hold anything but a fresh real 0 (see
// Code_Exec.cpp).
extern uint32_t s_argDirty;
constexpr uint32_t kAllSlots = (1u << kMaxArguments) - 1;

// One local variable of an execution, at the place the compiler numbered
// for it; it exists from its first write on.
struct RLocalSlot {
  bool exists = false;
  RVariable var;
};

struct RExecContext {
  CInstance *self;
  CInstance *other;
  const CCode *code;
  // The numbered locals (code->i_locals), and a list for the rare local a
  // selector computed at run time names that the code never names itself.
  RLocalSlot *slots;
  std::unique_ptr<CVariableList> locals;
  // The variable lists of self and other, asked of the world once; an
  // instance keeps its list for as long as it exists.
  CVariableList *selfVars = nullptr;
  CVariableList *otherVars = nullptr;

  CVariableList &SelfVars() {
    if (selfVars == nullptr) selfVars = &World().InstanceVars(self);
    return *selfVars;
  }
  CVariableList &OtherVars() {
    if (otherVars == nullptr) otherVars = &World().InstanceVars(other);
    return *otherVars;
  }
  static CWorld &World() { return *s_world; }
};

inline void SetRealZero(RValue &v) {
  v.kind = RValue::kReal;
  v.val = 0.0;
}

// Records the located error of the running code and answers kCodeError.
[[gnu::cold, gnu::noinline]] int Fail(const RExecContext &ctx, int32_t position, std::string_view message);

inline bool ReadReal(const RValue *v, double &out) {
  if (v == nullptr || v->kind != RValue::kReal) return false;
  out = v->val;
  return true;
}

// An operand of an all-real program that is read in place: a constant, a
// local or an argument slot (kOperandConst, kOperandLocal, any other kind
// counts as kOperandArgument); false when it is not a real.
[[gnu::always_inline]] inline bool PlainOperandValue(RExecContext &ctx, int kind, int32_t index, double constant,
                                                     double &out) {
  if (kind == kOperandLocal) {
    const RLocalSlot &place = ctx.slots[index];
    if (!place.exists || place.var.simplevalue.kind != RValue::kReal) return false;
    out = place.var.simplevalue.val;
  } else if (kind == kOperandConst) {
    out = constant;
  } else {
    const RValue &v = g_ScriptCall.argument[index];
    if (v.kind != RValue::kReal) return false;
    out = v.val;
  }
  return true;
}

// A real result in place of whatever the value held, its text included.
inline void SetRealValue(RValue &v, double d) {
  v.kind = RValue::kReal;
  v.val = d;
  if (!v.str.empty()) [[unlikely]]
    v.str = RString();
}

inline bool RealIndex(double x, int32_t &index) {
  const int64_t i = RoundToInt64(x);
  if (i < 0 || i >= kArrayDim) return false;
  index = static_cast<int32_t>(i);
  return true;
}

// ---- reading and writing -------------------------------------------------------

inline bool ReadBuiltin(CInstance *inst, int32_t ind, int32_t arr, RValue &out) {
  const auto slot = static_cast<uint32_t>(ind - s_argument0);
  if (slot < kMaxArguments) {
    out = g_ScriptCall.argument[slot];
    return true;
  }
  const RBuiltinVariable *e = BuiltinEntry(ind);
  if (e == nullptr || e->getter == nullptr) return false;
  return e->getter(inst, arr, out);
}

inline bool ReadInstance(CInstance *inst, int32_t ind, int32_t arr, RValue &out) {
  if (ind >= kUserVariableBase) return s_world->InstanceVars(inst).GetVar(ind, arr, out);
  return ReadBuiltin(inst, ind, arr, out);
}

bool WriteInstance(CInstance *inst, int32_t ind, int32_t arr, const RValue &v);
// The first unmarked instance of the room (-3) or of an object (0..99999).
CInstance *FirstInstance(int32_t sel);
// The instance of an id, unless it is marked for deletion.
CInstance *LiveInstance(int32_t id);
[[gnu::cold, gnu::noinline]] int UnknownVariable(const RExecContext &ctx, int32_t position, int32_t ind,
                                                 int32_t arr);

// The place of a local: the node's numbered slot, else (a selector computed
// at run time) the slot the code numbered for the index; null when none.
inline RLocalSlot *LocalPlace(RExecContext &ctx, int32_t slot, int32_t ind) {
  if (slot >= 0) return &ctx.slots[slot];
  const std::vector<int32_t> &locals = ctx.code->i_locals;
  for (size_t i = 0; i < locals.size(); ++i)
    if (locals[i] == ind) return &ctx.slots[i];
  return nullptr;
}

// An existing cell of a local, or null.
inline const RValue *LocalCell(RExecContext &ctx, int32_t slot, int32_t ind, int32_t arr) {
  if (const RLocalSlot *place = LocalPlace(ctx, slot, ind)) return place->exists ? VariableCell(place->var, arr) : nullptr;
  return ctx.locals != nullptr ? ctx.locals->Cell(ind, arr) : nullptr;
}

// Stores a copy of the value in a local's cell, creating the local (simple
// value real 0), its rows and cells as needed.
void LocalSet(RExecContext &ctx, int32_t slot, int32_t ind, int32_t arr, const RValue &v);
// Reads a variable through a selector; a missing one is real 0 under
// opt_uninitzero, else an error.
int ReadVariable(RExecContext &ctx, int32_t sel, int32_t ind, int32_t arr, RValue &out, int32_t position,
                 int32_t slot);
// Writes to every unmarked instance of the room or of an object, as counted
// when the write starts; the success of the last write (true for none).
bool WriteGroup(int32_t sel, int32_t ind, int32_t arr, const RValue &v);
// Writes a variable through a selector; false when it cannot be assigned.
bool WriteVariable(RExecContext &ctx, int32_t sel, int32_t ind, int32_t arr, const RValue &v, int32_t slot);

// The variable list that holds a user variable for the selectors that name
// exactly one instance's or the global list; null for built-ins, locals and
// the other selectors.
[[gnu::always_inline]] inline CVariableList *ListFor(RExecContext &ctx, int32_t sel, int32_t ind) {
  if (ind < kUserVariableBase) return nullptr;
  switch (sel) {
    case SEL_UNSPECIFIED:
      return IsGlobalDeclared(ind) ? &GlobalVariables() : &ctx.SelfVars();
    case SEL_SELF: return &ctx.SelfVars();
    case SEL_OTHER: return &ctx.OtherVars();
    case SEL_GLOBAL: return &GlobalVariables();
    default: return nullptr;
  }
}

// An existing cell of a local or of a user variable in a single list, or
// null.
[[gnu::always_inline]] inline RValue *ExistingCell(RExecContext &ctx, int32_t sel, int32_t ind, int32_t arr, int32_t slot) {
  if (sel == SEL_LOCAL) return const_cast<RValue *>(LocalCell(ctx, slot, ind, arr));
  CVariableList *list = ListFor(ctx, sel, ind);
  return list != nullptr ? const_cast<RValue *>(list->Cell(ind, arr)) : nullptr;
}

// The value of a constant, of an argument slot or of an existing simple
// variable, in place; null when the node needs a full evaluation. The
// pointer is only good until the next change of any variable. kNear keeps
// to constants, locals and argument slots: the part that calls out for
// nothing.
template <bool kNear = false>
[[gnu::always_inline]] inline const RValue *Peek(RExecContext &ctx, const RToken &n) {
  if (n.kind == NODE_CONSTANT) return &n.value;
  if (n.kind != NODE_VARIABLE_SIMPLE) return nullptr;
  const int32_t sel = n.ind2;
  if (sel == SEL_LOCAL) {
    const RLocalSlot &place = ctx.slots[n.slot];
    return place.exists ? &place.var.simplevalue : nullptr;
  }
  if (sel != SEL_UNSPECIFIED && sel != SEL_SELF && sel != SEL_OTHER && (kNear || sel != SEL_GLOBAL)) return nullptr;
  if (sel != SEL_GLOBAL) {
    const auto slot = static_cast<uint32_t>(n.ind - s_argument0);
    if (slot < kMaxArguments) return &g_ScriptCall.argument[slot];
  }
  if constexpr (kNear) {
    return nullptr;
  } else {
    return ExistingCell(ctx, sel, n.ind, 0, -1);
  }
}

}  // namespace code_exec
