#include "code/Code_Phase4.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"

namespace {

bool s_directWrites = true;

class Walker {
public:
  explicit Walker(CCode &code) : m_code(code), m_argument0(builtin::Argument0()) {}

  bool Walk(RToken &n) {
    if (n.kind == NODE_BINARY && n.itemnumb == 2 && n.items[0].kind == NODE_BINARY) return WalkChain(n);
    for (int32_t i = 0; i < n.itemnumb; ++i)
      if (!Walk(n.items[i])) return false;
    return Finish(n);
  }

private:
  // A chain of binary operators, in the same order as the recursion would
  // take it (each left operand, then its right one, then the node), but in
  // a loop down the left side.
  bool WalkChain(RToken &top) {
    std::vector<RToken *> chain;
    for (RToken *at = &top; at->kind == NODE_BINARY && at->itemnumb == 2; at = &at->items[0]) chain.push_back(at);
    for (size_t i = chain.size(); i-- > 0;) {
      RToken &n = *chain[i];
      if (i + 1 == chain.size() && !Walk(n.items[0])) return false;
      if (!Walk(n.items[1]) || !Finish(n)) return false;
    }
    return true;
  }

  // What the walk does at a node once its children are done.
  bool Finish(RToken &n) {
    n.aux = 0;
    n.slot = -1;
    n.flags = 0;
    switch (n.kind) {
      case NODE_VAR:
        for (const RToken &name : n) Declare(name.ind);
        return true;
      case NODE_VARIABLE: {
        if (!Variable(n)) return false;
        MarkVariable(n);
        return true;
      }
      case NODE_CONSTANT: n.flags = RToken::kPureNode; return true;
      case NODE_ASSIGN: n.aux = AssignForm(n); return true;
      case NODE_UNARY: {
        RToken &operand = n.items[0];
        if (operand.kind != NODE_CONSTANT) {
          n.flags = operand.flags & RToken::kPureNode;
          return true;
        }
        RValue v = operand.value;
        if (const char *msg = UnaryOperation(n.ind, v)) return Fail(operand.position, msg);
        MakeConstant(n, std::move(v));
        return true;
      }
      case NODE_BINARY: {
        RToken &left = n.items[0];
        RToken &right = n.items[1];
        if (left.kind != NODE_CONSTANT || right.kind != NODE_CONSTANT) {
          n.flags = left.flags & right.flags & RToken::kPureNode;
          return true;
        }
        // The left constant goes with the node, so a long chain of texts
        // does not copy its growing left side once more per link.
        RValue v = std::move(left.value);
        if (const char *msg = BinaryOperation(n.ind, v, right.value)) return Fail(right.position, msg);
        MakeConstant(n, std::move(v));
        return true;
      }
      default:
        return true;
    }
  }

  bool Fail(int32_t position, const char *message) {
    CodeError(m_code, position, message);
    return false;
  }

  // The folded node keeps its position: the start of what it replaced.
  static void MakeConstant(RToken &n, RValue v) {
    n.kind = NODE_CONSTANT;
    n.ind = 0;
    n.ind2 = 0;
    n.value = std::move(v);
    n.itemnumb = 0;
    n.items.reset();
    n.flags = RToken::kPureNode;
  }

  // A variable node (kind 7 or 8, selector fixed): its local place, and
  // whether reading it only reads. A built-in variable read without an
  // index from self or other only asks its getter, which changes nothing;
  // the argument array's getter reports a missing argument, so it is not
  // pure, and neither are built-ins read with an index or through an
  // object, an id or all.
  void MarkVariable(RToken &n) {
    const bool local = n.kind == NODE_VARIABLE_SIMPLE
                           ? n.ind2 == SEL_LOCAL
                           : n.items[0].kind == NODE_CONSTANT && n.items[0].value.IsReal() &&
                                 RoundToInt32(n.items[0].value.val) == SEL_LOCAL;
    if (local) n.slot = LocalSlot(n.ind);
    const bool argument = m_argument0 >= 0 && n.ind >= m_argument0 && n.ind < m_argument0 + kMaxArguments;
    const bool plainBuiltin = n.kind == NODE_VARIABLE_SIMPLE && n.ind >= 0 && n.ind < kUserVariableBase &&
                              n.ind != builtin::Argument() &&
                              (n.ind2 == SEL_UNSPECIFIED || n.ind2 == SEL_SELF || n.ind2 == SEL_OTHER);
    if (n.ind < kUserVariableBase && !argument && !plainBuiltin) return;
    for (const RToken &c : n)
      if ((c.flags & RToken::kPureNode) == 0) return;
    n.flags = RToken::kPureNode;
  }

