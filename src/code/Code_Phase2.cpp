#include "code/Code_Phase2.h"

#include <cmath>
#include <string>

#include "code/Code_Constant.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Variable_Main.h"

int32_t ArgumentSlotOfName(std::string_view name) {
  constexpr std::string_view kPrefix = "argument";
  if (name.size() <= kPrefix.size() || name.size() > kPrefix.size() + 2) return -1;
  if (name.substr(0, kPrefix.size()) != kPrefix) return -1;
  const std::string_view digits = name.substr(kPrefix.size());
  // "argument01" is an ordinary user variable, not slot 1.
  if (digits.size() == 2 && digits[0] == '0') return -1;
  int32_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n <= 15 ? n : -1;
}

bool ResolveTokens(CCode &code, const RTokenList1 &in, RTokenList2 &out) {
  out.items.clear();
  out.items.reserve(in.items.size());
  const int32_t count = in.n();
  for (int32_t k = 0; k < count; ++k) {
    const RToken1 &t = in.items[k];
    const std::string_view name = in.str(t);
    RToken2 &r = out.items.emplace_back();
    r.symbol = t.symbol;
    r.position = t.position;
    switch (t.symbol) {
      case SYM_IDENT: {
        const bool isCall = k + 1 < count && in.items[k + 1].symbol == SYM_LPAREN;
        if (isCall) {
          const int32_t id = FunctionFind(name);
          if (id < 0) {
            CodeError(code, t.position, "Unknown function or script: " + std::string(name));
            return false;
          }
          r.symbol = SYM_FUNCTION;
          r.ind = id;
          break;
        }
        if (ConstantFind(name, r.val)) {
          r.symbol = SYM_CONSTANT;
          break;
        }
        r.symbol = SYM_VARIABLE;
        r.ind = VariableIndex(name);
        if (name == "argument") {
          code.i_ArgArray = true;
        } else {
          const int32_t slot = ArgumentSlotOfName(name);
          if (slot >= 0 && slot + 1 > code.i_Args) code.i_Args = slot + 1;
        }
        break;
      }
      case SYM_NUMBER: {
        const double value = NumberLiteralValue(name);
        // A literal beyond the range of reals overflows as arithmetic would:
        // the code does not compile, as when folding a constant traps.
        if (!std::isfinite(value)) {
          CodeError(code, t.position, kTrapOverflow);
          return false;
        }
        r.symbol = SYM_CONSTANT;
        r.val.SetReal(value);
        break;
      }
      case SYM_STRING:
        r.symbol = SYM_CONSTANT;
        r.val.SetString(RString(name));
        break;
      default:
        break;
    }
  }
  return true;
}
