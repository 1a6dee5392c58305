#include "code/Code_Phase3.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Variable_Main.h"

namespace {

bool IsAssignmentSymbol(int32_t s) {
  return (s >= SYM_ASSIGN && s <= SYM_DIV_ASSIGN) || (s >= SYM_OR_ASSIGN && s <= SYM_XOR_ASSIGN);
}

bool IsUnarySymbol(int32_t s) {
  return s == SYM_NOT || s == SYM_MINUS || s == SYM_PLUS || s == SYM_BIT_NOT;
}

// The binary operator levels, 1 (lowest) .. 6; 0 for anything else. Level 7
// is the prefix operators.
int BinaryLevel(int32_t s) {
  switch (s) {
    case SYM_AND: case SYM_OR: case SYM_XOR: return 1;
    case SYM_LESS: case SYM_LESS_EQUAL: case SYM_EQUAL: case SYM_NOT_EQUAL: case SYM_GREATER_EQUAL:
    case SYM_GREATER: case SYM_ASSIGN: return 2;
    case SYM_BIT_OR: case SYM_BIT_AND: case SYM_BIT_XOR: return 3;
    case SYM_SHIFT_LEFT: case SYM_SHIFT_RIGHT: return 4;
    case SYM_PLUS: case SYM_MINUS: return 5;
    case SYM_TIMES: case SYM_DIVIDE: case SYM_DIV: case SYM_MOD: return 6;
    default: return 0;
  }
}

bool IsExpressionKind(int32_t kind) {
  return kind == NODE_CONSTANT || kind == NODE_CALL || kind == NODE_VARIABLE || kind == NODE_UNARY ||
         kind == NODE_BINARY;
}

RToken MakeNode(int32_t kind, int32_t ind, int32_t position) {
  RToken n;
  n.kind = kind;
  n.ind = ind;
  n.position = position;
  n.aux = 1;
  return n;
}

class Parser {
public:
  Parser(const CCode &code, const RTokenList2 &tokens) : m_code(code), m_toks(tokens.items) {}

  bool Program(RToken &root) {
    if (Sym() == SYM_END) {
      root = MakeNode(NODE_EMPTY_PROGRAM, 0, Cur().position);
      return true;
    }
    if (Sym() == SYM_BEGIN) {
      if (!Block(root)) return false;
      if (Sym() != SYM_END) return Fail(Cur().position, "Program ends before end of the code.");
      return true;
    }
    RToken block = MakeNode(NODE_BLOCK, 0, Cur().position);
    std::vector<RToken> statements;
    while (Sym() != SYM_END) {
      RToken s;
      if (!Statement(s)) return false;
      statements.push_back(std::move(s));
    }
    if (!Attach(block, statements)) return false;
    root = std::move(block);
    return true;
  }

  bool ExpressionRoot(RToken &root) {
    if (Sym() == SYM_END) {
      root = MakeNode(NODE_CONSTANT, 0, Cur().position);
      root.value.SetReal(0.0);
      return true;
    }
    return Expression(root);
  }

private:
  // Counts the recursion of statements, or of expressions and prefix
  // operators; answers false (with the error recorded) when it goes too deep.
  class Nesting {
  public:
    Nesting(Parser &p, int32_t &depth, const char *message) : m_p(p), m_depth(depth) {
      m_ok = ++m_depth <= kMaxCodeNesting;
      if (!m_ok) m_p.Fail(m_p.Cur().position, message);
    }
    ~Nesting() { --m_depth; }
    bool ok() const { return m_ok; }

  private:
    Parser &m_p;
    int32_t &m_depth;
    bool m_ok;
  };

  const RToken2 &Cur() const { return m_toks[m_pos]; }
  int32_t Sym() const { return m_toks[m_pos].symbol; }
  void Next() {
    if (m_toks[m_pos].symbol != SYM_END) ++m_pos;
  }

  bool Fail(int32_t position, const char *message) {
    if (!m_failed) {
      m_failed = true;
      CodeError(m_code, position, message);
    }
    return false;
  }