  // How the interpreter may run an assignment (Code_Main.h): a local taking
  // a routine's answer, or a write to a variable whose owner the selector
  // fixes (self, other, global, or a plain name), which goes straight to
  // its list or its built-in setter. The selector goes to the node's ind2.
  int32_t AssignForm(RToken &n) const {
    n.ind2 = 0;
    if (n.itemnumb != 2) return 0;
    const RToken &target = n.items[0];
    const RToken &source = n.items[1];
    if (target.kind == NODE_VARIABLE_SIMPLE && target.ind2 == SEL_LOCAL && target.slot >= 0) {
      // `x = f(..)`, `x += f(..)`: the shape of most lines that ask a
      // library something.
      if (n.ind != SYM_ASSIGN && n.ind != SYM_ADD_ASSIGN && n.ind != SYM_SUB_ASSIGN && n.ind != SYM_MUL_ASSIGN)
        return 0;
      if (source.kind != NODE_CALL || source.ind < 0 || source.ind >= kFunctionScriptBase) return 0;
      return RToken::kAssignFromRoutine;
    }
    if (!s_directWrites || CompoundSymbol(n.ind) == 0) return 0;
    int32_t sel;
    if (target.kind == NODE_VARIABLE_SIMPLE) {
      sel = target.ind2;
    } else if (target.kind == NODE_VARIABLE && target.itemnumb >= 2 && target.items[0].kind == NODE_CONSTANT &&
               target.items[0].value.IsReal()) {
      // Only selectors near the named ones are rounded here: a huge one
      // must trap at run time, as it always has.
      const double v = target.items[0].value.val;
      if (!(v >= -8 && v <= 1)) return 0;
      sel = RoundToInt32(v);
    } else {
      return 0;
    }
    const int32_t ind = target.ind;
    if (ind >= kUserVariableBase) {
      if (sel != SEL_SELF && sel != SEL_OTHER && sel != SEL_GLOBAL && sel != SEL_UNSPECIFIED) return 0;
      n.ind2 = sel;
      return RToken::kAssignToUser;
    }
    // A built-in of self or other; the argument variables keep the general
    // way, which tracks the slots they write.
    if (sel != SEL_SELF && sel != SEL_OTHER && sel != SEL_UNSPECIFIED) return 0;
    if (ind < 0 || m_argument0 < 0 || (ind >= m_argument0 && ind < m_argument0 + kMaxArguments) ||
        ind == builtin::Argument())
      return 0;
    n.ind2 = sel;
    return RToken::kAssignToBuiltin;
  }

  // Every assignment symbol the interpreter knows: = or a compound one.
  static int32_t CompoundSymbol(int32_t symbol) {
    switch (symbol) {
      case SYM_ASSIGN:
      case SYM_ADD_ASSIGN:
      case SYM_SUB_ASSIGN:
      case SYM_MUL_ASSIGN:
      case SYM_DIV_ASSIGN:
      case SYM_OR_ASSIGN:
      case SYM_AND_ASSIGN:
      case SYM_XOR_ASSIGN: return symbol;
      default: return 0;
    }
  }

  int32_t LocalSlot(int32_t ind) {
    std::vector<int32_t> &locals = m_code.i_locals;
    for (size_t i = 0; i < locals.size(); ++i)
      if (locals[i] == ind) return static_cast<int32_t>(i);
    locals.push_back(ind);
    return static_cast<int32_t>(locals.size() - 1);
  }

  bool Variable(RToken &n) {
    RToken &inst = n.items[0];
    if (inst.kind == NODE_CONSTANT && inst.value.IsReal() && inst.value.val == SEL_UNSPECIFIED &&
        IsDeclared(n.ind))
      inst.value.val = SEL_LOCAL;
    if (n.itemnumb == 1 && inst.kind == NODE_CONSTANT) {
      if (!inst.value.IsReal()) return Fail(inst.position, "Left hand side must be a real value.");
      n.kind = NODE_VARIABLE_SIMPLE;
      n.ind2 = RoundToInt32(inst.value.val);
      n.itemnumb = 0;
      n.items.reset();
      return true;
    }
    n.aux = n.itemnumb - 1;
    return true;
  }

  // The declared locals of this compilation, one flag per user variable
  // index; grows with the highest index declared.
  void Declare(int32_t ind) {
    if (ind < kUserVariableBase) return;
    const auto slot = static_cast<size_t>(ind - kUserVariableBase);
    if (slot >= m_declared.size()) m_declared.resize(slot + 1, 0);
    m_declared[slot] = 1;
  }
  bool IsDeclared(int32_t ind) const {
    if (ind < kUserVariableBase) return false;
    const auto slot = static_cast<size_t>(ind - kUserVariableBase);
    return slot < m_declared.size() && m_declared[slot] != 0;
  }

  CCode &m_code;
  const int32_t m_argument0;  // index of argument0, or -1 before the table is filled
  std::vector<uint8_t> m_declared;
};

}  // namespace

void SetDirectWrites(bool on) { s_directWrites = on; }

bool FinalWalk(CCode &code, RToken &root) {
  Walker walker(code);
  return walker.Walk(root);
}
