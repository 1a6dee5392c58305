#include "code/Code_RealProgram.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "code/Code_Main.h"
#include "code/Code_Variable.h"
#include "code/Code_Operator.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"

namespace {

class CBuilder {
public:
  CBuilder(CCode &code, int32_t argument0) : m_code(code), m_ops(code.i_reals), m_argument0(argument0) {}

  // Visits the tree; `inside` when n is a piece of a program already made.
  // A chain of binary operators is followed down its left side in a loop,
  // in the order the recursion would take.
  void Visit(RToken &n, bool inside) {
    if (n.kind != NODE_BINARY || n.itemnumb != 2 || n.items[0].kind != NODE_BINARY) {
      VisitOne(n, inside);
      return;
    }
    std::vector<std::pair<RToken *, bool>> chain;  // each node and whether its operands are inside
    for (RToken *at = &n; at->kind == NODE_BINARY && at->itemnumb == 2; at = &at->items[0]) {
      inside = Head(*at, inside);
      chain.emplace_back(at, inside);
    }
    Visit(chain.back().first->items[0], chain.back().second);
    for (size_t i = chain.size(); i-- > 0;) Visit(chain[i].first->items[1], chain[i].second);
  }

private:
  // A node's own part of the visit: its program when it is a pure operand
  // standing on its own; answers whether its operands are inside one.
  bool Head(RToken &n, bool inside) {
    n.real = -1;
    if (!inside && (n.flags & RToken::kPureNode) != 0 &&
        (n.kind == NODE_BINARY || n.kind == NODE_UNARY || n.kind == NODE_VARIABLE)) {
      const size_t start = m_ops.size();
      int depth = 0, highest = 0;
      ROperand result;
      if (Emit(n, result, depth, highest) && highest <= kRealStackDepth) {
        m_ops.push_back(RRealOp{});  // kRealEnd
        n.real = static_cast<int32_t>(start);
        const ERealRun lean = Lean(start);
        m_ops[start].run = lean != kRunGeneral ? lean : ArrayCell(start) ? kRunArrayCell : kRunGeneral;
        inside = true;
      } else {
        m_ops.resize(start);
      }
    }
    return inside;
  }

  void VisitOne(RToken &n, bool inside) {
    inside = Head(n, inside);
    if (n.kind == NODE_SWITCH) SwitchTable(n);
    if (n.kind == NODE_ASSIGN && n.itemnumb == 2) {
      // The target is written, not read: its selector and indices stand on
      // their own.
      RToken &target = n.items[0];
      target.real = -1;
      for (int32_t i = 0; i < target.itemnumb; ++i) Visit(target.items[i], false);
      Visit(n.items[1], false);
      return;
    }
    for (int32_t i = 0; i < n.itemnumb; ++i) Visit(n.items[i], inside);
  }

  // The labels are tried in order until one matches or a default comes:
  // only the labels before the first default count, and of equal values
  // only the first.
  void SwitchTable(RToken &n) {
    std::vector<RSwitchEntry> entries;
    int32_t fallback = -1;
    for (int32_t i = 1; i < n.itemnumb; ++i) {
      const RToken &c = n.items[i];
      if (c.kind == NODE_DEFAULT) {
        fallback = i + 1;
        break;
      }
      if (c.kind != NODE_CASE) continue;
      const RToken &label = c.items[0];
      if (label.kind != NODE_CONSTANT || !label.value.IsReal()) return;
      if (std::isnan(label.value.val)) continue;  // equals nothing
      entries.push_back(RSwitchEntry{label.value.val, i + 1});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const RSwitchEntry &a, const RSwitchEntry &b) { return a.value < b.value; });
    std::vector<RSwitchEntry> &table = m_code.i_switches;
    n.real = static_cast<int32_t>(table.size());
    for (const RSwitchEntry &e : entries)
      if (table.size() == static_cast<size_t>(n.real) || table.back().value != e.value) table.push_back(e);
    n.slot = static_cast<int32_t>(table.size()) - n.real;
    table.push_back(RSwitchEntry{0.0, fallback});
  }