  // Moves the children into the node and checks the height of the result.
  bool Attach(RToken &node, std::vector<RToken> &children) {
    const auto n = static_cast<int32_t>(children.size());
    node.itemnumb = n;
    node.items.reset();
    if (n > 0) {
      node.items = std::make_unique<RToken[]>(static_cast<size_t>(n));
      for (int32_t i = 0; i < n; ++i) node.items[i] = std::move(children[i]);
    }
    children.clear();
    return Measure(node);
  }
  bool Attach(RToken &node, RToken a) {
    std::vector<RToken> c;
    c.push_back(std::move(a));
    return Attach(node, c);
  }
  bool Attach(RToken &node, RToken a, RToken b) {
    std::vector<RToken> c;
    c.push_back(std::move(a));
    c.push_back(std::move(b));
    return Attach(node, c);
  }
  // A binary node's left operand does not count: the walkers follow a chain
  // of operators (`a + b + c ...`, built down its left side) in a loop, so
  // only the right operands nest.
  bool Measure(RToken &node) {
    if (node.kind == NODE_BINARY && node.itemnumb == 2) {
      node.aux = std::max(node.items[0].aux, node.items[1].aux + 1);
    } else {
      int32_t h = 0;
      for (int32_t i = 0; i < node.itemnumb; ++i) h = std::max(h, node.items[i].aux);
      node.aux = h + 1;
    }
    if (node.aux > kMaxCodeNesting)
      return Fail(node.position, IsExpressionKind(node.kind) ? kMsgExpressionTooDeep : kMsgStatementsTooDeep);
    return true;
  }

  // --- statements ------------------------------------------------------------
  bool Statement(RToken &out) {
    Nesting guard(*this, m_statementDepth, kMsgStatementsTooDeep);
    if (!guard.ok()) return false;
    if (!StatementBody(out)) return false;
    while (Sym() == SYM_SEMICOLON) Next();
    return true;
  }

  bool StatementBody(RToken &out) {
    const int32_t pos = Cur().position;
    switch (Sym()) {
      case SYM_FUNCTION: return Call(out);
      case SYM_BEGIN: return Block(out);
      case SYM_IF: {
        Next();
        RToken cond, then;
        if (!Expression(cond)) return false;
        if (Sym() == SYM_THEN) Next();
        if (!Statement(then)) return false;
        std::vector<RToken> c;
        c.push_back(std::move(cond));
        c.push_back(std::move(then));
        if (Sym() == SYM_ELSE) {
          Next();
          RToken other;
          if (!Statement(other)) return false;
          c.push_back(std::move(other));
        }
        out = MakeNode(NODE_IF, 0, pos);
        return Attach(out, c);
      }
      case SYM_WHILE:
      case SYM_WITH: {
        const int32_t kind = Sym() == SYM_WHILE ? NODE_WHILE : NODE_WITH;
        Next();
        RToken head, body;
        if (!Expression(head)) return false;
        if (Sym() == SYM_DO) Next();
        if (!Statement(body)) return false;
        out = MakeNode(kind, 0, pos);
        return Attach(out, std::move(head), std::move(body));
      }
      case SYM_DO: {
        Next();
        RToken body, cond;
        if (!Statement(body)) return false;
        if (Sym() != SYM_UNTIL) return Fail(Cur().position, "Keyword until expected.");
        Next();
        if (!Expression(cond)) return false;
        out = MakeNode(NODE_DO, 0, pos);
        return Attach(out, std::move(body), std::move(cond));
      }
      case SYM_FOR: {
        Next();
        if (Sym() != SYM_LPAREN) return Fail(Cur().position, "Symbol ( expected.");
        Next();
        std::vector<RToken> c(4);
        if (!Statement(c[0])) return false;
        if (Sym() == SYM_SEMICOLON) Next();
        if (!Expression(c[1])) return false;
        if (Sym() == SYM_SEMICOLON) Next();
        if (!Statement(c[2])) return false;
        if (Sym() != SYM_RPAREN) return Fail(Cur().position, "Symbol ) expected.");
        Next();
        if (!Statement(c[3])) return false;
        out = MakeNode(NODE_FOR, 0, pos);
        return Attach(out, c);
      }
      case SYM_REPEAT: {
        Next();
        RToken count, body;
        if (!Expression(count)) return false;
        if (!Statement(body)) return false;
        out = MakeNode(NODE_REPEAT, 0, pos);
        return Attach(out, std::move(count), std::move(body));
      }
      case SYM_EXIT:
      case SYM_BREAK:
      case SYM_CONTINUE:
        out = MakeNode(Sym(), 0, pos);  // the node kinds equal the keyword symbols
        Next();
        return true;
      case SYM_RETURN: {
        Next();
        RToken value;
        if (!Expression(value)) return false;
        out = MakeNode(NODE_RETURN, 0, pos);
        return Attach(out, std::move(value));
      }
      case SYM_SWITCH: {
        Next();
        std::vector<RToken> c(1);
        if (!Expression(c[0])) return false;
        if (Sym() != SYM_BEGIN) return Fail(Cur().position, "Symbol { expected.");
        Next();
        while (Sym() != SYM_END_BLOCK) {
          if (Sym() == SYM_END) return Fail(Cur().position, "Symbol } expected.");
          if (!Statement(c.emplace_back())) return false;
        }
        Next();
        out = MakeNode(NODE_SWITCH, 0, pos);
        return Attach(out, c);
      }
      case SYM_CASE: {
        Next();
        RToken label;
        if (!Expression(label)) return false;
        if (Sym() != SYM_COLON) return Fail(Cur().position, "Symbol : expected.");
        Next();
        out = MakeNode(NODE_CASE, 0, pos);
        return Attach(out, std::move(label));
      }
      case SYM_DEFAULT:
        Next();
        if (Sym() != SYM_COLON) return Fail(Cur().position, "Symbol : expected.");
        Next();
        out = MakeNode(NODE_DEFAULT, 0, pos);
        return true;
      case SYM_VAR:
      case SYM_GLOBALVAR: {
        const int32_t kind = Sym() == SYM_VAR ? NODE_VAR : NODE_GLOBALVAR;
        Next();
        std::vector<RToken> names;
        while (Sym() == SYM_VARIABLE) {
          if (Cur().ind < kUserVariableBase) return Fail(Cur().position, "Cannot redeclare a builtin variable.");
          names.push_back(MakeNode(NODE_CONSTANT, Cur().ind, Cur().position));
          Next();
          if (Sym() == SYM_COMMA) Next();
        }
        out = MakeNode(kind, 0, pos);
        return Attach(out, names);
      }
      case SYM_SEMICOLON:
        out = MakeNode(NODE_EMPTY, 0, pos);
        Next();
        return true;
      case SYM_END:
        return Fail(pos, "Unexpected end of code reached.");
      default:
        return Assignment(out);
    }
  }

