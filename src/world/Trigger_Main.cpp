#include "world/Trigger_Main.h"

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"

RTriggerList g_Triggers;

namespace {
constexpr int32_t kSectionVersion = 800;
}

bool Trigger_Load(CStream &stream) {
  g_Triggers.Clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  return LoadUnnamedItems(stream, g_Triggers);
}

void Trigger_SaveSection(CStream &stream, const RTriggerList &list) {
  stream.WriteInteger(kSectionVersion);
  SaveUnnamedItems(stream, list);
}

int TriggerCount() { return g_Triggers.Count(); }
bool TriggerExists(int index) { return g_Triggers.Exists(index); }
CTrigger *TriggerGet(int index) { return g_Triggers.Get(index); }

const std::string &TriggerName(int index) {
  static const std::string deleted = "<Deleted>";
  const CTrigger *t = g_Triggers.Get(index);
  return t ? t->i_name : deleted;
}

int TriggerFindConstant(std::string_view constname) {
  for (int i = 0; i < g_Triggers.Count(); ++i)
    if (const CTrigger *t = g_Triggers.Get(i); t && t->i_constname == constname) return i;
  return -1;
}

bool Trigger_PrepareAll() {
  for (int i = 0; i < g_Triggers.Count(); ++i)
    if (CTrigger *t = g_Triggers.Get(i); t && !t->Prepare()) return false;
  return true;
}

bool Trigger_Condition(int32_t index, CInstance *inst) {
  CTrigger *t = g_Triggers.Get(index);
  if (t == nullptr || !t->i_code) return false;
  RValue value;
  if (!EvaluateCode(inst, inst, *t->i_code, value)) {
    const std::string text = kMsgTriggerError + t->i_name + "\r\n" + CodeErrorText();
    CodeErrorClear();
    ReportError(text, false);
    return false;
  }
  return value.IsReal() && RealIsTrue(value.val);
}
