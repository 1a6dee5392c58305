// The tree-walking interpreter. Statements answer a completion code,
// expressions fill an RValue. Names were resolved to indices by the
// compiler, so nothing here looks a name up; the common paths do not
// allocate (argument slots live on the C++ stack, locals live in the places
// the compiler numbered, one array per execution that has any, script names
// reuse a per-depth buffer). Pure subtrees are tried on plain reals first.
//
// Arithmetic traps (EMathTrap from the operators or the rounding helpers)
// are not caught here: they abandon the running code up to the main loop or
// the start sequence. Every piece of process-wide state the interpreter
// changes on the way (argument slots, argument count, script name, nesting
// depth) is put back by destructors, so an abandoned run leaves it as it was.
#include "code/Code_Exec.h"


#include <algorithm>
#include <bit>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "code/Code_Error.h"
#include "platform/Platform_Process.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Code_RealProgram.h"
#include "code/Code_Variable.h"
#include "code/Code_World.h"
#include "code/Script_Main.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "base/Option_Main.h"
#include "base/Support_Wiring.h"

// ---- the world ---------------------------------------------------------------

namespace {

// No room: no instances, every lookup fails.
class CEmptyWorld final : public CWorld {
public:
  int InstanceCount() override { return 0; }
  CInstance *InstanceAt(int) override { return nullptr; }
  int ObjectInstanceCount(int) override { return 0; }
  CInstance *ObjectInstanceAt(int, int) override { return nullptr; }
  CInstance *FindInstance(int) override { return nullptr; }
  bool IsMarked(CInstance *) override { return true; }
  CVariableList &InstanceVars(CInstance *) override { return m_vars; }
  int InstanceId(CInstance *) override { return -4; }
  int InstanceObject(CInstance *) override { return -1; }

private:
  CVariableList m_vars;
};

CEmptyWorld s_emptyWorld;

}  // namespace

namespace code_exec {
CWorld *s_world = &s_emptyWorld;
}  // namespace code_exec

using namespace code_exec;

CWorld *World() { return s_world == &s_emptyWorld ? nullptr : s_world; }
void SetWorld(CWorld *world) { s_world = world ? world : &s_emptyWorld; }

// ---- limits and interpreter state -------------------------------------------

namespace {

constexpr int64_t kNoBudget = std::numeric_limits<int64_t>::max();

int64_t s_stepsLeft = kNoBudget;   // counts down per statement and call
volatile std::sig_atomic_t s_stopRequested = 0;
constexpr const char *kStoppedMessage = "The game was asked to end.";
bool s_budgeted = false;
int s_codeDepth = 0;                // nested code executions
int s_callDepth = 0;                // nested script calls
uintptr_t s_stackLimit = 0;         // lowest frame address we let code reach
TExtensionCall s_extensionCall = nullptr;

// Below this address the thread's stack is too short for another level of
// code plus whatever a built-in routine or the error reporter needs.
uintptr_t ThreadStackLimit() {
  thread_local uintptr_t limit = 0;
  if (limit != 0) return limit;
  const auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  uintptr_t low = 0;
  size_t size = 0;
  if (ThreadStackBounds(low, size)) {
    const size_t margin = std::clamp<size_t>(size / 4, 256 * 1024, size / 2);
    limit = low + margin;
  }
  // Bounds unknown: allow half a megabyte below the first code run. A limit
  // above the current frame means the stack is already nearly full; code
  // then fails at once with the recursion message instead of overflowing.
  if (limit == 0) limit = here > (1u << 19) ? here - (1u << 19) : 1;
  return limit;
}

inline bool StackLow() { return reinterpret_cast<uintptr_t>(__builtin_frame_address(0)) < s_stackLimit; }

}  // namespace

namespace code_exec {

// The fixed indices of argument0 (argument1..15 follow it).
int32_t s_argument0 = -1000;

// The argument slots that may hold anything but a fresh real 0, as a bit
// set: a clear bit promises a fresh zero. Every write to a slot made while
// code runs comes through here (the argument variables, execute_string,
// script calls, the variable_* functions). Writes made between runs are
// not, so the outermost code run starts with every bit set, and a script
// call that finds every bit set (or comes from outside any run) takes a
// fresh look at all 16 slots first. Code that calls no script (most event
// code) never looks; script calls exchange only the slots that matter
// instead of scanning all 16 twice per call.
uint32_t s_argDirty = 0xFFFFu;

}  // namespace code_exec

namespace {

// A value is a kind, a real and one text pointer; exchanging the bytes
// exchanges the values without touching reference counts.
inline void SwapValues(RValue &a, RValue &b) noexcept {
  static_assert(sizeof(RString) == sizeof(void *), "a text is one pointer");
  alignas(RValue) unsigned char tmp[sizeof(RValue)];
  std::memcpy(tmp, static_cast<void *>(&a), sizeof(RValue));
  std::memcpy(static_cast<void *>(&a), static_cast<void *>(&b), sizeof(RValue));
  std::memcpy(static_cast<void *>(&b), tmp, sizeof(RValue));
}

// Exactly a fresh value: real +0 without text.
inline bool IsZero(const RValue &v) noexcept {
  uint64_t text;
  std::memcpy(&text, static_cast<const void *>(&v.str), sizeof text);
  return (static_cast<uint64_t>(static_cast<uint32_t>(v.kind)) | std::bit_cast<uint64_t>(v.val) | text) == 0;
}

// Looks at every slot. Between runs the slots are nearly always all fresh
// zeros, and one pass over their bytes settles that (padding that is not
// zero only sends it the long way).
uint32_t NonZeroSlots() noexcept {
  const RValue *global = g_ScriptCall.argument;
  uint64_t any = 0;
  for (size_t at = 0; at < sizeof(RValue) * kMaxArguments; at += sizeof any) {
    uint64_t word;
    std::memcpy(&word, reinterpret_cast<const unsigned char *>(global) + at, sizeof word);
    any |= word;
  }
  if (any == 0) return 0;
  uint32_t mask = 0;
  for (int i = 0; i < kMaxArguments; ++i) mask |= static_cast<uint32_t>(!IsZero(global[i])) << i;
  return mask;
}

// Script names per call depth: the running name is swapped with the buffer
// of its depth, so steady recursion never allocates for names.
std::vector<std::string> s_namePool;
// The list entry whose text g_ScriptCall.scriptName holds, if any.
const std::string *s_runningName = nullptr;

// The 16 argument values of one call live in a block taken from a stack of
// free blocks; the calls being set up at any moment hold one block each. A
// free block holds fresh zeros only (see IsZero), so a call writes just the
// slots of its arguments and afterwards resets just the slots that were
// written: no call zeroes or inspects all 16. A built-in routine sees the
// whole block (the slots past its arguments read real 0) and leaves it as
// it received it. Blocks never move once made.
struct RArgumentBlock {
  RValue slots[kMaxArguments];
  RArgumentBlock *next = nullptr;  // the next free block
};
std::vector<std::unique_ptr<RArgumentBlock>> s_argBlocks;  // every block made
RArgumentBlock *s_freeArgBlocks = nullptr;

[[gnu::cold, gnu::noinline]] RArgumentBlock *NewArgumentBlock() {
  s_argBlocks.push_back(std::make_unique<RArgumentBlock>());
  return s_argBlocks.back().get();
}

// Back to a fresh zero, letting go of any text.
inline void ResetSlot(RValue &v) noexcept { SetRealValue(v, 0.0); }

class CCallArguments {
public:
  CCallArguments() {
    RArgumentBlock *block = s_freeArgBlocks;
    if (block == nullptr) [[unlikely]]
      block = NewArgumentBlock();
    s_freeArgBlocks = block->next;
    m_block = block;
  }
  ~CCallArguments() {
    uint32_t mask = m_written;
    while (mask != 0) {
      ResetSlot(m_block->slots[std::countr_zero(mask)]);
      mask &= mask - 1;
    }
    m_block->next = s_freeArgBlocks;
    s_freeArgBlocks = m_block;
  }
  CCallArguments(const CCallArguments &) = delete;
  CCallArguments &operator=(const CCallArguments &) = delete;

