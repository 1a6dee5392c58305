// The lean run of plain all-real programs (see Code_RealProgram.h): each
// operation carries one code for itself and the kinds of its two operands
// (RealLeanCode), so that a single dispatch picks a step that reads its
// operands without asking what they are. In a header so that the call of a
// script can run a single operation in line (n - 1 of a recursive call).
#pragma once

#include "code/Code_Operator.h"
#include "code/Code_RealProgram.h"
#include "code/Code_Variable.h"

namespace code_exec {

inline double Comparison(bool r) { return r ? 1.0 : 0.0; }

template <int kKind>
[[gnu::always_inline]] inline bool LeanOperand(RExecContext &ctx, int32_t index, double constant, double *&sp,
                                               double &out) {
  if constexpr (kKind == kOperandStack) {
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
    if (!LeanOperand<kRight>(ctx, p->r, p->rd, sp, b)) return false;
  }
  if (!LeanOperand<kLeft>(ctx, p->l, p->ld, sp, a)) return false;
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
  QUILLON_LEAN(op, l, kOperandArgument)
#define QUILLON_LEAN_OP(op)                 \
  QUILLON_LEAN_RIGHT(op, kOperandStack)     \
  QUILLON_LEAN_RIGHT(op, kOperandConst)     \
  QUILLON_LEAN_RIGHT(op, kOperandLocal)     \
  QUILLON_LEAN_RIGHT(op, kOperandArgument)
    QUILLON_LEAN(kRealPush, kOperandConst, kOperandStack)
    QUILLON_LEAN(kRealPush, kOperandLocal, kOperandStack)
    QUILLON_LEAN(kRealPush, kOperandArgument, kOperandStack)
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

}  // namespace code_exec
