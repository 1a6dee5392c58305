// CCode: one unit of script text (a script, a code action, an action
// argument, creation code, a trigger condition, a constant's value or an
// execute_string text) together with its compiled tree, and RToken, the node
// of that tree that the interpreter walks.
//
// Compiling runs four phases: tokenising (Code_Phase1), resolving names to
// functions, constants and variables (Code_Phase2), parsing (Code_Phase3) and
// a final walk that marks locals and numbers their places, precomputes
// constant instance selectors, folds constant operations and marks the
// subtrees that only read values (Code_Phase4). The tree holds indices only, so
// execution never looks a name up.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "code/Code_RealProgram.h"
#include "code/Variable_Class.h"

// --- symbols --------------------------------------------------------------
// Shared by the lexer, the parser and the tree: the `ind` of operator and
// assignment nodes is one of these. 11..30 are statement keywords, 101..116
// assignment operators and punctuation, 201..222 expression operators.
enum : int32_t {
  SYM_END = -2,        // end of text
  SYM_BAD = -1,        // a character that starts no token
  SYM_IDENT = 0,
  SYM_NUMBER = 1,
  SYM_STRING = 2,
  SYM_CONSTANT = 5,    // after name resolution: a literal, constant or resource name
  SYM_FUNCTION = 6,    // after name resolution: function id in `ind`
  SYM_VARIABLE = 7,    // after name resolution: variable index in `ind`

  SYM_BEGIN = 11,      // begin {
  SYM_END_BLOCK = 12,  // end }
  SYM_IF = 13,
  SYM_THEN = 14,
  SYM_ELSE = 15,
  SYM_WHILE = 16,
  SYM_DO = 17,
  SYM_FOR = 18,
  SYM_UNTIL = 19,
  SYM_REPEAT = 20,
  SYM_EXIT = 21,
  SYM_BREAK = 22,
  SYM_CONTINUE = 23,
  SYM_WITH = 24,
  SYM_RETURN = 25,
  SYM_SWITCH = 26,
  SYM_CASE = 27,
  SYM_DEFAULT = 28,
  SYM_VAR = 29,
  SYM_GLOBALVAR = 30,

  SYM_ASSIGN = 101,    // = :=  (inside an expression: equality)
  SYM_ADD_ASSIGN = 102,
  SYM_SUB_ASSIGN = 103,
  SYM_MUL_ASSIGN = 104,
  SYM_DIV_ASSIGN = 105,
  SYM_LPAREN = 106,
  SYM_RPAREN = 107,
  SYM_SEMICOLON = 108,
  SYM_COMMA = 109,
  SYM_LBRACKET = 110,
  SYM_RBRACKET = 111,
  SYM_DOT = 112,
  SYM_COLON = 113,
  SYM_OR_ASSIGN = 114,
  SYM_AND_ASSIGN = 115,
  SYM_XOR_ASSIGN = 116,

  SYM_AND = 201,       // and &&
  SYM_OR = 202,        // or ||
  SYM_NOT = 203,       // not !
  SYM_LESS = 204,
  SYM_LESS_EQUAL = 205,
  SYM_EQUAL = 206,
  SYM_NOT_EQUAL = 207, // != <>
  SYM_GREATER_EQUAL = 208,
  SYM_GREATER = 209,
  SYM_PLUS = 210,
  SYM_MINUS = 211,
  SYM_TIMES = 212,
  SYM_DIVIDE = 213,
  SYM_DIV = 214,
  SYM_MOD = 215,
  SYM_XOR = 216,       // xor ^^
  SYM_BIT_OR = 217,
  SYM_BIT_AND = 218,
  SYM_BIT_XOR = 219,
  SYM_BIT_NOT = 220,
  SYM_SHIFT_LEFT = 221,
  SYM_SHIFT_RIGHT = 222,
};

// --- tree node kinds --------------------------------------------------------
enum : int32_t {
  NODE_EMPTY_PROGRAM = -2,   // a program without tokens
  NODE_EMPTY = -1,           // a `;` where a statement was expected (executing it fails); also a fresh node
  NODE_CONSTANT = 5,         // `value`
  NODE_CALL = 6,             // `ind` function id; children: the arguments (at most 16)
  NODE_VARIABLE = 7,         // `ind` variable index; [0] instance expr, [1] first index, [2] second index
  NODE_VARIABLE_SIMPLE = 8,  // `ind` variable index, `ind2` constant instance selector; no index, no children
  NODE_IF = 13,              // condition, then, optional else
  NODE_WHILE = 16,           // condition, body
  NODE_DO = 17,              // body, condition
  NODE_FOR = 18,             // initial statement, condition, step statement, body
  NODE_REPEAT = 20,          // count, body
  NODE_EXIT = 21,
  NODE_BREAK = 22,
  NODE_CONTINUE = 23,
  NODE_WITH = 24,            // instance expression, body
  NODE_RETURN = 25,          // the expression
  NODE_SWITCH = 26,          // [0] expression, then the body's statements with case/default labels among them
  NODE_CASE = 27,            // the label expression
  NODE_DEFAULT = 28,
  NODE_VAR = 29,             // one constant child per name, its `ind` = variable index
  NODE_GLOBALVAR = 30,       // as NODE_VAR
  NODE_ASSIGN = 101,         // `ind` assignment symbol (101..105, 114..116); [0] target (7 or 8), [1] value
  NODE_BLOCK = 1000,         // the statements in order
  NODE_UNARY = 1010,         // `ind` operator symbol (203, 210, 211, 220); the operand
  NODE_BINARY = 1011,        // `ind` operator symbol; left, right
};

