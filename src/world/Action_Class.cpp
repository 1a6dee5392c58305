#include "world/Action_Class.h"

#include <cstdio>

#include "code/Code_Function.h"
#include "runner/Support_Stream.h"

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
  act_functionid = -1;
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