  static bool PlainOperand(int8_t kind) {
    return kind == kOperandStack || kind == kOperandConst || kind == kOperandLocal || kind == kOperandArgument;
  }

  // A built-in variable operand the lean run reads itself: one with a
  // reader. The run asks again, as the table may change after compiling.
  static bool ReadOperand(int8_t kind, int32_t index) {
    if (kind != kOperandBuiltin) return false;
    const RBuiltinVariable *e = BuiltinEntry(index);
    return e != nullptr && e->reader != nullptr;
  }

  // How the program from `start` may run the lean way: kRunPlain when it
  // needs nothing but reals at hand and the operations the lean run does
  // itself (div and mod of whole numbers among the general binary
  // operators), kRunReads when built-ins with readers are among its
  // operands too, kRunGeneral otherwise. Gives the operations of a lean
  // program their lean codes.
  ERealRun Lean(size_t start) {
    bool reads = false;
    for (size_t i = start; m_ops[i].op != kRealEnd; ++i) {
      const RRealOp &o = m_ops[i];
      if (o.op == kRealArray || o.op == kRealUnary) return kRunGeneral;
      if (o.op == kRealBinary && o.a != op::kMod && o.a != op::kDiv) return kRunGeneral;
      for (const auto &[kind, index] : {std::pair{o.lkind, o.l}, std::pair{o.rkind, o.r}}) {
        if (ReadOperand(kind, index)) reads = true;
        else if (!PlainOperand(kind)) return kRunGeneral;
      }
    }
    for (size_t i = start; m_ops[i].op != kRealEnd; ++i) {
      RRealOp &o = m_ops[i];
      o.lean = RealLeanCode(o.op, o.lkind, o.rkind);
    }
    return reads ? kRunReads : kRunPlain;
  }

  bool ArrayCell(size_t start) const {
    const RRealOp &o = m_ops[start];
    if (o.op != kRealArray || m_ops[start + 1].op != kRealEnd || o.lsel == kRealDynamicSelector) return false;
    return (o.count < 1 || (o.lkind != kOperandStack && PlainOperand(o.lkind))) &&
           (o.count < 2 || (o.rkind != kOperandStack && PlainOperand(o.rkind)));
  }

  struct ROperand {
    int8_t kind = kOperandStack;
    int32_t index = 0;
    int32_t sel = 0;
    double constant = 0.0;
  };

  void Push(int &depth, int &highest) {
    if (++depth > highest) highest = depth;
  }

  static int16_t OperatorOp(int32_t oper) {
    switch (oper) {
      case op::kPlus: return kRealAdd;
      case op::kMinus: return kRealSub;
      case op::kTimes: return kRealMul;
      case op::kLess: return kRealLess;
      case op::kLessEqual: return kRealLessEqual;
      case op::kGreater: return kRealGreater;
      case op::kGreaterEqual: return kRealGreaterEqual;
      case op::kAssign:
      case op::kEqual: return kRealEqual;
      case op::kNotEqual: return kRealNotEqual;
      case op::kAnd: return kRealAnd;
      case op::kOr: return kRealOr;
      default: return kRealBinary;
    }
  }

  static void SetLeft(RRealOp &o, const ROperand &x) {
    o.lkind = x.kind;
    o.l = x.index;
    o.lsel = x.sel;
    o.ld = x.constant;
  }
  static void SetRight(RRealOp &o, const ROperand &x) {
    o.rkind = x.kind;
    o.r = x.index;
    o.rsel = x.sel;
    o.rd = x.constant;
  }

  // The operand on the stack: pushed by an operation of its own unless it
  // is there already.
  void OnStack(ROperand &x, int &depth, int &highest) {
    if (x.kind == kOperandStack) return;
    RRealOp o;
    o.op = kRealPush;
    SetLeft(o, x);
    m_ops.push_back(o);
    Push(depth, highest);
    x = ROperand{};
  }