// Instance selectors: the instance expression of a variable (child 0 of a
// kind-7 node, `ind2` of a kind-8 node). 0..99999 is an object index, 100000
// and above an instance id.
constexpr int32_t SEL_SELF = -1;
constexpr int32_t SEL_OTHER = -2;
constexpr int32_t SEL_ALL = -3;
constexpr int32_t SEL_NOONE = -4;
constexpr int32_t SEL_GLOBAL = -5;
constexpr int32_t SEL_UNSPECIFIED = -6;  // a plain name: global when declared with globalvar, else self
constexpr int32_t SEL_LOCAL = -7;        // a name declared with var earlier in the same code

// One node of a compiled tree. 72 bytes; the children live in one contiguous
// array owned by the node. Nodes are moved, never copied.
struct RToken {
  int32_t kind = NODE_EMPTY;
  int32_t ind = 0;        // operator symbol, function id or variable index
  int32_t ind2 = 0;       // kind 8: the instance selector; kind 101: see `aux`
  int32_t position = 0;   // 1-based text position for run-time error messages
  int32_t itemnumb = 0;   // number of children
  // Filled by the final walk so the interpreter need not recount:
  //   kind 7: the number of index expressions (0, 1 or 2);
  //   kind 101: kAssignFromRoutine when the target is a numbered local,
  //     the symbol is =, += , -= or *= and the value is a call of a
  //     built-in routine; kAssignToUser when the target is a user variable
  //     through the constant selector self, other, global or unspecified,
  //     kAssignToBuiltin when it is a built-in (not an argument variable)
  //     of self, other or unspecified, the selector then in `ind2`; else 0;
  //   every other kind: 0.
  // (While parsing it holds the height of the subtree; see Code_Phase3.)
  int32_t aux = 0;
  // Kinds 7 and 8 whose selector is the constant local: the variable's
  // numbered place among the code's locals (CCode::i_locals); else -1.
  int32_t slot = -1;
  // kPureNode: the subtree only reads values (constants, user and argument
  // variables, operators), so evaluating it twice is the same as once.
  int32_t flags = 0;
  static constexpr int32_t kPureNode = 1;
  static constexpr int32_t kAssignFromRoutine = 1;
  static constexpr int32_t kAssignToUser = 2;
  static constexpr int32_t kAssignToBuiltin = 3;
  // The offset of the subtree's all-real program in CCode::i_reals, or -1
  // (see Code_RealProgram.h). A switch whose labels are all real constants:
  // the offset of its label table in CCode::i_switches (`slot` entries and
  // one for the default), or -1.
  int32_t real = -1;
  RValue value;           // kind 5: the constant
  std::unique_ptr<RToken[]> items;  // the children; null when itemnumb is 0

  RToken() = default;
  RToken(RToken &&) noexcept = default;
  RToken &operator=(RToken &&) noexcept = default;
  RToken(const RToken &) = delete;
  RToken &operator=(const RToken &) = delete;
  ~RToken();

  const RToken &Child(int i) const { return items[i]; }
  RToken &Child(int i) { return items[i]; }
  const RToken *begin() const { return items.get(); }
  const RToken *end() const { return items.get() + itemnumb; }

  void Clear();  // back to a fresh node (kind -1, no children)
};

class CCode {
public:
  static constexpr int32_t kProgram = 1;
  static constexpr int32_t kExpression = 2;
  static constexpr int32_t kConstantExpression = 3;

  int32_t i_kind = kProgram;   // 1 program, 2 expression, 3 expression folded to `i_value`
  bool i_compiled = false;
  std::string i_str;           // the source text
  RToken i_token;              // root of the compiled tree
  RValue i_value;              // the constant when i_kind is 3
  int32_t i_Args = 0;          // 1 + the highest N of argumentN (N = 0..15) in the text; 0 when none
  bool i_ArgArray = false;     // the text uses argument[...]
  // The variable indices the code addresses as locals, by slot number: an
  // execution keeps its locals in that many numbered places.
  std::vector<int32_t> i_locals;
  // The all-real programs of the pure subtrees (Code_RealProgram.h).
  std::vector<RRealOp> i_reals;
  // The label tables of switches (Code_RealProgram.h).
  std::vector<RSwitchEntry> i_switches;

  CCode() = default;
  CCode(std::string_view text, bool isexp) { Create(text, isexp); }
  CCode(const CCode &) = delete;
  CCode &operator=(const CCode &) = delete;

  // Stores the text; not compiled; kind 2 for an expression, else 1.
  void Create(std::string_view text, bool isexp);
  // Runs the four phases. On failure answers false with the first error
  // recorded through ReportCodeError (Code_Error.h); the tree is freed.
  bool Compile();
  const std::string &GetText() const { return i_str; }
  // Frees the tree; the code is no longer compiled.
  void Destroy();

  const RToken &Token() const { return i_token; }
  int32_t Kind() const { return i_kind; }
  bool Compiled() const { return i_compiled; }
  const RValue &Value() const { return i_value; }
  int32_t Args() const { return i_Args; }
  bool ArgsArray() const { return i_ArgArray; }
  bool IsProgram() const { return i_kind == kProgram; }
};

// Records a compile or run-time error for this code at a 1-based position
// (a program gets "Error in code at line ...", an expression "Error in
// expression:..."). The first error of an execution wins.
void CodeError(const CCode &code, int32_t position, std::string_view message);

// Nesting beyond this many levels (parentheses, blocks, calls, prefix
// operators, dot chains; not the length of a chain of binary operators)
// fails the compilation, so that neither the compiler nor the interpreter
// can run out of stack on hostile text.
constexpr int32_t kMaxCodeNesting = 1000;

// The language's run state back to a fresh start: reported errors and the
// error flags, the code-error recorder and every global variable. The
// function table, scripts and constants are the game's definitions and stay.
void Code_ResetState();