  RValue &Slot(int i) { return m_block->slots[i]; }
  RValue *All() { return m_block->slots; }
  // The slots of the bit set may hold something other than a fresh zero.
  void Written(uint32_t mask) { m_written |= mask; }
  // Slot i, still a fresh zero, becomes a copy of the value.
  void Put(int i, const RValue &v) { ::new (static_cast<void *>(&m_block->slots[i])) RValue(v); }

private:
  RArgumentBlock *m_block;
  uint32_t m_written = 0;
};

int Eval(RExecContext &ctx, const RToken &n, RValue &out);
inline bool EvalReal(RExecContext &ctx, const RToken &n, double &out);
int Exec(RExecContext &ctx, const RToken &n, RValue &res);
[[gnu::noinline]] int EvalScriptCall(RExecContext &ctx, const RToken &n, RValue &out);
// One array index: a real, rounded, 0 .. 31999.
int EvalIndex(RExecContext &ctx, const RToken &n, int32_t &index) {
  double x;
  if (!EvalReal(ctx, n, x)) {
    RValue v;
    if (Eval(ctx, n, v) != kCodeNormal) return kCodeError;
    if (!v.IsReal()) return Fail(ctx, n.position, "Wrong type of array index");
    x = v.val;
  }
  const int64_t i = RoundToInt64(x);
  if (i < 0) return Fail(ctx, n.position, "Negative array index");
  if (i >= kArrayDim) return Fail(ctx, n.position, "Array index >= 32000");
  index = static_cast<int32_t>(i);
  return kCodeNormal;
}

struct RTarget {
  int32_t sel;
  int32_t arr;
};

// The selector and combined index of a variable node (kind 7 or 8).
int ResolveTarget(RExecContext &ctx, const RToken &n, RTarget &t) {
  t.arr = 0;
  if (n.kind == NODE_VARIABLE_SIMPLE) {
    t.sel = n.ind2;
    return kCodeNormal;
  }
  const RToken &inst = n.Child(0);
  if (inst.kind == NODE_CONSTANT && inst.value.IsReal()) {
    t.sel = RoundToInt32(inst.value.val);
  } else {
    RValue v;
    if (Eval(ctx, inst, v) != kCodeNormal) return kCodeError;
    if (!v.IsReal()) return Fail(ctx, inst.position, "Wrong type of variable index");
    t.sel = RoundToInt32(v.val);
  }
  if (n.itemnumb > 1) {
    int32_t i = 0;
    if (EvalIndex(ctx, n.Child(1), i) != kCodeNormal) return kCodeError;
    t.arr = i;
    if (n.itemnumb > 2) {
      int32_t j = 0;
      if (EvalIndex(ctx, n.Child(2), j) != kCodeNormal) return kCodeError;
      t.arr = i * kArrayDim + j;
    }
  }
  return kCodeNormal;
}

// ---- expressions -------------------------------------------------------------

[[gnu::cold, gnu::noinline]] int Interrupted(RExecContext &ctx, const RToken &n) {
  if (s_stopRequested) {
    s_stopRequested = 0;
    // The game is ending: what this failure would report is not shown.
    ErrorStartAborting();
    s_stepsLeft = s_budgeted ? 0 : kNoBudget;
    return Fail(ctx, n.position, kStoppedMessage);
  }
  if (s_stepsLeft <= 0) {
    if (!s_budgeted) {
      s_stepsLeft = kNoBudget;
    } else {
      s_stepsLeft = 0;  // stays exhausted until a new budget is set
      return Fail(ctx, n.position, kStepBudgetMessage);
    }
  }
  return kCodeNormal;
}

// Statements only count steps: their nesting within one code unit is
// bounded by the compiler, and the stack is checked where recursion is not
// (script calls and code runs), with room to spare for that bounded nesting.
inline bool NeedsInterrupt() { return --s_stepsLeft <= 0; }

inline bool EvalRealProgram(RExecContext &ctx, int32_t at, double &out) {
  const RRealOp *p = ctx.code->i_reals.data() + at;
  if (p->run == kRunPlain || p->run == kRunReads) {
    if (EvalRealProgramPlain(ctx, p, out)) return true;
  } else if (p->run == kRunArrayCell) {
    if (ReadArrayCell(ctx, *p, out)) return true;
  }
  return EvalRealProgramFull(ctx, p, out);
}

// The value of a pure subtree as a real: its program, or the constant or
// variable it is; false when that is not a real at hand.
[[gnu::always_inline]] inline bool EvalReal(RExecContext &ctx, const RToken &n, double &out) {
  if (n.kind == NODE_CONSTANT) return ReadReal(&n.value, out);
  if (n.real >= 0) return EvalRealProgram(ctx, n.real, out);
  if (n.kind == NODE_VARIABLE_SIMPLE) return ReadReal(Peek(ctx, n), out);
  return false;
}

// An argument's program. A sum or difference of a value at hand and a
// constant (n - 1 for a recursive call) runs in line; it reads nothing but
// locals, arguments and constants, so when it gives up the usual way may
// run it again.
[[gnu::always_inline]] inline bool EvalArgumentProgram(RExecContext &ctx, int32_t at, double &out) {
  const RRealOp *p = ctx.code->i_reals.data() + at;
  if (p->run == kRunPlain && p[1].op == kRealEnd && (p->op == kRealAdd || p->op == kRealSub) &&
      p->rkind == kOperandConst && p->lkind != kOperandStack) {
    double a;
    if (PlainOperandValue(ctx, p->lkind, p->l, p->ld, a)) {
      const double b = p->rd;
      out = CheckArith(p->op == kRealAdd ? a + b : a - b, a, b);
      return true;
    }
  }
  return EvalRealProgram(ctx, at, out);
}

// A call's arguments, in order, into its slots.
[[gnu::always_inline]] inline int EvalArguments(RExecContext &ctx, const RToken &n, CCallArguments &args, int argc) {
  args.Written((1u << argc) - 1);
  for (int i = 0; i < argc; ++i) {
    const RToken &arg = n.Child(i);
    if (const RValue *v = Peek(ctx, arg)) {
      args.Put(i, *v);  // a constant or variable at hand
      continue;
    }
    RValue &slot = args.Slot(i);
    if (arg.real >= 0 && EvalArgumentProgram(ctx, arg.real, slot.val)) continue;  // a real computed in place
    if (Eval(ctx, arg, slot) != kCodeNormal) return kCodeError;
  }
  return kCodeNormal;
}

[[gnu::cold, gnu::noinline]] int CallExtension(RExecContext &ctx, const RToken &n, CCallArguments &args, int argc,
                                               RValue &out) {
  if (s_extensionCall == nullptr) return Fail(ctx, n.position, "Unknown extension function.");
  // The extension machinery is free to use all 16 slots.
  args.Written(kAllSlots);
  return s_extensionCall(n.ind - kFunctionExtensionBase, ctx.self, ctx.other, argc, args.All(), out) ? kCodeNormal
                                                                                                    : kCodeError;
}

// A routine's direct form with the arguments where they stand (constants,
// argument slots, existing simple variables: the routine changes none of
// them): false when the routine has none, or some argument is no value at
// hand (or is the very value the answer goes to).
[[gnu::always_inline]] inline bool CallDirect(RExecContext &ctx, const RToken &n, const RFunction &f, RValue &out) {
  if (f.f_direct == nullptr || n.itemnumb != f.f_argnumb) return false;
  const RValue *in[kMaxDirectArguments];
  for (int i = 0; i < n.itemnumb; ++i) {
    const RValue *v = Peek(ctx, n.Child(i));
    if (v == nullptr || v == &out) return false;
    in[i] = v;
  }
  SetRealValue(out, 0.0);
  f.f_direct(ctx.self, ctx.other, in, out);
  return true;
}

// A built-in routine or an extension function.
[[gnu::always_inline]] inline int CallRoutine(RExecContext &ctx, const RToken &n, RValue &out) {
  if (NeedsInterrupt()) [[unlikely]] {
    if (Interrupted(ctx, n) != kCodeNormal) return kCodeError;
  }
  // The slots' way below looks the entry up again after the arguments,
  // which may run code.
  if (const RFunction *f = FunctionEntry(n.ind); f != nullptr && CallDirect(ctx, n, *f, out)) return kCodeNormal;
  CCallArguments args;
  const int argc = std::min<int>(n.itemnumb, kMaxCallArguments);
  if (EvalArguments(ctx, n, args, argc) != kCodeNormal) return kCodeError;
  // A fresh real 0, without the text of whatever the value held before.
  SetRealValue(out, 0.0);
  const int32_t id = n.ind;
  if (id >= kFunctionExtensionBase) return CallExtension(ctx, n, args, argc, out);
  TRoutine routine = FunctionRoutine(id);
  if (routine == nullptr) return Fail(ctx, n.position, "Internal Error: Unknown function.");
  routine(ctx.self, ctx.other, argc, args.All(), out);
  return kCodeNormal;
}

[[gnu::noinline]] int EvalRoutineCall(RExecContext &ctx, const RToken &n, RValue &out) {
  return CallRoutine(ctx, n, out);
}

[[gnu::always_inline]] inline int EvalCall(RExecContext &ctx, const RToken &n, RValue &out) {
  if (n.ind >= kFunctionScriptBase && n.ind < kFunctionExtensionBase) return EvalScriptCall(ctx, n, out);
  return EvalRoutineCall(ctx, n, out);
}

// Variables, arrays and operators: kept out of Eval so that its frame stays
// small for the constants, calls and operands it mostly handles.
[[gnu::noinline]] int EvalVariable(RExecContext &ctx, const RToken &n, RValue &out) {
  if (n.kind == NODE_VARIABLE_SIMPLE) {
    if (const RValue *cell = Peek(ctx, n)) {
      out = *cell;
      return kCodeNormal;
    }
    return ReadVariable(ctx, n.ind2, n.ind, 0, out, n.position, n.slot);
  }
  RTarget t;
  if (ResolveTarget(ctx, n, t) != kCodeNormal) return kCodeError;
  if (const RValue *cell = ExistingCell(ctx, t.sel, n.ind, t.arr, n.slot)) {
    out = *cell;
    return kCodeNormal;
  }
  return ReadVariable(ctx, t.sel, n.ind, t.arr, out, n.position, n.slot);
}

// Applies a binary node's operator to the value of its left operand (in
// out) and its right operand.
inline int ApplyRight(RExecContext &ctx, const RToken &n, RValue &out) {
  const RToken &right = n.Child(1);
  const char *message;
  if (const RValue *at = Peek(ctx, right)) {
    if (RealFastOperation(n.ind, out, *at)) return kCodeNormal;
    message = BinaryOperation(n.ind, out, *at);
  } else {
    RValue r;
    if (Eval(ctx, right, r) != kCodeNormal) return kCodeError;
    if (RealFastOperation(n.ind, out, r)) return kCodeNormal;
    message = BinaryOperation(n.ind, out, r);
  }
  if (message != nullptr) [[unlikely]]
    return Fail(ctx, right.position, message);
  return kCodeNormal;
}

// A binary node whose left operand is a binary node too: the chain down
// the left side is evaluated in a loop, exactly as the recursion through
// Eval would (each node's program tried on the way down, then the leftmost
// operand, then the right operands upwards), so that a chain of any length
// needs no deeper stack.
[[gnu::noinline]] int EvalChain(RExecContext &ctx, const RToken &top, RValue &out) {
  constexpr size_t kInline = 32;
  const RToken *inlineNodes[kInline];
  std::vector<const RToken *> moreNodes;
  size_t count = 0;
  auto push = [&](const RToken *node) {
    if (count < kInline) {
      inlineNodes[count] = node;
    } else {
      if (count == kInline) moreNodes.assign(inlineNodes, inlineNodes + kInline);
      moreNodes.push_back(node);
    }
    ++count;
  };
  auto at = [&](size_t i) { return count <= kInline ? inlineNodes[i] : moreNodes[i]; };

  push(&top);
  bool haveLeft = false;
  for (;;) {
    const RToken &left = at(count - 1)->Child(0);
    if (left.kind != NODE_BINARY) break;
    if (left.real >= 0) {
      double d;
      if (EvalReal(ctx, left, d)) {
        SetRealValue(out, d);
        haveLeft = true;
        break;
      }
    }
    push(&left);
  }
  if (!haveLeft) {
    const RToken &left = at(count - 1)->Child(0);
    if (const RValue *l = Peek(ctx, left)) {
      out = *l;
    } else if (Eval(ctx, left, out) != kCodeNormal) {
      return kCodeError;
    }
  }
  for (size_t i = count; i-- > 0;)
    if (ApplyRight(ctx, *at(i), out) != kCodeNormal) return kCodeError;
  return kCodeNormal;
}

[[gnu::noinline]] int EvalOperator(RExecContext &ctx, const RToken &n, RValue &out) {
  if (n.real >= 0) {
    double d;
    if (EvalReal(ctx, n, d)) {
      SetRealValue(out, d);
      return kCodeNormal;
    }
  }
  if (n.kind == NODE_VARIABLE) return EvalVariable(ctx, n, out);
  if (n.kind == NODE_UNARY) {
    const RToken &operand = n.Child(0);
    if (Eval(ctx, operand, out) != kCodeNormal) return kCodeError;
    if (const char *message = UnaryOperation(n.ind, out)) return Fail(ctx, operand.position, message);
    return kCodeNormal;
  }
  const RToken &left = n.Child(0);
  if (left.kind == NODE_BINARY) return EvalChain(ctx, n, out);
  if (const RValue *l = Peek(ctx, left)) {
    out = *l;
  } else if (Eval(ctx, left, out) != kCodeNormal) {
    return kCodeError;
  }
  return ApplyRight(ctx, n, out);
}

int Eval(RExecContext &ctx, const RToken &n, RValue &out) {
  switch (n.kind) {
    case NODE_CONSTANT: out = n.value; return kCodeNormal;
    case NODE_VARIABLE_SIMPLE: return EvalVariable(ctx, n, out);
    case NODE_CALL: return EvalCall(ctx, n, out);
    case NODE_VARIABLE:
    case NODE_BINARY:
    case NODE_UNARY: return EvalOperator(ctx, n, out);
    default: return Fail(ctx, n.position, "(Sub-)expression expected.");
  }
}

// ---- statements --------------------------------------------------------------

int32_t CompoundOperator(int32_t assign) {
  switch (assign) {
    case SYM_ADD_ASSIGN: return op::kPlus;
    case SYM_SUB_ASSIGN: return op::kMinus;
    case SYM_MUL_ASSIGN: return op::kTimes;
    case SYM_DIV_ASSIGN: return op::kDivide;
    case SYM_OR_ASSIGN: return op::kBitOr;
    case SYM_AND_ASSIGN: return op::kBitAnd;
    case SYM_XOR_ASSIGN: return op::kBitXor;
    default: return 0;
  }
}

// b taken into a by a real compound assignment (+=, -= or *=).
[[gnu::always_inline]] inline double CompoundReal(int32_t assign, double a, double b) {
  return CheckArith(assign == SYM_ADD_ASSIGN ? a + b : assign == SYM_SUB_ASSIGN ? a - b : a * b, a, b);
}

// Reals into and onto a local, the bulk of loops: no value copied, no list
// searched. The source only reads, so looking at the local first changes
// nothing. False leaves the assignment to the general way.
[[gnu::always_inline]] inline bool QuickAssign(RExecContext &ctx, const RToken &n, RValue &res) {
  const RToken &target = n.Child(0);
  if (target.kind != NODE_VARIABLE_SIMPLE || target.ind2 != SEL_LOCAL) return false;
  const RToken &source = n.Child(1);
  RLocalSlot &place = ctx.slots[target.slot];
  RValue &cell = place.var.simplevalue;
  double b;
  if (n.ind == SYM_ASSIGN) {
    if (!EvalReal(ctx, source, b)) return false;
    place.exists = true;
    SetRealValue(cell, b);
    SetRealValue(res, b);
    return true;
  }
  if ((n.ind != SYM_ADD_ASSIGN && n.ind != SYM_SUB_ASSIGN && n.ind != SYM_MUL_ASSIGN) || !place.exists ||
      cell.kind != RValue::kReal || !EvalReal(ctx, source, b))
    return false;
  const double r = CompoundReal(n.ind, cell.val, b);
  cell.val = r;
  SetRealValue(res, r);
  return true;
}

// A compound assignment's target takes in the value: read, operate, write.
[[gnu::noinline]] int StoreCompound(RExecContext &ctx, const RToken &n, int32_t oper, RTarget t, const RValue &value,
                                    RValue &res) {
  const RToken &target = n.Child(0);
  if (RValue *cell = ExistingCell(ctx, t.sel, target.ind, t.arr, target.slot)) {
    // Read, operate and write back in place (nothing runs in between that
    // could move the cell); real +, - and * need no call at all.
    if (cell->kind == RValue::kReal && value.kind == RValue::kReal &&
        (oper == op::kPlus || oper == op::kMinus || oper == op::kTimes)) {
      const double a = cell->val, b = value.val;
      const double r = CheckArith(oper == op::kPlus ? a + b : oper == op::kMinus ? a - b : a * b, a, b);
      cell->val = r;
      SetRealValue(res, r);
      return kCodeNormal;
    }
    res = *cell;
    if (const char *message = BinaryOperation(oper, res, value)) return Fail(ctx, n.position, message);
    *cell = res;
    return kCodeNormal;
  }
  if (ReadVariable(ctx, t.sel, target.ind, t.arr, res, target.position, target.slot) != kCodeNormal)
    return kCodeError;
  if (const char *message = BinaryOperation(oper, res, value)) return Fail(ctx, n.position, message);
  if (!WriteVariable(ctx, t.sel, target.ind, t.arr, res, target.slot))
    return Fail(ctx, n.position, "Cannot assign to the variable");
  return kCodeNormal;
}

// Every assignment QuickAssign leaves.
int ExecAssignGeneral(RExecContext &ctx, const RToken &n, RValue &res) {
  const RToken &target = n.Child(0);
  const RToken &source = n.Child(1);
  RTarget t{target.ind2, 0};
  if (target.kind != NODE_VARIABLE_SIMPLE && ResolveTarget(ctx, target, t) != kCodeNormal) return kCodeError;
  if (n.ind == SYM_ASSIGN) {
    if (Eval(ctx, source, res) != kCodeNormal) return kCodeError;
    // The list is looked up after the value: evaluating it may declare
    // globals.
    if (t.sel == SEL_LOCAL) {
      LocalSet(ctx, target.slot, target.ind, t.arr, res);
      return kCodeNormal;
    }
    if (CVariableList *list = ListFor(ctx, t.sel, target.ind)) {
      list->SetVar(target.ind, t.arr, res);
      return kCodeNormal;
    }
    if (!WriteVariable(ctx, t.sel, target.ind, t.arr, res, target.slot))
      return Fail(ctx, n.position, "Cannot assign to the variable");
    return kCodeNormal;
  }
  const int32_t oper = CompoundOperator(n.ind);
  if (oper == 0) return Fail(ctx, n.position, "Assignment operator expected.");
  RValue v;
  const RValue *value;
  if (source.kind == NODE_CALL) {
    // `s += f(...)`: the call's result is the value.
    if (EvalCall(ctx, source, v) != kCodeNormal) return kCodeError;
    value = &v;
  } else if ((value = Peek(ctx, source)) == nullptr) {
    if (Eval(ctx, source, v) != kCodeNormal) return kCodeError;
    value = &v;
  }
  return StoreCompound(ctx, n, oper, t, *value, res);
}

// ---- writes to variables of a fixed owner ---------------------------------------

// The combined index of a target with index expressions, checked as
// ResolveTarget checks it; a target without them has index 0.
[[gnu::always_inline]] inline int TargetIndex(RExecContext &ctx, const RToken &target, int32_t &arr) {
  arr = 0;
  if (target.kind != NODE_VARIABLE) return kCodeNormal;
  int32_t i = 0;
  if (EvalIndex(ctx, target.Child(1), i) != kCodeNormal) return kCodeError;
  arr = i;
  if (target.itemnumb > 2) {
    int32_t j = 0;
    if (EvalIndex(ctx, target.Child(2), j) != kCodeNormal) return kCodeError;
    arr = i * kArrayDim + j;
  }
  return kCodeNormal;
}

// The list a user variable lives in for the selectors the compiler lets
// through (self, other, global, unspecified); asked after the value, as
// evaluating it may declare globals.
[[gnu::always_inline]] inline CVariableList &UserList(RExecContext &ctx, int32_t sel, int32_t ind) {
  if (sel == SEL_OTHER) return ctx.OtherVars();
  if (sel == SEL_GLOBAL || (sel == SEL_UNSPECIFIED && IsGlobalDeclared(ind))) return GlobalVariables();
  return ctx.SelfVars();
}

// The value of a compound assignment's source: the real already computed
// (`real`, `b`) put into `v`, or else the source evaluated as the general
// way evaluates it: a call into `v`, a value at hand in place, anything
// else into `v`. Null when the evaluation failed.
[[gnu::always_inline]] inline const RValue *CompoundSource(RExecContext &ctx, const RToken &source, bool real,
                                                           double b, RValue &v) {
  if (real) {
    SetRealValue(v, b);
    return &v;
  }
  if (source.kind == NODE_CALL) return EvalCall(ctx, source, v) == kCodeNormal ? &v : nullptr;
  if (const RValue *at = Peek(ctx, source)) return at;
  return Eval(ctx, source, v) == kCodeNormal ? &v : nullptr;
}

// `v = e`, `v[i] = e`, `v[i, j] += e` for a user variable of self, other or
// the globals: the indices, the value, then one write into the cell, with
// no reference built and no name or selector looked at again. A value that
// is a real at hand is computed in place; it only reads, so the list may be
// asked before it.
[[gnu::noinline]] int ExecAssignToUser(RExecContext &ctx, const RToken &n, RValue &res) {
  const RToken &target = n.Child(0);
  const RToken &source = n.Child(1);
  int32_t arr;
  if (TargetIndex(ctx, target, arr) != kCodeNormal) return kCodeError;
  const int32_t sel = n.ind2;
  const int32_t ind = target.ind;
  double b;
  const bool real = EvalReal(ctx, source, b);
  if (n.ind == SYM_ASSIGN) {
    if (real) {
      // Most writes land in a cell that exists; only a new one is made.
      CVariableList &list = UserList(ctx, sel, ind);
      RValue *cell = const_cast<RValue *>(list.Cell(ind, arr));
      SetRealValue(cell != nullptr ? *cell : list.CellRef(ind, arr), b);
      SetRealValue(res, b);
      return kCodeNormal;
    }
    if (Eval(ctx, source, res) != kCodeNormal) return kCodeError;
    UserList(ctx, sel, ind).SetVar(ind, arr, res);
    return kCodeNormal;
  }
  if (real && (n.ind == SYM_ADD_ASSIGN || n.ind == SYM_SUB_ASSIGN || n.ind == SYM_MUL_ASSIGN)) {
    if (RValue *cell = const_cast<RValue *>(UserList(ctx, sel, ind).Cell(ind, arr));
        cell != nullptr && cell->kind == RValue::kReal) {
      const double r = CompoundReal(n.ind, cell->val, b);
      cell->val = r;
      SetRealValue(res, r);
      return kCodeNormal;
    }
  }
  RValue v;
  const RValue *const value = CompoundSource(ctx, source, real, b, v);
  if (value == nullptr) return kCodeError;
  return StoreCompound(ctx, n, CompoundOperator(n.ind), RTarget{sel, arr}, *value, res);
}

// The general read of a built-in for a compound assignment: its getter, or
// real 0 or the unknown-variable error when it answers none.
int ReadBuiltinForUpdate(RExecContext &ctx, const RBuiltinVariable *e, CInstance *inst, const RToken &target,
                         int32_t arr, RValue &out) {
  if (e != nullptr && e->getter != nullptr && e->getter(inst, arr, out)) return kCodeNormal;
  if (g_Settings.opt_uninitzero) {
    SetRealZero(out);
    return kCodeNormal;
  }
  return UnknownVariable(ctx, target.position, target.ind, arr);
}

// `x = e`, `alarm[i] = e`, `speed += e` for a built-in of self or other: the
// indices, the value, then the entry's setter (and for a compound one its
// getter first), without the selector's dispatch. A read-only variable
// fails after the value as the general way fails.
[[gnu::noinline]] int ExecAssignToBuiltin(RExecContext &ctx, const RToken &n, RValue &res) {
  const RToken &target = n.Child(0);
  const RToken &source = n.Child(1);
  int32_t arr;
  if (TargetIndex(ctx, target, arr) != kCodeNormal) return kCodeError;
  CInstance *const inst = n.ind2 == SEL_OTHER ? ctx.other : ctx.self;
  const RBuiltinVariable *const e = BuiltinEntry(target.ind);
  const bool writable = e != nullptr && e->writable && e->setter != nullptr;
  double b;
  const bool real = EvalReal(ctx, source, b);
  if (n.ind == SYM_ASSIGN) {
    if (real) SetRealValue(res, b);
    else if (Eval(ctx, source, res) != kCodeNormal) return kCodeError;
    if (!writable) return Fail(ctx, n.position, "Cannot assign to the variable");
    e->setter(inst, arr, res);
    return kCodeNormal;
  }
  RValue v;
  const RValue *const value = CompoundSource(ctx, source, real, b, v);
  if (value == nullptr) return kCodeError;
  if (ReadBuiltinForUpdate(ctx, e, inst, target, arr, res) != kCodeNormal) return kCodeError;
  if (res.kind == RValue::kReal && value->kind == RValue::kReal &&
      (n.ind == SYM_ADD_ASSIGN || n.ind == SYM_SUB_ASSIGN || n.ind == SYM_MUL_ASSIGN)) {
    SetRealValue(res, CompoundReal(n.ind, res.val, value->val));
  } else if (const char *message = BinaryOperation(CompoundOperator(n.ind), res, *value)) {
    return Fail(ctx, n.position, message);
  }
  if (!writable) return Fail(ctx, n.position, "Cannot assign to the variable");
  e->setter(inst, arr, res);
  return kCodeNormal;
}

// A compound assignment of a routine's answer to a local that did not hold
// a real, or of an answer that is not one: the general way.
[[gnu::noinline]] int StoreAnswerGeneral(RExecContext &ctx, const RToken &n, RValue &res) {
  RValue answer;
  if (CallRoutine(ctx, n.Child(1), answer) != kCodeNormal) return kCodeError;
  return StoreCompound(ctx, n, CompoundOperator(n.ind), RTarget{SEL_LOCAL, 0}, answer, res);
}
[[gnu::noinline]] int StoreCompoundOfAnswer(RExecContext &ctx, const RToken &n, RValue &res) {
  const RValue answer = std::move(res);
  return StoreCompound(ctx, n, CompoundOperator(n.ind), RTarget{SEL_LOCAL, 0}, answer, res);
}

// `x = f(..)` or `x += f(..)` (also -= and *=) for a numbered local x and a
// built-in routine f: the call, then the local, without the general
// assignment's questions about the target and the value. A routine cannot
// reach the locals of the code that calls it.
[[gnu::always_inline]] inline int AssignFromRoutine(RExecContext &ctx, const RToken &n, RValue &res) {
  const RToken &target = n.Child(0);
  if (n.ind == SYM_ASSIGN) {
    if (CallRoutine(ctx, n.Child(1), res) != kCodeNormal) return kCodeError;
    LocalSet(ctx, target.slot, target.ind, 0, res);
    return kCodeNormal;
  }
  RLocalSlot &place = ctx.slots[target.slot];
  RValue &cell = place.var.simplevalue;
  if (!place.exists || cell.kind != RValue::kReal) [[unlikely]]
    return StoreAnswerGeneral(ctx, n, res);
  // A real local takes a real answer in place. The answer goes to the
  // result first, which the outcome then replaces; when the operation
  // fails, StoreCompound leaves the local's value in the result, as the
  // general way does.
  if (CallRoutine(ctx, n.Child(1), res) != kCodeNormal) return kCodeError;
  if (res.kind != RValue::kReal) [[unlikely]]
    return StoreCompoundOfAnswer(ctx, n, res);
  const double r = CompoundReal(n.ind, cell.val, res.val);
  cell.val = r;
  SetRealValue(res, r);
  return kCodeNormal;
}

[[gnu::noinline]] int ExecAssignFromRoutine(RExecContext &ctx, const RToken &n, RValue &res) {
  return AssignFromRoutine(ctx, n, res);
}

// The assignments the compiler marked, by their form.
[[gnu::always_inline]] inline int ExecAssignMarked(RExecContext &ctx, const RToken &n, RValue &res) {
  if (n.aux == RToken::kAssignToUser) return ExecAssignToUser(ctx, n, res);
  if (n.aux == RToken::kAssignToBuiltin) return ExecAssignToBuiltin(ctx, n, res);
  return ExecAssignFromRoutine(ctx, n, res);
}

[[gnu::noinline]] int ExecAssign(RExecContext &ctx, const RToken &n, RValue &res) {
  if (n.aux != 0) return ExecAssignMarked(ctx, n, res);
  if (QuickAssign(ctx, n, res)) return kCodeNormal;
  return ExecAssignGeneral(ctx, n, res);
}

// A condition: a real, true at 0.5 or above.
[[gnu::noinline]] int EvalConditionProgram(RExecContext &ctx, const RToken &n, const char *message, bool &truth) {
  double d;
  if (EvalReal(ctx, n, d)) {
    truth = RealIsTrue(d);
    return kCodeNormal;
  }
  RValue c;
  if (Eval(ctx, n, c) != kCodeNormal) return kCodeError;
  if (!c.IsReal()) return Fail(ctx, n.position, message);
  truth = RealIsTrue(c.val);
  return kCodeNormal;
}

// A comparison (kLess .. kGreater) of two reals by their difference, which
// is not NaN.
[[gnu::always_inline]] inline bool CompareDifference(int32_t oper, double d) {
  switch (oper) {
    case op::kLess: return d < -kCompareEpsilon;
    case op::kLessEqual: return d <= kCompareEpsilon;
    case op::kEqual: return d > -kCompareEpsilon && d < kCompareEpsilon;
    case op::kNotEqual: return d < -kCompareEpsilon || d > kCompareEpsilon;
    case op::kGreaterEqual: return d >= -kCompareEpsilon;
    default: return d > kCompareEpsilon;
  }
}

[[gnu::always_inline]] inline int EvalCondition(RExecContext &ctx, const RToken &n, const char *message, bool &truth) {
  // A comparison of two values at hand needs not even a program.
  if (n.kind == NODE_BINARY && n.ind >= op::kLess && n.ind <= op::kGreater) {
    const RValue *l = Peek(ctx, n.Child(0));
    const RValue *r = l != nullptr ? Peek(ctx, n.Child(1)) : nullptr;
    if (r != nullptr && l->kind == RValue::kReal && r->kind == RValue::kReal) {
      const double d = l->val - r->val;
      if (d == d) {
        truth = CompareDifference(n.ind, d);
        return kCodeNormal;
      }
    }
  }
  return EvalConditionProgram(ctx, n, message, truth);
}

// The body of a `with` for one instance: self becomes it, other the previous self.
inline int WithBody(RExecContext &ctx, CInstance *inst, const RToken &body, RValue &res) {
  CInstance *const savedSelf = ctx.self;
  CInstance *const savedOther = ctx.other;
  CVariableList *const savedSelfVars = ctx.selfVars;
  CVariableList *const savedOtherVars = ctx.otherVars;
  ctx.other = savedSelf;
  ctx.otherVars = savedSelfVars;
  ctx.self = inst;
  ctx.selfVars = nullptr;
  const int r = Exec(ctx, body, res);
  ctx.self = savedSelf;
  ctx.other = savedOther;
  ctx.selfVars = savedSelfVars;
  ctx.otherVars = savedOtherVars;
  return r;
}

// Folds a body's completion code into the `with` loop: true to go on.
inline bool WithGoesOn(int r, int &code) {
  if (r == kCodeNormal || r == kCodeContinue) return true;
  code = r == kCodeBreak ? kCodeNormal : r;
  return false;
}

[[gnu::noinline]] int ExecWith(RExecContext &ctx, const RToken &n, RValue &res) {
  const RToken &expr = n.Child(0);
  const RToken &body = n.Child(1);
  RValue v;
  if (Eval(ctx, expr, v) != kCodeNormal) return kCodeError;
  if (!v.IsReal()) return Fail(ctx, expr.position, "Object id expected");
  const int32_t sel = RoundToInt32(v.val);
  int code = kCodeNormal;
  switch (sel) {
    case SEL_LOCAL: return Fail(ctx, expr.position, "Cannot use local in with statement.");
    case SEL_GLOBAL: return Fail(ctx, expr.position, "Cannot use global in with statement.");
    case SEL_NOONE: return kCodeNormal;
    case SEL_OTHER: WithGoesOn(WithBody(ctx, ctx.other, body, res), code); return code;
    case SEL_SELF:
    case SEL_UNSPECIFIED: WithGoesOn(WithBody(ctx, ctx.self, body, res), code); return code;
    case SEL_ALL: {
      const int count = s_world->InstanceCount();
      for (int i = 0; i < count; ++i) {
        CInstance *inst = s_world->InstanceAt(i);
        if (inst == nullptr || s_world->IsMarked(inst)) continue;
        if (!WithGoesOn(WithBody(ctx, inst, body, res), code)) break;
      }
      return code;
    }
    default:
      if (sel >= 100000) {
        if (CInstance *inst = LiveInstance(sel)) WithGoesOn(WithBody(ctx, inst, body, res), code);
        return code;
      }
      {
        const int count = s_world->ObjectInstanceCount(sel);
        for (int i = 0; i < count; ++i) {
          CInstance *inst = s_world->ObjectInstanceAt(sel, i);
          if (inst == nullptr || s_world->IsMarked(inst)) continue;
          if (!WithGoesOn(WithBody(ctx, inst, body, res), code)) break;
        }
      }
      return code;
  }
}

inline bool LabelMatches(const RValue &v, const RValue &label) {
  if (v.kind != label.kind) return false;
  return v.IsReal() ? v.val == label.val : v.str == label.str;
}

// One statement; assignments, the bulk of most code, skip a level of
// dispatch.
[[gnu::always_inline]] inline int ExecStatement(RExecContext &ctx, const RToken &n, RValue &res) {
  if (n.kind == NODE_ASSIGN && !NeedsInterrupt()) [[likely]] {
    if (n.aux != 0) return ExecAssignMarked(ctx, n, res);
    if (QuickAssign(ctx, n, res)) return kCodeNormal;
    return ExecAssignGeneral(ctx, n, res);
  }
  return Exec(ctx, n, res);
}

// The statements of a block, after the block has counted its own step.
[[gnu::always_inline]] inline int ExecBlockStatements(RExecContext &ctx, const RToken &n, RValue &res) {
  for (const RToken &c : n) {
    const int r = ExecStatement(ctx, c, res);
    if (r != kCodeNormal) return r;
  }
  return kCodeNormal;
}

[[gnu::noinline]] int ExecBlock(RExecContext &ctx, const RToken &n, RValue &res) {
  return ExecBlockStatements(ctx, n, res);
}

// The body of a loop or a branch: a block runs its statements without the
// general dispatch (counting its step as Exec would), anything else is one
// statement.
[[gnu::noinline]] int ExecCountedBlock(RExecContext &ctx, const RToken &n, RValue &res) {
  if (NeedsInterrupt()) [[unlikely]] {
    if (Interrupted(ctx, n) != kCodeNormal) return kCodeError;
  }
  return ExecBlockStatements(ctx, n, res);
}

[[gnu::always_inline]] inline int ExecBody(RExecContext &ctx, const RToken &n, RValue &res) {
  if (n.kind == NODE_BLOCK) return ExecCountedBlock(ctx, n, res);
  return ExecStatement(ctx, n, res);
}

[[gnu::noinline]] int ExecSwitch(RExecContext &ctx, const RToken &n, RValue &res) {
  const RToken &expr = n.Child(0);
  RValue v;
  // A real at hand is matched against real constant labels without a value.
  double d;
  const bool real = EvalReal(ctx, expr, d);
  if (real) v.val = d;
  else if (Eval(ctx, expr, v) != kCodeNormal) return kCodeError;
  int start = -1;
  if (real && n.real >= 0) {
    // Real constant labels: their table answers at once.
    const RSwitchEntry *first = ctx.code->i_switches.data() + n.real;
    const RSwitchEntry *last = first + n.slot;
    const RSwitchEntry *it =
        std::lower_bound(first, last, d, [](const RSwitchEntry &e, double value) { return e.value < value; });
    start = it != last && it->value == d ? it->start : last->start;
    if (start < 0) return kCodeNormal;
  }
  for (int i = 1; i < n.itemnumb && start < 0; ++i) {
    const RToken &c = n.Child(i);
    if (c.kind == NODE_DEFAULT) {
      start = i + 1;
    } else if (c.kind == NODE_CASE) {
      const RToken &label = c.Child(0);
      if (label.kind == NODE_CONSTANT) {
        if (real ? label.value.kind == RValue::kReal && label.value.val == d : LabelMatches(v, label.value))
          start = i + 1;
      } else {
        RValue lv;
        if (Eval(ctx, label, lv) != kCodeNormal) return kCodeError;
        if (LabelMatches(v, lv)) start = i + 1;
      }
    }
  }
  if (start < 0) return kCodeNormal;
  for (int i = start; i < n.itemnumb; ++i) {
    const RToken &c = n.Child(i);
    if (c.kind == NODE_CASE || c.kind == NODE_DEFAULT) continue;
    const int r = ExecStatement(ctx, c, res);
    if (r == kCodeNormal) continue;
    return r == kCodeBreak ? kCodeNormal : r;
  }
  return kCodeNormal;
}

// Loops live outside Exec so that its frame stays small for the
// statements they run.
[[gnu::noinline]] int ExecWhile(RExecContext &ctx, const RToken &n, RValue &res) {
  for (;;) {
    bool truth = false;
    if (EvalCondition(ctx, n.Child(0), "Boolean expression expected", truth) != kCodeNormal) return kCodeError;
    if (!truth) return kCodeNormal;
    const int r = ExecBody(ctx, n.Child(1), res);
    if (r == kCodeNormal || r == kCodeContinue) continue;
    return r == kCodeBreak ? kCodeNormal : r;
  }
}

[[gnu::noinline]] int ExecDo(RExecContext &ctx, const RToken &n, RValue &res) {
  for (;;) {
    const int r = Exec(ctx, n.Child(0), res);
    if (r == kCodeBreak) return kCodeNormal;
    if (r == kCodeError || r == kCodeExit) return r;
    bool truth = false;
    if (EvalCondition(ctx, n.Child(1), "Boolean expression expected", truth) != kCodeNormal) return kCodeError;
    if (truth) return kCodeNormal;
  }
}

// The counting loop most `for` statements are: the condition compares a
// local with a real constant or another local, and the step adds a real
// constant to a local or takes it away.
struct RCountingLoop {
  // The comparison as the closed range of differences it holds for
  // (turned round for <>): one test instead of a choice among six.
  double lo, hi;
  bool negate;
  int32_t var;             // the compared local's slot
  const RValue *limit;     // the constant compared with, or null
  int32_t limitVar;        // else the local's slot
  int32_t stepVar;         // the stepped local's slot
  double step;             // the constant added (or taken away)
  bool add;
};

bool IsLocal(const RToken &n) { return n.kind == NODE_VARIABLE_SIMPLE && n.ind2 == SEL_LOCAL && n.slot >= 0; }

bool IsCountingLoop(const RToken &cond, const RToken &step, RCountingLoop &loop) {
  if (cond.kind != NODE_BINARY || cond.ind < op::kLess || cond.ind > op::kGreater || !IsLocal(cond.Child(0)))
    return false;
  const RToken &limit = cond.Child(1);
  if (limit.kind == NODE_CONSTANT && limit.value.IsReal()) {
    loop.limit = &limit.value;
    loop.limitVar = -1;
  } else if (IsLocal(limit)) {
    loop.limit = nullptr;
    loop.limitVar = limit.slot;
  } else {
    return false;
  }
  if (step.kind != NODE_ASSIGN || (step.ind != SYM_ADD_ASSIGN && step.ind != SYM_SUB_ASSIGN) ||
      !IsLocal(step.Child(0)) || step.Child(1).kind != NODE_CONSTANT || !step.Child(1).value.IsReal())
    return false;
  // Each strict bound becomes the nearest double inside it.
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double below = std::nextafter(-kCompareEpsilon, -kInf), above = std::nextafter(kCompareEpsilon, kInf);
  loop.lo = -kInf;
  loop.hi = kInf;
  loop.negate = false;
  switch (cond.ind) {
    case op::kLess: loop.hi = below; break;
    case op::kLessEqual: loop.hi = kCompareEpsilon; break;
    case op::kNotEqual: loop.negate = true; [[fallthrough]];
    case op::kEqual:
      loop.lo = std::nextafter(-kCompareEpsilon, kInf);
      loop.hi = std::nextafter(kCompareEpsilon, -kInf);
      break;
    case op::kGreaterEqual: loop.lo = -kCompareEpsilon; break;
    default: loop.lo = above; break;
  }
  loop.var = cond.Child(0).slot;
  loop.stepVar = step.Child(0).slot;
  loop.step = step.Child(1).value.val;
  loop.add = step.ind == SYM_ADD_ASSIGN;
  return true;
}

// A counting loop runs its condition and step in place whenever the locals
// hold reals, and hands them to the general way otherwise; steps are
// counted exactly as the general way counts them.
[[gnu::noinline]] int ExecCountingLoop(RExecContext &ctx, const RToken &n, const RCountingLoop &loop, RValue &res,
                                       RValue &scratch) {
  const RToken &cond = n.Child(1);
  const RToken &step = n.Child(2);
  const RToken &body = n.Child(3);
  const bool routineBody = body.kind == NODE_ASSIGN && body.aux == RToken::kAssignFromRoutine;
  for (;;) {
    bool truth;
    const RLocalSlot &v = ctx.slots[loop.var];
    const RValue *limit = loop.limit;
    if (limit == nullptr) {
      const RLocalSlot &l = ctx.slots[loop.limitVar];
      limit = l.exists ? &l.var.simplevalue : nullptr;
    }
    const double d = v.var.simplevalue.val - (limit != nullptr ? limit->val : 0.0);
    if (v.exists && v.var.simplevalue.kind == RValue::kReal && limit != nullptr && limit->kind == RValue::kReal &&
        d == d) [[likely]] {
      truth = (d >= loop.lo && d <= loop.hi) != loop.negate;
    } else if (EvalCondition(ctx, cond, "Expression expected", truth) != kCodeNormal) {
      return kCodeError;
    }
    if (!truth) return kCodeNormal;
    int b;
    if (routineBody) {
      // The statement most counting loops over a library are.
      b = NeedsInterrupt() && Interrupted(ctx, body) != kCodeNormal ? kCodeError : AssignFromRoutine(ctx, body, res);
    } else if (body.kind == NODE_BLOCK) {
      if (NeedsInterrupt()) [[unlikely]] {
        if (Interrupted(ctx, body) != kCodeNormal) return kCodeError;
      }
      b = ExecBlockStatements(ctx, body, res);
    } else {
      b = ExecStatement(ctx, body, res);
    }
    if (b != kCodeNormal && b != kCodeContinue) return b == kCodeBreak ? kCodeNormal : b;
    if (NeedsInterrupt()) [[unlikely]] {
      const int r = Exec(ctx, step, scratch);
      if (r != kCodeNormal) return r;
      continue;
    }
    RLocalSlot &s = ctx.slots[loop.stepVar];
    RValue &cell = s.var.simplevalue;
    if (s.exists && cell.kind == RValue::kReal) [[likely]] {
      const double a = cell.val;
      cell.val = CheckArith(loop.add ? a + loop.step : a - loop.step, a, loop.step);
    } else if (const int r = ExecAssignGeneral(ctx, step, scratch); r != kCodeNormal) {
      return r;
    }
  }
}

[[gnu::noinline]] int ExecFor(RExecContext &ctx, const RToken &n, RValue &res) {
  // The initial and step statements write a scratch value, not the code's
  // result.
  RValue scratch;
  int r = Exec(ctx, n.Child(0), scratch);
  if (r != kCodeNormal) return r;
  if (RCountingLoop loop; IsCountingLoop(n.Child(1), n.Child(2), loop))
    return ExecCountingLoop(ctx, n, loop, res, scratch);
  while (r == kCodeNormal) {
    bool truth = false;
    if (EvalCondition(ctx, n.Child(1), "Expression expected", truth) != kCodeNormal) return kCodeError;
    if (!truth) return kCodeNormal;
    const int b = ExecBody(ctx, n.Child(3), res);
    if (b == kCodeNormal || b == kCodeContinue) {
      r = ExecStatement(ctx, n.Child(2), scratch);
      continue;
    }
    return b == kCodeBreak ? kCodeNormal : b;
  }
  return r;
}

// A branch that is an assignment, out of ExecIf's way.
[[gnu::noinline]] int ExecBranchStatement(RExecContext &ctx, const RToken &n, RValue &res) {
  return ExecStatement(ctx, n, res);
}

[[gnu::noinline]] int ExecIf(RExecContext &ctx, const RToken &n, RValue &res);
[[gnu::noinline]] int ExecReturn(RExecContext &ctx, const RToken &n, RValue &res);

// An `if` or `return` whose step found the budget used up.
[[gnu::cold, gnu::noinline]] int ExecAfterInterrupt(RExecContext &ctx, const RToken &n, RValue &res) {
  if (Interrupted(ctx, n) != kCodeNormal) return kCodeError;
  return n.kind == NODE_IF ? ExecIf(ctx, n, res) : ExecReturn(ctx, n, res);
}

// Exec for a statement other than an assignment; the `if` and `return`
// that short scripts are made of skip Exec's dispatch (not its step). Every
// way is a call of its own, so that callers keep no frame for it.
[[gnu::always_inline]] inline int ExecPlainStatement(RExecContext &ctx, const RToken &n, RValue &res) {
  if (n.kind != NODE_IF && n.kind != NODE_RETURN) return Exec(ctx, n, res);
  if (NeedsInterrupt()) [[unlikely]]
    return ExecAfterInterrupt(ctx, n, res);
  return n.kind == NODE_IF ? ExecIf(ctx, n, res) : ExecReturn(ctx, n, res);
}

// The chosen branch of an `if` runs as a body; every way ends in a call of
// its own, so that the caller keeps no frame across it.
[[gnu::always_inline]] inline int ExecBranch(RExecContext &ctx, const RToken &n, bool truth, RValue &res) {
  if (!truth && n.itemnumb <= 2) return kCodeNormal;
  const RToken &branch = n.Child(truth ? 1 : 2);
  if (branch.kind == NODE_BLOCK) return ExecCountedBlock(ctx, branch, res);
  if (branch.kind == NODE_ASSIGN) return ExecBranchStatement(ctx, branch, res);
  return ExecPlainStatement(ctx, branch, res);
}

// Any condition; the branch runs in line here, assignments included.
[[gnu::noinline]] int ExecIfGeneral(RExecContext &ctx, const RToken &n, RValue &res) {
  bool truth = false;
  if (EvalCondition(ctx, n.Child(0), "Expression expected", truth) != kCodeNormal) return kCodeError;
  if (truth) return ExecBody(ctx, n.Child(1), res);
  return n.itemnumb > 2 ? ExecBody(ctx, n.Child(2), res) : kCodeNormal;
}

// The truth of a comparison of two reals at hand that Peek<true> finds, as
// the general condition decides it; false when it is anything else.
[[gnu::always_inline]] inline bool NearComparison(RExecContext &ctx, const RToken &n, bool &truth) {
  if (n.kind != NODE_BINARY || n.ind < op::kLess || n.ind > op::kGreater) return false;
  const RValue *l = Peek<true>(ctx, n.Child(0));
  if (l == nullptr || l->kind != RValue::kReal) return false;
  const RValue *r = Peek<true>(ctx, n.Child(1));
  if (r == nullptr || r->kind != RValue::kReal) return false;
  const double d = l->val - r->val;
  if (d != d) return false;
  truth = CompareDifference(n.ind, d);
  return true;
}

// Conditions on locals and arguments (the guard of a recursive script) are
// settled without a call, so that this function needs no frame; anything
// else takes the general way, which looks again from the start.
[[gnu::noinline]] int ExecIf(RExecContext &ctx, const RToken &n, RValue &res) {
  bool truth;
  if (!NearComparison(ctx, n.Child(0), truth)) return ExecIfGeneral(ctx, n, res);
  return ExecBranch(ctx, n, truth, res);
}

[[gnu::noinline]] int ExecRepeat(RExecContext &ctx, const RToken &n, RValue &res) {
  const RToken &count = n.Child(0);
  RValue c;
  if (Eval(ctx, count, c) != kCodeNormal) return kCodeError;
  if (!c.IsReal()) return Fail(ctx, count.position, "Repeat count must be a number");
  const int64_t times = RoundToInt64(c.val);
  for (int64_t i = 0; i < times; ++i) {
    const int r = ExecBody(ctx, n.Child(1), res);
    if (r == kCodeNormal || r == kCodeContinue) continue;
    return r == kCodeBreak ? kCodeNormal : r;
  }
  return kCodeNormal;
}

// `return f(...) + g(...)`, the last line of a recursive script: the two
// calls and the operator as EvalOperator applies them to operands that are
// calls, without its general dispatch.
[[gnu::noinline]] int ReturnOfTwoCalls(RExecContext &ctx, const RToken &n, RValue &res) {
  const RToken &right = n.Child(1);
  if (EvalCall(ctx, n.Child(0), res) != kCodeNormal) return kCodeError;
  RValue r;
  if (EvalCall(ctx, right, r) != kCodeNormal) return kCodeError;
  if (!RealFastOperation(n.ind, res, r)) {
    if (const char *message = BinaryOperation(n.ind, res, r)) [[unlikely]]
      return Fail(ctx, right.position, message);
  }
  return kCodeExit;
}

[[gnu::noinline]] int ExecReturn(RExecContext &ctx, const RToken &n, RValue &res) {
  const RToken &value = n.Child(0);
  // A value at hand, or an operation the lean program settles, goes
  // straight into the result as Eval would put it there. The lean program
  // reads nothing but locals, arguments and constants, so when it gives up
  // Eval may run it again.
  if (const RValue *v = Peek(ctx, value)) {
    res = *v;
    return kCodeExit;
  }
  if (value.real >= 0 && (value.kind == NODE_BINARY || value.kind == NODE_UNARY || value.kind == NODE_VARIABLE)) {
    const RRealOp *p = ctx.code->i_reals.data() + value.real;
    double d;
    if (p->run == kRunPlain && EvalRealProgramPlain(ctx, p, d)) {
      SetRealValue(res, d);
      return kCodeExit;
    }
  }
  if (value.kind == NODE_BINARY && value.Child(0).kind == NODE_CALL && value.Child(1).kind == NODE_CALL)
    return ReturnOfTwoCalls(ctx, value, res);
  const int r = value.kind == NODE_BINARY ? EvalOperator(ctx, value, res) : Eval(ctx, value, res);
  return r == kCodeNormal ? kCodeExit : kCodeError;
}

[[gnu::noinline]] int ExecGlobalVar(const RToken &n) {
  for (const RToken &c : n) GlobalDeclare(c.ind);
  return kCodeNormal;
}

int Exec(RExecContext &ctx, const RToken &n, RValue &res) {
  if (NeedsInterrupt()) [[unlikely]] {
    if (Interrupted(ctx, n) != kCodeNormal) return kCodeError;
  }
  // Every case ends in a call of its own, so that this dispatch keeps no
  // frame of its own.
  switch (n.kind) {
    case NODE_BLOCK: return ExecBlock(ctx, n, res);
    case NODE_ASSIGN: return ExecAssign(ctx, n, res);
    case NODE_CALL: return EvalCall(ctx, n, res);
    case NODE_IF: return ExecIf(ctx, n, res);
    case NODE_WHILE: return ExecWhile(ctx, n, res);
    case NODE_DO: return ExecDo(ctx, n, res);
    case NODE_FOR: return ExecFor(ctx, n, res);
    case NODE_REPEAT: return ExecRepeat(ctx, n, res);
    case NODE_EXIT: return kCodeExit;
    case NODE_RETURN: return ExecReturn(ctx, n, res);
    case NODE_BREAK: return kCodeBreak;
    case NODE_CONTINUE: return kCodeContinue;
    case NODE_WITH: return ExecWith(ctx, n, res);
    case NODE_SWITCH: return ExecSwitch(ctx, n, res);
    case NODE_CASE: return Fail(ctx, n.position, "Case statement only allowed inside switch statement.");
    case NODE_DEFAULT: return Fail(ctx, n.position, "Default statement only allowed inside switch statement.");
    case NODE_VAR: return kCodeNormal;
    case NODE_GLOBALVAR: return ExecGlobalVar(n);
    default: return Fail(ctx, n.position, "Statement expected.");
  }
}

// ---- running a code unit -----------------------------------------------------

// Counts nested code executions; the outermost one fixes the stack limit
// for the thread it runs on.
class CDepthGuard {
public:
  CDepthGuard() {
    if (s_codeDepth++ == 0) {
      s_stackLimit = ThreadStackLimit();
      s_argDirty = kAllSlots;  // unknown until a script call looks
      // Until the built-in table is filled no index is an argument slot;
      // the table is filled between runs, never while code runs.
      if (s_argument0 < 0) {
        const int32_t first = builtin::Argument0();
        if (first >= 0) s_argument0 = first;
      }
    }
  }
  ~CDepthGuard() { --s_codeDepth; }
  CDepthGuard(const CDepthGuard &) = delete;
  CDepthGuard &operator=(const CDepthGuard &) = delete;
};

void RecordAt(const CCode &code, int32_t position, std::string_view message) {
  ReportCodeError(code.GetText(), code.IsProgram(), position, message);
}

// The statements of a block from the i-th on.
[[gnu::noinline]] int ExecStatementsFrom(RExecContext &ctx, const RToken &n, int i, RValue &res) {
  for (; i < n.itemnumb; ++i) {
    const int r = ExecStatement(ctx, n.Child(i), res);
    if (r != kCodeNormal) return r;
  }
  return kCodeNormal;
}

// A script's block, run as ExecCountedBlock runs it. The statements that
// are not assignments (the `if` and `return` of a short script) go out one
// call each from here; at the first assignment the rest goes to a loop that
// has assignments in line.
[[gnu::always_inline]] inline int ExecRootBlock(RExecContext &ctx, const RToken &n, RValue &res) {
  if (NeedsInterrupt()) [[unlikely]] {
    if (Interrupted(ctx, n) != kCodeNormal) return kCodeError;
  }
  for (int i = 0; i < n.itemnumb; ++i) {
    const RToken &c = n.Child(i);
    if (c.kind == NODE_ASSIGN) return ExecStatementsFrom(ctx, n, i, res);
    const int r = ExecPlainStatement(ctx, c, res);
    if (r != kCodeNormal) return r;
  }
  return kCodeNormal;
}

// The numbered locals of code runs. Each nesting depth of runs keeps its
// array from run to run (a script called in a loop allocates nothing), and
// a run hands its places back fresh: not existing, real 0, no cells. Depths
// are bounded by the recursion limit, so what is kept stays bounded too.
struct RLocalArray {
  std::unique_ptr<RLocalSlot[]> slots;
  size_t size = 0;
};
std::vector<RLocalArray> s_localArrays;

[[gnu::noinline]] RLocalSlot *TakeLocals(size_t count) {
  const auto depth = static_cast<size_t>(s_codeDepth);
  if (s_localArrays.size() <= depth) s_localArrays.resize(depth + 1);
  RLocalArray &kept = s_localArrays[depth];
  if (kept.size < count) {
    kept.slots = std::make_unique<RLocalSlot[]>(count);
    kept.size = count;
  }
  return kept.slots.get();
}

inline void ResetLocal(RLocalSlot &place) noexcept {
  place.exists = false;
  place.var.ind = 0;
  ResetSlot(place.var.simplevalue);
  if (!place.var.value.empty()) [[unlikely]]
    place.var.value.clear();
}

class CLocals {
public:
  explicit CLocals(const std::vector<int32_t> &numbered) {
    if (!numbered.empty()) [[unlikely]] {
      m_count = numbered.size();
      m_slots = TakeLocals(m_count);
    }
  }
  ~CLocals() {
    if (m_slots != nullptr) [[unlikely]]
      for (size_t i = 0; i < m_count; ++i) ResetLocal(m_slots[i]);
  }
  CLocals(const CLocals &) = delete;
  CLocals &operator=(const CLocals &) = delete;
  RLocalSlot *Slots() const { return m_slots; }

private:
  RLocalSlot *m_slots = nullptr;
  size_t m_count = 0;
};

// One run of a code unit; script calls have it in line. kFromCode: a call
// from running code, which has just checked the stack in this same frame
// and whose self and other are always instances.
template <bool kFromCode>
[[gnu::always_inline]] inline bool RunCodeInline(CInstance *self, CInstance *other, const CCode &code,
                                                 RValue &result) {
  CodeErrorClear();
  if (!code.Compiled()) {
    RecordAt(code, 0, "Internal Error: Executing non-compiled code.");
    return false;
  }
  if (code.Kind() == CCode::kConstantExpression) {
    result = code.Value();
    return true;
  }
  if (!kFromCode && (self == nullptr || other == nullptr)) {
    RecordAt(code, 0, "Internal Error: Executing code for nil instance.");
    return false;
  }
  CDepthGuard depth;
  if (s_codeDepth > kMaxCallDepth + 1 || (!kFromCode && StackLow())) {
    RecordAt(code, 0, kRecursionMessage);
    return false;
  }
  const CLocals locals(code.i_locals);
  RExecContext ctx{self, other, &code, locals.Slots(), nullptr};
  const RToken &root = code.Token();
  if (code.Kind() == CCode::kExpression) return Eval(ctx, root, result) == kCodeNormal;
  if (root.kind == NODE_EMPTY_PROGRAM) return true;
  if (root.kind != NODE_BLOCK) {
    RecordAt(code, root.position, "This is not a program.");
    return false;
  }
  if constexpr (kFromCode) {
    return ExecRootBlock(ctx, root, result) != kCodeError;
  } else {
    return ExecCountedBlock(ctx, root, result) != kCodeError;
  }
}

[[gnu::noinline]] bool RunCode(CInstance *self, CInstance *other, const CCode &code, RValue &result) {
  return RunCodeInline<false>(self, other, code, result);
}

// The result of code that failed.
[[gnu::cold, gnu::noinline]] void SetErrorResult(RValue &result) {
  static const RString kError("ERROR");
  result.SetString(kError);
}

// Puts a script call's arguments, count and name in place and the caller's
// back afterwards, also when an arithmetic trap abandons the call. Slots are
// exchanged, not copied, and only where either side holds something other
// than real 0, so a call with few arguments touches few slots.
class CScriptCallFrame {
public:
  [[gnu::always_inline]] CScriptCallFrame(CCallArguments &slots, int count, const std::string &name)
      : m_slots(slots) {
    if (s_codeDepth == 0 || s_argDirty == kAllSlots) s_argDirty = NonZeroSlots();
    // The supplied arguments go in; every other slot the caller may have
    // used is covered by a fresh zero.
    m_callerDirty = s_argDirty;
    m_swapped = ((1u << count) - 1) | m_callerDirty;
    Exchange(m_swapped);
    s_argDirty = (1u << count) - 1;
    m_count = g_ScriptCall.argumentCount;
    g_ScriptCall.argumentCount = count;
    // Recursion keeps the name; otherwise the running name is exchanged
    // with this depth's buffer, which keeps its capacity from call to call.
    m_depth = s_callDepth++;
    m_savedName = s_runningName;
    m_sameName = s_runningName == &name;
    if (!m_sameName) SwapNameIn(name);
  }
  [[gnu::always_inline]] ~CScriptCallFrame() {
    if (!m_sameName) g_ScriptCall.scriptName.swap(s_namePool[static_cast<size_t>(m_depth)]);
    s_runningName = m_savedName;
    --s_callDepth;
    g_ScriptCall.argumentCount = m_count;
    // The caller's slots come back; a slot the script wrote that the caller
    // had as zero gets a fresh zero back. The call's own slots now hold
    // what the script left there.
    const uint32_t back = m_swapped | s_argDirty;
    Exchange(back);
    m_slots.Written(back);
    s_argDirty = m_callerDirty;
  }
  CScriptCallFrame(const CScriptCallFrame &) = delete;
  CScriptCallFrame &operator=(const CScriptCallFrame &) = delete;

private:
  // Exchanges the slots of the bit set between the call and the globals.
  void Exchange(uint32_t mask) noexcept {
    RValue *global = g_ScriptCall.argument;
    while (mask != 0) {
      const int i = std::countr_zero(mask);
      mask &= mask - 1;
      SwapValues(m_slots.Slot(i), global[i]);
    }
  }
  [[gnu::noinline]] void SwapNameIn(const std::string &name) {
    if (s_namePool.size() <= static_cast<size_t>(m_depth)) s_namePool.resize(static_cast<size_t>(m_depth) + 1);
    s_namePool[static_cast<size_t>(m_depth)].swap(g_ScriptCall.scriptName);
    g_ScriptCall.scriptName.assign(name);
    s_runningName = &name;
  }

