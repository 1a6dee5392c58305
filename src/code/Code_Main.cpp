#include "code/Code_Main.h"

#include "code/Code_Error.h"
#include "code/Code_Phase1.h"
#include "code/Code_Phase2.h"
#include "code/Code_Phase3.h"
#include "code/Code_Phase4.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"

// A long operator chain or dot chain hangs off child 0 of child 0 of ...;
// the default destruction would recurse once per link. Taking each first
// child's children over before the array goes keeps the recursion to the
// other children, whose depth the compiler bounds.
RToken::~RToken() {
  while (items != nullptr && itemnumb > 0 && items[0].items != nullptr) {
    std::unique_ptr<RToken[]> next = std::move(items[0].items);
    const int32_t n = items[0].itemnumb;
    items[0].itemnumb = 0;
    items = std::move(next);
    itemnumb = n;
  }
}

void RToken::Clear() {
  kind = NODE_EMPTY;
  ind = 0;
  ind2 = 0;
  position = 0;
  itemnumb = 0;
  aux = 0;
  slot = -1;
  flags = 0;
  real = -1;
  value = RValue();
  items.reset();
}

void CodeError(const CCode &code, int32_t position, std::string_view message) {
  ReportCodeError(code.i_str, code.IsProgram(), position, message);
}

void CCode::Create(std::string_view text, bool isexp) {
  Destroy();
  i_str.assign(text);
  i_kind = isexp ? kExpression : kProgram;
  i_value = RValue();
  i_Args = 0;
  i_ArgArray = false;
  i_locals.clear();
  i_reals.clear();
  i_switches.clear();
}

void CCode::Destroy() {
  i_token.Clear();
  i_locals.clear();
  i_reals.clear();
  i_switches.clear();
  i_compiled = false;
}

bool CCode::Compile() {
  CodeErrorClear();
  if (i_compiled) {
    CodeError(*this, 0, "Internal Error: Recompiling compiled code.");
    return false;
  }
  if (i_kind == kConstantExpression) i_kind = kExpression;
  i_token.Clear();
  i_value = RValue();
  i_Args = 0;
  i_ArgArray = false;
  i_locals.clear();
  i_reals.clear();
  i_switches.clear();

  RToken root;
  {
    RTokenList2 resolved;
    {
      RTokenList1 tokens;
      if (!Tokenize(i_str, tokens)) {
        CodeError(*this, tokens.items.back().position, "Unexpected symbol.");
        return false;
      }
      if (!ResolveTokens(*this, tokens, resolved)) return false;
    }
    if (!ParseTokens(*this, resolved, root)) return false;
  }
  if (!FinalWalk(*this, root)) return false;
  BuildRealPrograms(*this, root, builtin::Argument0());

  if (i_kind == kExpression && root.kind == NODE_CONSTANT) {
    i_kind = kConstantExpression;
    i_value = root.value;
  }
  i_token = std::move(root);
  i_compiled = true;
  return true;
}

void Code_ResetState() {
  ErrorReset();
  CodeErrorClear();
  GlobalReset();
}