  // Describes n as an operand, appending the operations that compute it
  // (which leave it on the stack); false when some piece can never be a
  // real (a text constant) or is read some other way.
  bool Emit(const RToken &n, ROperand &x, int &depth, int &highest) {
    x = ROperand{};
    RRealOp o;
    switch (n.kind) {
      case NODE_CONSTANT:
        if (!n.value.IsReal()) return false;
        x.kind = kOperandConst;
        x.constant = n.value.val;
        return true;
      case NODE_VARIABLE_SIMPLE: {
        const int32_t sel = n.ind2;
        if (sel == SEL_LOCAL) {
          x.kind = kOperandLocal;
          x.index = n.slot;
        } else if (sel != SEL_UNSPECIFIED && sel != SEL_SELF && sel != SEL_OTHER && sel != SEL_GLOBAL) {
          return false;
        } else if (sel != SEL_GLOBAL && m_argument0 >= 0 && n.ind >= m_argument0 &&
                   n.ind < m_argument0 + kMaxArguments) {
          x.kind = kOperandArgument;
          x.index = n.ind - m_argument0;
        } else if (n.ind >= kUserVariableBase) {
          x.kind = kOperandVariable;
          x.index = n.ind;
          x.sel = sel;
        } else if (sel != SEL_GLOBAL && n.ind != builtin::Argument()) {
          // The argument array's getter reports a missing argument itself,
          // so it is read only by the full evaluation.
          x.kind = kOperandBuiltin;
          x.index = n.ind;
          x.sel = sel;
        } else {
          return false;
        }
        return true;
      }
      case NODE_VARIABLE: {
        if (n.ind < kUserVariableBase || n.itemnumb > 3) return false;
        const RToken &inst = n.Child(0);
        o.op = kRealArray;
        o.a = n.ind;
        o.count = n.itemnumb - 1;
        int popped = 0;
        int32_t selector = kRealDynamicSelector;
        if (inst.kind == NODE_CONSTANT && inst.value.IsReal()) {
          selector = RoundToInt32(inst.value.val);
        } else {
          ROperand sel;
          if (!Emit(inst, sel, depth, highest)) return false;
          OnStack(sel, depth, highest);
          ++popped;
        }
        ROperand index[2];
        for (int32_t i = 0; i < o.count; ++i) {
          if (!Emit(n.Child(i + 1), index[i], depth, highest)) return false;
          // Variables as indices are read by an operation of their own.
          if (index[i].kind == kOperandVariable || index[i].kind == kOperandBuiltin) OnStack(index[i], depth, highest);
          if (index[i].kind == kOperandStack) ++popped;
        }
        // Indices are never variables, so the selector fields are free for
        // the array's own selector and local slot.
        SetLeft(o, index[0]);
        SetRight(o, index[1]);
        o.lsel = selector;
        o.rsel = n.slot;
        depth -= popped;
        break;
      }
      case NODE_UNARY: {
        ROperand operand;
        if (!Emit(n.Child(0), operand, depth, highest)) return false;
        o.op = kRealUnary;
        o.a = n.ind;
        SetLeft(o, operand);
        if (operand.kind == kOperandStack) --depth;
        break;
      }
      case NODE_BINARY: return EmitChain(n, x, depth, highest);
      default: return false;
    }
    m_ops.push_back(o);
    Push(depth, highest);
    return true;
  }

  // A binary node and the binary nodes down its left side, in a loop: the
  // operations come out as the recursion would make them, the leftmost
  // operand first.
  bool EmitChain(const RToken &n, ROperand &x, int &depth, int &highest) {
    std::vector<const RToken *> chain;
    for (const RToken *at = &n; at->kind == NODE_BINARY && at->itemnumb == 2; at = &at->Child(0))
      chain.push_back(at);
    ROperand left;
    if (!Emit(chain.back()->Child(0), left, depth, highest)) return false;
    for (size_t i = chain.size(); i-- > 0;) {
      const RToken &b = *chain[i];
      ROperand right;
      if (!Emit(b.Child(1), right, depth, highest)) return false;
      RRealOp o;
      o.op = OperatorOp(b.ind);
      o.a = b.ind;
      SetLeft(o, left);
      SetRight(o, right);
      depth -= (left.kind == kOperandStack) + (right.kind == kOperandStack);
      m_ops.push_back(o);
      Push(depth, highest);
      left = ROperand{};  // the result is on the stack
    }
    x = left;
    return true;
  }

