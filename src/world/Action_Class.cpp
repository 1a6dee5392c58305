#include "world/Action_Class.h"

#include <cstdio>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "base/Support_Stream.h"

namespace {

int32_t DefaultFinder(std::string_view name) { return FunctionFind(name); }

void DefaultMessage(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

TActionFunctionFinder g_finder = DefaultFinder;
TActionMessage g_message = DefaultMessage;

// A count from the record: negative counts are none.
int32_t Count(int32_t n) { return n < 0 ? 0 : n; }

}  // namespace

void Action_SetFunctionFinder(TActionFunctionFinder finder) { g_finder = finder ? finder : DefaultFinder; }
int32_t Action_FindFunction(std::string_view name) { return g_finder(name); }
void Action_SetMessageHandler(TActionMessage handler) { g_message = handler ? handler : DefaultMessage; }

CAction::CAction() = default;
CAction::CAction(int32_t kind) { Create(kind); }
CAction::~CAction() = default;

void CAction::Create(int32_t kind) {
  act_kind = kind;
  Clear();
}

void CAction::CreateCode(std::string_view text) {
  Create(kCode);
  act_exetype = kExeCode;
  act_userelative = false;
  act_isquestion = false;
  act_useapplyto = false;
  act_argumentcount = 0;
  act_argstring[0] = std::string(text);
}

void CAction::Clear() {
  for (std::string &s : act_argstring) s.clear();
  for (RValue &v : act_argvalue) v = RValue();
  for (auto &c : act_argcode) c.reset();
  act_codecode.reset();
  act_compiled = false;
  act_functionid = -1;
}

namespace {

// Reports the compiler's recorded message after prefix as a fatal error of
// the action being compiled.
// Compile failures are reported as they stand, without the event context
// that run-time errors of actions carry, and they end the game.
bool CompileFailed(const std::string &prefix) {
  const std::string text = prefix + CodeErrorText();
  CodeErrorClear();
  ReportError(text, true);
  return false;
}

bool StartsWithQuote(const std::string &text) { return !text.empty() && (text[0] == '\'' || text[0] == '"'); }

}  // namespace

bool CAction::Compile() {
  if (act_compiled) return true;
  if (act_kind == kVariable) {
    act_codestring = act_argstring[0] + (act_relative ? " += " : " = ") + act_argstring[1];
    act_kind = kNormal;
    act_argumentcount = 0;
  } else if (act_kind == kCode) {
    act_codestring = act_argstring[0];
    act_kind = kNormal;
    act_argumentcount = 0;
  }
  act_codecode.reset();
  if (act_exetype == kExeCode) {
    auto code = std::make_unique<CCode>(act_codestring, false);
    if (!code->Compile()) return CompileFailed(kMsgCompileCodeAction);
    act_codecode = std::move(code);
  }
  act_codestring.clear();
  for (auto &c : act_argcode) c.reset();

  for (int i = 0; i < act_argumentcount; ++i) {
    const auto k = static_cast<size_t>(i);
    int32_t &kind = act_argtype[k];
    const std::string &text = act_argstring[k];
    // A text-or-expression argument is an expression only when it is
    // written as a quoted string.
    if (kind == 2) kind = StartsWithQuote(text) ? kArgExpression : 1;
    if (kind == 1 || kind == 15) {
      act_argvalue[k] = RValue::Str(RString(text));
      kind = kArgConstant;
    } else {
      kind = kArgExpression;
      auto code = std::make_unique<CCode>(text, true);
      if (!code->Compile())
        return CompileFailed(kMsgCompileArgument + std::to_string(i) + "\r");
      if (code->Kind() == CCode::kConstantExpression) {
        act_argvalue[k] = code->Value();
        kind = kArgConstant;
      } else {
        act_argcode[k] = std::move(code);
      }
    }
  }
  // Only the constants and the compiled code are needed from here on.
  for (std::string &text : act_argstring) text.clear();
  act_compiled = true;
  return true;
}

bool CAction::LoadFromStream(CStream &stream) {
  Clear();
  if (stream.ReadInteger() != kVersion) return false;
  act_libid = stream.ReadInteger();
  act_id = stream.ReadInteger();
  act_kind = stream.ReadInteger();
  act_userelative = stream.ReadBoolean();
  act_isquestion = stream.ReadBoolean();
  act_useapplyto = stream.ReadBoolean();
  act_exetype = stream.ReadInteger();
  act_funcname = stream.ReadString();
  act_codestring = stream.ReadString();
  // The count says how many of the eight slots are in use; a count outside
  // 0..8 from a damaged file must not reach past them.
  const int32_t argc = stream.ReadInteger();
  act_argumentcount = argc < 0 ? 0 : argc > kMaxArguments ? kMaxArguments : argc;
  // More than eight kinds or texts are read past, so the record stays in step.
  const int32_t k = Count(stream.ReadInteger());
  for (int32_t i = 0; i < k; ++i) {
    const int32_t t = stream.ReadInteger();
    if (i < kMaxArguments) act_argtype[static_cast<size_t>(i)] = t;
  }
  act_who = stream.ReadInteger();
  act_relative = stream.ReadBoolean();
  const int32_t s = Count(stream.ReadInteger());
  for (int32_t i = 0; i < s; ++i) {
    std::string text = stream.ReadString();
    if (i < kMaxArguments) act_argstring[static_cast<size_t>(i)] = std::move(text);
  }
  act_isnot = stream.ReadBoolean();

  if (act_exetype == kExeFunction) {
    act_functionid = Action_FindFunction(act_funcname);
    if (act_functionid < 0) {
      act_functionid = -1;
      g_message(std::string(kMsgFailedToLocate) + act_funcname);
    }
  }
  return true;
}

void CAction::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kVersion);
  stream.WriteInteger(act_libid);
  stream.WriteInteger(act_id);
  stream.WriteInteger(act_kind);
  stream.WriteBoolean(act_userelative);
  stream.WriteBoolean(act_isquestion);
  stream.WriteBoolean(act_useapplyto);
  stream.WriteInteger(act_exetype);
  stream.WriteString(act_funcname);
  stream.WriteString(act_codestring);
  stream.WriteInteger(act_argumentcount);
  stream.WriteInteger(kMaxArguments);
  for (int32_t t : act_argtype) stream.WriteInteger(t);
  stream.WriteInteger(act_who);
  stream.WriteBoolean(act_relative);
  stream.WriteInteger(kMaxArguments);
  for (const std::string &s : act_argstring) stream.WriteString(s);
  stream.WriteBoolean(act_isnot);
}
