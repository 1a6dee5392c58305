#include "world/Event_Class.h"

#include "base/Support_Stream.h"
#include "world/Event_Main.h"

CAction &CEvent::AddCodeAction(std::string_view text) {
  auto action = std::make_unique<CAction>();
  action->CreateCode(text);
  e_actions.push_back(std::move(action));
  Object_EventsChanged();
  return *e_actions.back();
}

bool CEvent::LoadFromStream(CStream &stream) {
  Clear();
  if (stream.ReadInteger() != kVersion) return false;
  const int32_t count = stream.ReadInteger();
  for (int32_t i = 0; i < count; ++i) {
    auto action = std::make_unique<CAction>();
    const bool ok = action->LoadFromStream(stream);
    e_actions.push_back(std::move(action));
    Object_EventsChanged();
    if (!ok) return false;
  }
  return true;
}

bool CEvent::Compile() {
  for (int32_t i = 0; i < Count(); ++i) {
    g_EventContext.action = i;
    if (!e_actions[static_cast<size_t>(i)]->Compile()) return false;
  }
  return true;
}

void CEvent::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kVersion);
  stream.WriteInteger(Count());
  for (const auto &a : e_actions) a->SaveToStream(stream);
}
