#include "code/Code_Variable.h"

#include "code/Code_Error.h"
#include "base/Option_Main.h"

namespace code_exec {

[[gnu::cold, gnu::noinline]] int Fail(const RExecContext &ctx, int32_t position, std::string_view message) {
  ReportCodeError(ctx.code->GetText(), ctx.code->IsProgram(), position, message);
  return kCodeError;
}

bool WriteInstance(CInstance *inst, int32_t ind, int32_t arr, const RValue &v) {
  if (ind >= kUserVariableBase) {
    s_world->InstanceVars(inst).SetVar(ind, arr, v);
    return true;
  }
  const auto slot = static_cast<uint32_t>(ind - s_argument0);
  if (slot < kMaxArguments) {
    g_ScriptCall.argument[slot] = v;
    s_argDirty |= 1u << slot;
    return true;
  }
  const RBuiltinVariable *e = BuiltinEntry(ind);
  if (e == nullptr || !e->writable || e->setter == nullptr) return false;
  // A refused value (room_speed = 0) has been reported by the setter; the
  // assignment itself went through. argument[i] lands in some slot.
  e->setter(inst, arr, v);
  if (ind == builtin::Argument()) s_argDirty = kAllSlots;
  return true;
}

CInstance *FirstInstance(int32_t sel) {
  if (sel == SEL_ALL) {
    const int n = s_world->InstanceCount();
    for (int i = 0; i < n; ++i) {
      CInstance *inst = s_world->InstanceAt(i);
      if (inst != nullptr && !s_world->IsMarked(inst)) return inst;
    }
    return nullptr;
  }
  const int n = s_world->ObjectInstanceCount(sel);
  for (int i = 0; i < n; ++i) {
    CInstance *inst = s_world->ObjectInstanceAt(sel, i);
    if (inst != nullptr && !s_world->IsMarked(inst)) return inst;
  }
  return nullptr;
}

CInstance *LiveInstance(int32_t id) {
  CInstance *inst = s_world->FindInstance(id);
  return inst != nullptr && !s_world->IsMarked(inst) ? inst : nullptr;
}

[[gnu::cold, gnu::noinline]] int UnknownVariable(const RExecContext &ctx, int32_t position, int32_t ind,
                                                 int32_t arr) {
  std::string message = "Unknown variable " + VariableName(ind);
  if (arr != 0) message += " or array index out of bounds";
  return Fail(ctx, position, message);
}

void LocalSet(RExecContext &ctx, int32_t slot, int32_t ind, int32_t arr, const RValue &v) {
  if (RLocalSlot *place = LocalPlace(ctx, slot, ind)) {
    // Copy first: the value may be a cell of this very local.
    RValue copy = v;
    place->exists = true;
    VariableCellRef(place->var, arr) = std::move(copy);
    return;
  }
  if (ctx.locals == nullptr) ctx.locals = std::make_unique<CVariableList>();
  ctx.locals->SetVar(ind, arr, v);
}

int ReadVariable(RExecContext &ctx, int32_t sel, int32_t ind, int32_t arr, RValue &out, int32_t position,
                 int32_t slot) {
  bool found = false;
  switch (sel) {
    case SEL_LOCAL:
      if (const RValue *cell = LocalCell(ctx, slot, ind, arr)) {
        out = *cell;
        found = true;
      }
      break;
    case SEL_UNSPECIFIED:
      found = IsGlobalDeclared(ind) ? GlobalGet(ind, arr, out) : ReadInstance(ctx.self, ind, arr, out);
      break;
    case SEL_SELF: found = ReadInstance(ctx.self, ind, arr, out); break;
    case SEL_OTHER: found = ReadInstance(ctx.other, ind, arr, out); break;
    case SEL_GLOBAL: found = GlobalGet(ind, arr, out); break;
    case SEL_NOONE: break;
    case SEL_ALL: {
      CInstance *inst = FirstInstance(SEL_ALL);
      found = inst != nullptr && ReadInstance(inst, ind, arr, out);
      break;
    }
    default:
      if (sel >= 100000) {
        CInstance *inst = LiveInstance(sel);
        found = inst != nullptr && ReadInstance(inst, ind, arr, out);
      } else if (sel >= 0) {
        CInstance *inst = FirstInstance(sel);
        found = inst != nullptr && ReadInstance(inst, ind, arr, out);
      }
      break;
  }
  if (found) [[likely]]
    return kCodeNormal;
  if (g_Settings.opt_uninitzero) {
    out.kind = RValue::kReal;
    out.val = 0.0;
    return kCodeNormal;
  }
  return UnknownVariable(ctx, position, ind, arr);
}

bool WriteGroup(int32_t sel, int32_t ind, int32_t arr, const RValue &v) {
  bool ok = true;
  if (sel == SEL_ALL) {
    const int n = s_world->InstanceCount();
    for (int i = 0; i < n; ++i) {
      CInstance *inst = s_world->InstanceAt(i);
      if (inst != nullptr && !s_world->IsMarked(inst)) ok = WriteInstance(inst, ind, arr, v);
    }
  } else {
    const int n = s_world->ObjectInstanceCount(sel);
    for (int i = 0; i < n; ++i) {
      CInstance *inst = s_world->ObjectInstanceAt(sel, i);
      if (inst != nullptr && !s_world->IsMarked(inst)) ok = WriteInstance(inst, ind, arr, v);
    }
  }
  return ok;
}

bool WriteVariable(RExecContext &ctx, int32_t sel, int32_t ind, int32_t arr, const RValue &v, int32_t slot) {
  switch (sel) {
    case SEL_LOCAL: LocalSet(ctx, slot, ind, arr, v); return true;
    case SEL_UNSPECIFIED:
      if (IsGlobalDeclared(ind)) {
        GlobalSet(ind, arr, v);
        return true;
      }
      return WriteInstance(ctx.self, ind, arr, v);
    case SEL_SELF: return WriteInstance(ctx.self, ind, arr, v);
    case SEL_OTHER: return WriteInstance(ctx.other, ind, arr, v);
    case SEL_GLOBAL: GlobalSet(ind, arr, v); return true;
    case SEL_NOONE: return false;
    case SEL_ALL: return WriteGroup(SEL_ALL, ind, arr, v);
    default:
      if (sel >= 100000) {
        CInstance *inst = LiveInstance(sel);
        return inst == nullptr || WriteInstance(inst, ind, arr, v);
      }
      if (sel >= 0) return WriteGroup(sel, ind, arr, v);
      return false;
  }
}

}  // namespace code_exec
