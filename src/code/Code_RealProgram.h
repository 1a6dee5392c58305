// All-real programs: a pure expression subtree (one that only reads
// variables and applies operators) compiled once more into a short postfix
// program over plain reals. The interpreter runs it before the general
// evaluation: on numbers it gives the same result without copying a single
// value; on anything else (a string, a missing variable, an index out of
// range, a failing operation) it gives up and the general evaluation runs
// instead, which meets the same thing and reports it. Reading has no
// effects and the operations run in the same order on the same numbers, so
// giving up halfway changes nothing.
#pragma once

#include <cstdint>
#include <vector>

class CCode;
struct RToken;

// Where an operation finds an operand: popped from the stack of results,
// or read directly, so that constants and variables cost no operation.
enum ERealOperand : int8_t {
  kOperandStack = 0,
  kOperandConst,     // the constant
  kOperandLocal,     // the simple value of the local in slot `index`
  kOperandArgument,  // argument slot `index`
  kOperandVariable,  // the simple value of user variable `index` through the constant selector
  kOperandBuiltin,   // built-in variable `index` of self or other (selector `sel`), through its getter
};

enum ERealOp : int16_t {
  kRealEnd = 0,      // the result is on top
  kRealPush,         // push the left operand
  kRealArray,        // push cell `count` indices (left, right operands; none is a
                     // variable) of user variable a through selector lsel, local slot
                     // rsel; a dynamic selector is popped after the indices
  kRealUnary,        // the unary operator a on the left operand
  kRealBinary,       // the binary operator a on the left and right operands
  kRealAdd,          // the common operators without a detour
  kRealSub,
  kRealMul,
  kRealLess,
  kRealLessEqual,
  kRealGreater,
  kRealGreaterEqual,
  kRealEqual,
  kRealNotEqual,
  kRealAnd,          // logic on two reals cannot fail
  kRealOr,
};

constexpr int32_t kRealDynamicSelector = INT32_MIN;

// How a program may be run, beside the general way that does everything.
enum ERealRun : int8_t {
  kRunGeneral = 0,
  // Every operation is plain: reals from the stack, constants, locals and
  // argument slots only, and no operation that can need the general
  // operators.
  kRunPlain,
  // As plain, but some operands are built-in variables with a reader (a
  // read without effects, so giving up and running again changes nothing).
  kRunReads,
  // The program is one array cell read: a constant selector, and indices
  // that are constants, locals or argument slots (array loops are made of
  // these).
  kRunArrayCell,
};

// One operation: it takes its operands (the right one first when both come
// from the stack) and pushes its result.
struct RRealOp {
  int16_t op = kRealEnd;
  int8_t lkind = kOperandStack;
  int8_t rkind = kOperandStack;
  // Set on a program's first operation: how the program may be run.
  int8_t run = kRunGeneral;
  int32_t a = 0;
  int32_t l = 0;      // operand index (slot or variable)
  int32_t r = 0;
  int32_t lsel = 0;   // operand selector
  int32_t rsel = 0;
  int32_t count = 0;
  double ld = 0.0;    // operand constant
  double rd = 0.0;
  // In a plain program: RealLeanCode of the operation and its operand kinds.
  int16_t lean = 0;
};

constexpr int16_t RealLeanCode(int op, int lkind, int rkind) {
  return static_cast<int16_t>(op << 6 | lkind << 3 | rkind);
}

// A switch whose labels, up to its first default, are all real constants
// gets a table: one entry per label value (the first label of that value,
// since the first match wins), sorted by value, then one entry whose start
// is that of the default (-1 when none). `start` is the child at which
// execution begins.
struct RSwitchEntry {
  double value = 0.0;
  int32_t start = -1;
};

// No program needs more stack than this; deeper expressions get none.
constexpr int kRealStackDepth = 32;

// Gives every pure subtree that stands on its own (an operand of a
// statement, call, condition or index, not a piece of a larger pure
// subtree) its program in code.i_reals, at the offset kept in its node's
// `real`. Variables and constants alone get none: they are read directly.
// Switches with real constant labels get their tables in code.i_switches.
// `argument0` is the index of the argument0 variable (or -1).
void BuildRealPrograms(CCode &code, RToken &root, int32_t argument0);

// Running a program for one code run: each answers its value, or false when
// it gives up (and the general evaluation must run the subtree). The full
// run does every program; the plain run only programs marked kRunPlain or
// kRunReads, the cell read only those marked kRunArrayCell.
namespace code_exec {
struct RExecContext;
bool EvalRealProgramFull(RExecContext &ctx, const RRealOp *p, double &out);
bool EvalRealProgramPlain(RExecContext &ctx, const RRealOp *p, double &out);
bool ReadArrayCell(RExecContext &ctx, const RRealOp &p, double &out);
}  // namespace code_exec
