#include "code/Code_RealProgram.h"

#include <algorithm>
#include <cmath>

#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"

namespace {

class CBuilder {
public:
  CBuilder(CCode &code, int32_t argument0) : m_code(code), m_ops(code.i_reals), m_argument0(argument0) {}

  // Visits the tree; `inside` when n is a piece of a program already made.
  void Visit(RToken &n, bool inside) {
    n.real = -1;
    if (!inside && (n.flags & RToken::kPureNode) != 0 &&
        (n.kind == NODE_BINARY || n.kind == NODE_UNARY || n.kind == NODE_VARIABLE)) {
      const size_t start = m_ops.size();
      int depth = 0, highest = 0;
      ROperand result;
      if (Emit(n, result, depth, highest) && highest <= kRealStackDepth) {
        m_ops.push_back(RRealOp{});  // kRealEnd
        n.real = static_cast<int32_t>(start);
        m_ops[start].plain = Plain(start) ? kRunPlain : ArrayCell(start) ? kRunArrayCell : kRunGeneral;
        inside = true;
      } else {
        m_ops.resize(start);
      }
    }
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

private:
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

  // Whether the program from `start` needs nothing but reals at hand and
  // the operations the lean run does itself (div and mod of whole numbers
  // among the general binary operators).
  // Gives the operations of a plain program their lean codes.
  bool Plain(size_t start) {
    for (size_t i = start; m_ops[i].op != kRealEnd; ++i) {
      const RRealOp &o = m_ops[i];
      if (o.op == kRealArray || o.op == kRealUnary) return false;
      if (o.op == kRealBinary && o.a != op::kMod && o.a != op::kDiv) return false;
      if (!PlainOperand(o.lkind) || !PlainOperand(o.rkind)) return false;
    }
    for (size_t i = start; m_ops[i].op != kRealEnd; ++i) {
      RRealOp &o = m_ops[i];
      o.lean = RealLeanCode(o.op, o.lkind, o.rkind);
    }
    return true;
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
      case NODE_BINARY: {
        ROperand left, right;
        if (!Emit(n.Child(0), left, depth, highest)) return false;
        if (!Emit(n.Child(1), right, depth, highest)) return false;
        o.op = OperatorOp(n.ind);
        o.a = n.ind;
        SetLeft(o, left);
        SetRight(o, right);
        depth -= (left.kind == kOperandStack) + (right.kind == kOperandStack);
        break;
      }
      default: return false;
    }
    m_ops.push_back(o);
    Push(depth, highest);
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
