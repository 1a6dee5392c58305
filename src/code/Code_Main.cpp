#include "code/Code_Main.h"

#include "code/Code_Error.h"

RToken::~RToken() = default;

void RToken::Clear() {
  kind = NODE_EMPTY;
  ind = 0;
  ind2 = 0;
  position = 0;
  itemnumb = 0;
  aux = 0;
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
}

void CCode::Destroy() {
  i_token.Clear();
  i_compiled = false;
}