  CCode &m_code;
  std::vector<RRealOp> &m_ops;
  const int32_t m_argument0;
};

}  // namespace

void BuildRealPrograms(CCode &code, RToken &root, int32_t argument0) {
  code.i_reals.clear();
  code.i_switches.clear();
  CBuilder builder(code, argument0);
  builder.Visit(root, false);
}

namespace code_exec {

namespace {

// ---- running programs -----------------------------------------------------------
//
// Pure subtrees run their all-real program first; when it gives up, the
// general evaluation runs and reports whatever stopped it.


inline double Comparison(bool r) { return r ? 1.0 : 0.0; }

// The operators without a shortcut, exactly as the general evaluation
// applies them; false when the operation fails.
[[gnu::noinline]] bool RealOperation(int32_t oper, double &a, double b) {
  // Logic on two reals cannot fail; conditions joined with || and && are
  // common enough to spare them the general operator.
  if (oper == op::kAnd || oper == op::kOr || oper == op::kXor) {
    const bool x = RealIsTrue(a), y = RealIsTrue(b);
    a = (oper == op::kAnd ? x && y : oper == op::kOr ? x || y : x != y) ? 1.0 : 0.0;
    return true;
  }
  RValue l = RValue::Real(a);
  const RValue r = RValue::Real(b);
  if (!RealFastOperation(oper, l, r) && BinaryOperation(oper, l, r) != nullptr) return false;
  a = l.val;
  return true;
}

[[gnu::noinline]] bool RealUnary(int32_t oper, double &a) {
  RValue v = RValue::Real(a);
  if (UnaryOperation(oper, v) != nullptr) return false;
  a = v.val;
  return true;
}

// An operand read from an instance or the globals: a built-in variable
// through its getter, or a user variable's simple value.
[[gnu::noinline]] bool VariableOperand(RExecContext &ctx, int kind, int32_t index, int32_t sel, double &out) {
  if (kind == kOperandBuiltin) {
    // Built-in indices are never declared global, so the selector alone
    // picks the instance.
    const RBuiltinVariable *e = BuiltinEntry(index);
    if (e == nullptr || e->getter == nullptr) return false;
    RValue v;
    if (!e->getter(sel == SEL_OTHER ? ctx.other : ctx.self, 0, v) || v.kind != RValue::kReal) return false;
    out = v.val;
    return true;
  }
  return ReadReal(ExistingCell(ctx, sel, index, 0, -1), out);
}

// One operand of an operation; false when it is not a real at hand.
[[gnu::always_inline]] inline bool Operand(RExecContext &ctx, int kind, int32_t index, int32_t sel, double constant,
                                           double *&sp, double &out) {
  // Locals and constants first: they are most operands of loops.
  if (kind == kOperandLocal) {
    const RLocalSlot &place = ctx.slots[index];
    if (!place.exists || place.var.simplevalue.kind != RValue::kReal) return false;
    out = place.var.simplevalue.val;
    return true;
  }
  if (kind == kOperandConst) {
    out = constant;
    return true;
  }
  if (kind == kOperandStack) {
    out = *--sp;
    return true;
  }
  if (kind == kOperandArgument) {
    const RValue &v = g_ScriptCall.argument[index];
    if (v.kind != RValue::kReal) return false;
    out = v.val;
    return true;
  }
  return VariableOperand(ctx, kind, index, sel, out);
}

// One operation of a program: takes its operands, pushes its result.
[[gnu::always_inline]] inline bool StepReal(RExecContext &ctx, const RRealOp *p, double *&sp) {
  double a = 0.0, b = 0.0;
#define QUILLON_LEFT(p) Operand(ctx, (p)->lkind, (p)->l, (p)->lsel, (p)->ld, sp, a)
#define QUILLON_RIGHT(p) Operand(ctx, (p)->rkind, (p)->r, (p)->rsel, (p)->rd, sp, b)
  switch (p->op) {
    case kRealPush:
      if (!QUILLON_LEFT(p)) return false;
      *sp++ = a;
      return true;
    case kRealArray: {
      int32_t arr = 0;
      if (p->count > 0) {
        if (p->count > 1) {
          if (!QUILLON_RIGHT(p)) return false;
        }
        if (!QUILLON_LEFT(p) || !RealIndex(a, arr)) return false;
        if (p->count > 1) {
          int32_t j;
          if (!RealIndex(b, j)) return false;
          arr = arr * kArrayDim + j;
        }
      }
      int32_t sel = p->lsel;
      if (sel == kRealDynamicSelector) sel = RoundToInt32(*--sp);
      if (!ReadReal(ExistingCell(ctx, sel, p->a, arr, p->rsel), *sp)) return false;
      ++sp;
      return true;
    }
    case kRealUnary:
      if (!QUILLON_LEFT(p) || !RealUnary(p->a, a)) return false;
      *sp++ = a;
      return true;
    case kRealBinary:
      if (!QUILLON_RIGHT(p) || !QUILLON_LEFT(p)) return false;
      if (!WholeOperation(p->a, a, b) && !RealOperation(p->a, a, b)) {
        return false;
      }
      *sp++ = a;
      return true;
#define QUILLON_REAL_ARITH(name, expr)                 \
  case name:                                           \
    if (!QUILLON_RIGHT(p) || !QUILLON_LEFT(p)) return false; \
    *sp++ = CheckArith(expr, a, b);                    \
    return true;
      QUILLON_REAL_ARITH(kRealAdd, a + b)
      QUILLON_REAL_ARITH(kRealSub, a - b)
      QUILLON_REAL_ARITH(kRealMul, a * b)
#undef QUILLON_REAL_ARITH
      // NaN differences give up: the general way decides whether they trap.
#define QUILLON_REAL_COMPARE(name, test)               \
  case name: {                                         \
    if (!QUILLON_RIGHT(p) || !QUILLON_LEFT(p)) return false; \
    const double d = a - b;                            \
    if (d != d) return false;                          \
    *sp++ = Comparison(test);                          \
    return true;                                       \
  }
        QUILLON_REAL_COMPARE(kRealLess, d < -kCompareEpsilon)
        QUILLON_REAL_COMPARE(kRealLessEqual, d <= kCompareEpsilon)
        QUILLON_REAL_COMPARE(kRealGreater, d > kCompareEpsilon)
        QUILLON_REAL_COMPARE(kRealGreaterEqual, d >= -kCompareEpsilon)
        QUILLON_REAL_COMPARE(kRealEqual, d > -kCompareEpsilon && d < kCompareEpsilon)
        QUILLON_REAL_COMPARE(kRealNotEqual, d < -kCompareEpsilon || d > kCompareEpsilon)
#undef QUILLON_REAL_COMPARE
    case kRealAnd:
      if (!QUILLON_RIGHT(p) || !QUILLON_LEFT(p)) return false;
      *sp++ = Comparison(RealIsTrue(a) && RealIsTrue(b));
      return true;
    case kRealOr:
      if (!QUILLON_RIGHT(p) || !QUILLON_LEFT(p)) return false;
      *sp++ = Comparison(RealIsTrue(a) || RealIsTrue(b));
      return true;
      default: return false;
  }
#undef QUILLON_LEFT
#undef QUILLON_RIGHT
}

}  // namespace

// A program's value; one operation takes nothing from the stack and needs
// none.
bool EvalRealProgramFull(RExecContext &ctx, const RRealOp *p, double &out) {
  if (p[1].op == kRealEnd) {
    double *sp = &out;
    return StepReal(ctx, p, sp);
  }
  double stack[kRealStackDepth];
  double *sp = stack;  // the next free place
  for (; p->op != kRealEnd; ++p)
    if (!StepReal(ctx, p, sp)) return false;
  out = sp[-1];
  return true;
}

namespace {

// ---- the lean run of plain programs --------------------------------------------
//
// Each operation of a plain program carries one code for itself and the
// kinds of its two operands (RealLeanCode), so that a single dispatch picks
// a step that reads its operands without asking what they are.


template <int kKind>
[[gnu::always_inline]] inline bool LeanOperand(RExecContext &ctx, int32_t index, int32_t sel, double constant,
                                               double *&sp, double &out) {
  if constexpr (kKind == kOperandBuiltin) {
    const RBuiltinVariable *e = BuiltinEntry(index);
    return e != nullptr && e->reader != nullptr && e->reader(sel == SEL_OTHER ? ctx.other : ctx.self, out);
  } else if constexpr (kKind == kOperandStack) {
    out = *--sp;
  } else if constexpr (kKind == kOperandConst) {
    out = constant;
  } else if constexpr (kKind == kOperandLocal) {
    const RLocalSlot &place = ctx.slots[index];
    if (!place.exists || place.var.simplevalue.kind != RValue::kReal) return false;
    out = place.var.simplevalue.val;
  } else {
    const RValue &v = g_ScriptCall.argument[index];
    if (v.kind != RValue::kReal) return false;
    out = v.val;
  }
  return true;
}

// One operation, as StepReal does it for plain programs: the right operand
// is taken first (it is on top when both come from the stack).
template <int kOp, int kLeft, int kRight>
[[gnu::always_inline]] inline bool LeanStep(RExecContext &ctx, const RRealOp *p, double *&sp) {
  double a, b = 0.0;
  if constexpr (kOp != kRealPush) {
    if (!LeanOperand<kRight>(ctx, p->r, p->rsel, p->rd, sp, b)) return false;
  }
  if (!LeanOperand<kLeft>(ctx, p->l, p->lsel, p->ld, sp, a)) return false;
  if constexpr (kOp == kRealPush) {
    *sp++ = a;
  } else if constexpr (kOp == kRealBinary) {
    if (!WholeOperation(p->a, a, b)) return false;
    *sp++ = a;
  } else if constexpr (kOp == kRealAdd) {
    *sp++ = CheckArith(a + b, a, b);
  } else if constexpr (kOp == kRealSub) {
    *sp++ = CheckArith(a - b, a, b);
  } else if constexpr (kOp == kRealMul) {
    *sp++ = CheckArith(a * b, a, b);
  } else if constexpr (kOp == kRealAnd) {
    *sp++ = Comparison(RealIsTrue(a) && RealIsTrue(b));
  } else if constexpr (kOp == kRealOr) {
    *sp++ = Comparison(RealIsTrue(a) || RealIsTrue(b));
  } else {
    // NaN differences give up: the general way decides whether they trap.
    const double d = a - b;
    if (d != d) return false;
    if constexpr (kOp == kRealLess) *sp++ = Comparison(d < -kCompareEpsilon);
    else if constexpr (kOp == kRealLessEqual) *sp++ = Comparison(d <= kCompareEpsilon);
    else if constexpr (kOp == kRealGreater) *sp++ = Comparison(d > kCompareEpsilon);
    else if constexpr (kOp == kRealGreaterEqual) *sp++ = Comparison(d >= -kCompareEpsilon);
    else if constexpr (kOp == kRealEqual) *sp++ = Comparison(d > -kCompareEpsilon && d < kCompareEpsilon);
    else *sp++ = Comparison(d < -kCompareEpsilon || d > kCompareEpsilon);
  }
  return true;
}

// One operation of a plain program, the lean way.
[[gnu::always_inline]] inline bool LeanDispatch(RExecContext &ctx, const RRealOp *p, double *&sp) {
  switch (p->lean) {
#define QUILLON_LEAN(op, l, r) \
  case RealLeanCode(op, l, r): return LeanStep<op, l, r>(ctx, p, sp);
#define QUILLON_LEAN_RIGHT(op, l)        \
  QUILLON_LEAN(op, l, kOperandStack)     \
  QUILLON_LEAN(op, l, kOperandConst)     \
  QUILLON_LEAN(op, l, kOperandLocal)     \
  QUILLON_LEAN(op, l, kOperandArgument)  \
  QUILLON_LEAN(op, l, kOperandBuiltin)
#define QUILLON_LEAN_OP(op)                 \
  QUILLON_LEAN_RIGHT(op, kOperandStack)     \
  QUILLON_LEAN_RIGHT(op, kOperandConst)     \
  QUILLON_LEAN_RIGHT(op, kOperandLocal)     \
  QUILLON_LEAN_RIGHT(op, kOperandArgument)  \
  QUILLON_LEAN_RIGHT(op, kOperandBuiltin)
    QUILLON_LEAN(kRealPush, kOperandConst, kOperandStack)
    QUILLON_LEAN(kRealPush, kOperandLocal, kOperandStack)
    QUILLON_LEAN(kRealPush, kOperandArgument, kOperandStack)
    QUILLON_LEAN(kRealPush, kOperandBuiltin, kOperandStack)
    QUILLON_LEAN_OP(kRealBinary)
    QUILLON_LEAN_OP(kRealAdd)
    QUILLON_LEAN_OP(kRealSub)
    QUILLON_LEAN_OP(kRealMul)
    QUILLON_LEAN_OP(kRealLess)
    QUILLON_LEAN_OP(kRealLessEqual)
    QUILLON_LEAN_OP(kRealGreater)
    QUILLON_LEAN_OP(kRealGreaterEqual)
    QUILLON_LEAN_OP(kRealEqual)
    QUILLON_LEAN_OP(kRealNotEqual)
    QUILLON_LEAN_OP(kRealAnd)
    QUILLON_LEAN_OP(kRealOr)
#undef QUILLON_LEAN_OP
#undef QUILLON_LEAN_RIGHT
#undef QUILLON_LEAN
    default: return false;
  }
}

}  // namespace

// A plain program first runs the lean way, which calls out for nothing;
// when it stops short (an operand that is not a real, an operation it does
// not do itself) the full way runs it again from the start, which reads the
// same values and settles it.
bool EvalRealProgramPlain(RExecContext &ctx, const RRealOp *p, double &out) {
  double stack[kRealStackDepth];
  double *sp = stack;  // the next free place
  for (; p->op != kRealEnd; ++p)
    if (!LeanDispatch(ctx, p, sp)) return false;
  out = sp[-1];
  return true;
}

namespace {


// An index operand of an array cell read: a constant, a local or an
// argument slot.
[[gnu::always_inline]] inline bool IndexOperand(RExecContext &ctx, int kind, int32_t index, double constant,
                                                int32_t &out) {
  double x;
  if (!PlainOperandValue(ctx, kind, index, constant, x)) return false;
  // Whole indices in range, nearly all of them, need no rounding.
  if (x >= 0.0 && x < static_cast<double>(kArrayDim)) {
    const auto i = static_cast<int32_t>(x);
    if (static_cast<double>(i) == x) {
      out = i;
      return true;
    }
  }
  return RealIndex(x, out);
}

}  // namespace

// The lean run of a program that reads one array cell through a constant
// selector; false leaves it to the full run, which reads the same cell or
// reports why it cannot.
bool ReadArrayCell(RExecContext &ctx, const RRealOp &p, double &out) {
  int32_t arr = 0;
  if (p.count > 0) {
    if (!IndexOperand(ctx, p.lkind, p.l, p.ld, arr)) return false;
    if (p.count > 1) {
      int32_t j;
      if (!IndexOperand(ctx, p.rkind, p.r, p.rd, j)) return false;
      arr = arr * kArrayDim + j;
    }
  }
  return ReadReal(ExistingCell(ctx, p.lsel, p.a, arr, p.rsel), out);
}

}  // namespace code_exec