  CCallArguments &m_slots;
  const std::string *m_savedName;
  uint32_t m_swapped = 0;
  uint32_t m_callerDirty = 0;
  int m_count;
  int m_depth;
  bool m_sameName;
};

[[gnu::cold, gnu::noinline]] void ArgumentCountError(const std::string &name, const CCode &code, int count) {
  std::string text = "Illegal argument count calling script \"" + name + "\".\r";
  text += code.ArgsArray() ? "Script requires at least " : "Script requires ";
  text += std::to_string(code.Args()) + " arguments, " + std::to_string(count) + " have been supplied.";
  CodeErrorSet(text);
}

[[gnu::cold, gnu::noinline]] void ScriptNotCompiled(const CScript &script) {
  CodeErrorClear();
  ReportCodeError(script.s_text, true, 0, "Internal Error: Executing non-compiled code.");
}

[[gnu::cold, gnu::noinline]] void ScriptFailed(const std::string &name, RValue &result, bool ran) {
  if (ran) SetErrorResult(result);
  CodeErrorPrefix("In script " + name + ":\r");
}

// `slots` holds the supplied arguments (the first `count`); they are lent
// to the call and come back holding whatever the script left in its
// argument variables.
template <bool kFromCode>
[[gnu::always_inline]] inline bool CallScriptSlots(CScript &script, const std::string &name, CInstance *self,
                                                   CInstance *other, RValue &result, bool check,
                                                   CCallArguments &slots, int count) {
  CScriptCallFrame frame(slots, count, name);
  SetRealZero(result);
  const CCode *code = script.s_code.get();
  if (code == nullptr) [[unlikely]] {
    ScriptNotCompiled(script);
    ScriptFailed(name, result, false);
    return false;
  }
  bool ok = RunCodeInline<kFromCode>(self, other, *code, result);
  if (!ok) [[unlikely]]
    ScriptFailed(name, result, true);
  if (check && g_Settings.opt_argumenterrors) {
    const bool mismatch = code->ArgsArray() ? count < code->Args() : count != code->Args();
    if (mismatch) [[unlikely]] {
      ArgumentCountError(name, *code, count);
      ok = false;
    }
  }
  return ok;
}

// A script called from code: the arguments, the depth check, the call.
[[gnu::noinline]] int EvalScriptCall(RExecContext &ctx, const RToken &n, RValue &out) {
  if (NeedsInterrupt()) [[unlikely]] {
    if (Interrupted(ctx, n) != kCodeNormal) return kCodeError;
  }
  CCallArguments args;
  const int argc = std::min<int>(n.itemnumb, kMaxCallArguments);
  if (EvalArguments(ctx, n, args, argc) != kCodeNormal) return kCodeError;
  if (s_callDepth >= kMaxCallDepth || StackLow()) return Fail(ctx, n.position, kRecursionMessage);
  const int index = n.ind - kFunctionScriptBase;
  if (!g_Scripts.Exists(index)) return Fail(ctx, n.position, "Trying to execute non-existing script.");
  CScript &script = *g_Scripts.items[static_cast<size_t>(index)];
  const std::string &name = g_Scripts.names[static_cast<size_t>(index)];
  return CallScriptSlots<true>(script, name, ctx.self, ctx.other, out, true, args, argc) ? kCodeNormal
                                                                                          : kCodeError;
}

}  // namespace