  // At `{` / `begin`: statements up to the matching `}` / `end`.
  bool Block(RToken &out) {
    const int32_t pos = Cur().position;
    Next();
    std::vector<RToken> statements;
    while (Sym() != SYM_END_BLOCK) {
      if (Sym() == SYM_END) return Fail(Cur().position, "Symbol } expected.");
      if (!Statement(statements.emplace_back())) return false;
    }
    Next();
    out = MakeNode(NODE_BLOCK, 0, pos);
    return Attach(out, statements);
  }

  bool Assignment(RToken &out) {
    const int32_t start = Cur().position;
    RToken target;
    if (!Postfix(target)) return false;
    if (target.kind != NODE_VARIABLE) return Fail(start, "Variable name expected.");
    const int32_t oper = Sym();
    if (!IsAssignmentSymbol(oper)) return Fail(Cur().position, "Assignment operator expected.");
    const int32_t pos = Cur().position;
    Next();
    RToken value;
    if (!Expression(value)) return false;
    out = MakeNode(NODE_ASSIGN, oper, pos);
    return Attach(out, std::move(target), std::move(value));
  }

  // --- expressions -----------------------------------------------------------
  bool Expression(RToken &out) {
    Nesting guard(*this, m_expressionDepth, kMsgExpressionTooDeep);
    if (!guard.ok()) return false;
    return Binary(1, out);
  }

  // Operators of level minLevel and above, left-associative. Climbing the
  // levels in one loop keeps the recursion per parenthesis short.
  bool Binary(int minLevel, RToken &out) {
    if (!Unary(out)) return false;
    for (;;) {
      const int level = BinaryLevel(Sym());
      if (level == 0 || level < minLevel) return true;
      const int32_t oper = Sym();
      Next();
      RToken right;
      if (!Binary(level + 1, right)) return false;
      // A binary node stands where its left operand starts, so an operator
      // error on a parenthesised right operand points at the start of it,
      // folded or not.
      RToken node = MakeNode(NODE_BINARY, oper, out.position);
      if (!Attach(node, std::move(out), std::move(right))) return false;
      out = std::move(node);
    }
  }

  // Level 7: a prefix operator applies to a level-8 expression, so `-a.b`
  // is `-(a.b)` and `!a == b` is `(!a) == b`.
  bool Unary(RToken &out) {
    if (!IsUnarySymbol(Sym())) return Postfix(out);
    Nesting guard(*this, m_expressionDepth, kMsgExpressionTooDeep);
    if (!guard.ok()) return false;
    const int32_t oper = Sym();
    const int32_t pos = Cur().position;
    Next();
    RToken operand;
    if (!Postfix(operand)) return false;
    out = MakeNode(NODE_UNARY, oper, pos);
    return Attach(out, std::move(operand));
  }