bool ExecuteCode(CInstance *self, CInstance *other, CCode &code, RValue &result) {
  if (RunCode(self, other, code, result)) return true;
  ReportActionError(CodeErrorText(), false);
  CodeErrorClear();
  return false;
}

bool EvaluateCode(CInstance *self, CInstance *other, CCode &code, RValue &result) {
  if (RunCode(self, other, code, result)) return true;
  SetErrorResult(result);
  return false;
}

bool CallScript(int index, CInstance *self, CInstance *other, RValue &result, bool check, const RValue *args,
                int count) {
  count = std::clamp(count, 0, kMaxArguments);
  CCallArguments slots;
  slots.Written((1u << count) - 1);
  for (int i = 0; i < count; ++i) slots.Put(i, args[i]);
  CodeErrorClear();
  if (!g_Scripts.Exists(index)) {
    CodeErrorSet("Trying to execute non-existing script.");
    return false;
  }
  const std::string &name = g_Scripts.names[static_cast<size_t>(index)];
  if (s_callDepth >= kMaxCallDepth) {
    CodeErrorSet("In script " + name + ":\r" + kRecursionMessage);
    return false;
  }
  return CallScriptSlots<false>(*g_Scripts.items[static_cast<size_t>(index)], name, self, other, result, check, slots,
                                count);
}

bool CallCodeAsScript(CCode &code, const std::string &name, CInstance *self, CInstance *other, RValue &result,
                      const RValue *args, int count) {
  count = std::clamp(count, 0, kMaxArguments);
  CCallArguments slots;
  slots.Written((1u << count) - 1);
  for (int i = 0; i < count; ++i) slots.Put(i, args[i]);
  CodeErrorClear();
  SetRealZero(result);
  if (s_callDepth >= kMaxCallDepth || StackLow()) {
    CodeErrorSet(kRecursionMessage);
    return false;
  }
  CScriptCallFrame frame(slots, count, name);
  const bool ok = RunCodeInline<false>(self, other, code, result);
  if (!ok) SetErrorResult(result);
  return ok;
}

CArgumentFrame::CArgumentFrame(const RValue *args, int count) {
  count = std::clamp(count, 0, kMaxArguments);
  for (int i = 0; i < count; ++i) m_slots[i] = args[i];
  m_savedDirty = s_codeDepth == 0 ? NonZeroSlots() : s_argDirty;
  for (int i = 0; i < kMaxArguments; ++i) SwapValues(m_slots[i], g_ScriptCall.argument[i]);
  s_argDirty = (1u << count) - 1;
}

CArgumentFrame::~CArgumentFrame() {
  for (int i = 0; i < kMaxArguments; ++i) SwapValues(m_slots[i], g_ScriptCall.argument[i]);
  s_argDirty = m_savedDirty;
}

void ScriptArgumentsChanged() { s_argDirty = kAllSlots; }

void Code_RequestStop() {
  s_stopRequested = 1;
  // The next statement looks at the request. (A decrement that races with
  // this store may undo it; the loop still ends the game at its next step.)
  s_stepsLeft = 0;
}

void Code_ClearStopRequest() { s_stopRequested = 0; }

bool Code_StopRequested() { return s_stopRequested != 0; }

void SetStepBudget(int64_t steps) {
  s_budgeted = steps >= 0;
  s_stepsLeft = s_budgeted ? steps + 1 : kNoBudget;
}

void SetExtensionCallHandler(TExtensionCall handler) { s_extensionCall = handler; }

namespace {
const CWiringHook kWorldHook("code: the world of instances", [] { return s_world != &s_emptyWorld; });
const CWiringHook kExtensionCallHook("code: extension function calls", [] { return s_extensionCall != nullptr; });
}  // namespace