  // Level 8: a primary followed by any number of `.` variable; everything
  // before a dot becomes the instance expression of the variable after it.
  bool Postfix(RToken &out) {
    if (!Primary(out)) return false;
    while (Sym() == SYM_DOT) {
      Next();
      if (Sym() != SYM_VARIABLE) return Fail(Cur().position, "Variable name expected.");
      RToken var;
      if (!Variable(var)) return false;
      var.items[0] = std::move(out);
      if (!Measure(var)) return false;
      out = std::move(var);
    }
    return true;
  }

  bool Primary(RToken &out) {
    switch (Sym()) {
      case SYM_CONSTANT:
        out = MakeNode(NODE_CONSTANT, 0, Cur().position);
        out.value = Cur().val;
        Next();
        return true;
      case SYM_FUNCTION: return Call(out);
      case SYM_VARIABLE: return Variable(out);
      case SYM_LPAREN:
        Next();
        if (!Expression(out)) return false;
        if (Sym() != SYM_RPAREN) return Fail(Cur().position, "Symbol ) expected.");
        Next();
        return true;
      default:
        if (IsUnarySymbol(Sym())) return Unary(out);
        return Fail(Cur().position, "Unexpected symbol in expression.");
    }
  }

  // At a function name: the call with its arguments.
  bool Call(RToken &out) {
    const int32_t id = Cur().ind;
    const int32_t pos = Cur().position;
    Next();
    if (Sym() != SYM_LPAREN) return Fail(Cur().position, "Symbol ( expected.");
    Next();
    std::vector<RToken> args;
    if (!List(args, SYM_RPAREN, "Symbol , or ) expected.", "Symbol ) expected.")) return false;
    const auto n = static_cast<int32_t>(args.size());
    const int32_t want = FunctionArgCount(id);
    if (n > kMaxCallArguments || (want >= 0 && want != n) || want == kArgCountInvalid)
      return Fail(Cur().position, "Wrong number of arguments to function or script.");
    Next();
    out = MakeNode(NODE_CALL, id, pos);
    return Attach(out, args);
  }

  // At a variable name: a kind-7 node whose instance expression is "not
  // specified" (-6), with up to two index expressions.
  bool Variable(RToken &out) {
    const int32_t ind = Cur().ind;
    const int32_t pos = Cur().position;
    Next();
    std::vector<RToken> c;
    RToken &self = c.emplace_back(MakeNode(NODE_CONSTANT, 0, Cur().position));
    self.value.SetReal(SEL_UNSPECIFIED);
    if (Sym() == SYM_LBRACKET) {
      Next();
      if (!List(c, SYM_RBRACKET, "Symbol , or ] expected.", "Symbol ] expected.")) return false;
      if (c.size() > 3) return Fail(Cur().position, "Only 1- and 2-dimensional arrays are supported.");
      Next();
    }
    out = MakeNode(NODE_VARIABLE, ind, pos);
    return Attach(out, c);
  }

  // Expressions separated by `,` up to `close` (left as the current token);
  // a `,` directly before `close` is accepted.
  bool List(std::vector<RToken> &items, int32_t close, const char *separatorMessage,
            const char *closeMessage) {
    while (Sym() != close) {
      if (Sym() == SYM_END) return Fail(Cur().position, closeMessage);
      if (!Expression(items.emplace_back())) return false;
      if (Sym() == SYM_COMMA) {
        Next();
      } else if (Sym() == SYM_END) {
        return Fail(Cur().position, closeMessage);
      } else if (Sym() != close) {
        return Fail(Cur().position, separatorMessage);
      }
    }
    return true;
  }

  const CCode &m_code;
  const std::vector<RToken2> &m_toks;
  size_t m_pos = 0;
  int32_t m_statementDepth = 0;
  int32_t m_expressionDepth = 0;
  bool m_failed = false;
};

}  // namespace

bool ParseTokens(const CCode &code, const RTokenList2 &tokens, RToken &root) {
  if (tokens.items.empty() || tokens.items.back().symbol != SYM_END) return false;
  Parser parser(code, tokens);
  return code.i_kind == CCode::kProgram ? parser.Program(root) : parser.ExpressionRoot(root);
}
