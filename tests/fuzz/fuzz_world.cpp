// Feeds arbitrary bytes to the object, time line and trigger record readers
// and then walks every parent chain the objects form: hostile game data may
// hold any parent indices, cycles included, and every lookup must end. The
// objects are then compiled, the event lists built from them and every
// event's actions skipped through from each position, as the engine does
// with unbalanced blocks, stray else and end actions and deep nesting.
//
// Input: one byte with the number of objects (low 3 bits), then that many
// object records back to back, then a time line record and a trigger record.
// Reading stops at the first record that fails or runs out of bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "functions/Function_Misc.h"
#include "base/Option_Main.h"
#include "runner/Runner_Wire.h"
#include "base/Support_Stream.h"
#include "world/Event_Action.h"
#include "world/Event_Main.h"
#include "world/Object_Lists.h"
#include "world/Object_Main.h"
#include "world/TimeLine_Main.h"
#include "world/TimeLine_Class.h"
#include "world/Trigger_Class.h"

namespace {
void Quiet(std::string_view) {}

bool Setup() {
  BuiltinRegisterAll();
  ConstantRegisterBuiltins();
  if (FunctionFind("execute_string") < 0) Function_Misc_Register();
  if (FunctionFind("event_perform") < 0) {
    Object_Main_Init();
    TimeLine_Main_Init();
  }
  Event_InstallProviders();
  g_Settings.SetDefaults();
  g_Settings.opt_displayerrors = false;
  g_Settings.opt_writeerrors = false;
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  static const bool ready = Setup();
  (void)ready;
  Action_SetMessageHandler(Quiet);
  // Every input is a new game: no objects, names or errors of the last one.
  Runner_ResetState();
  g_Objects.Clear();
  VariableNamesClear();
  const int count = data[0] & 7;
  CStream s(std::vector<uint8_t>(data + 1, data + size));
  try {
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
      auto obj = std::make_unique<CObject>();
      ok = obj->LoadFromStream(s);
      if (ok) {
        g_Objects.items.push_back(std::move(obj));
        g_Objects.names.push_back("o" + std::to_string(i));
      }
    }
    if (ok) {
      CTimeLine tl;
      if (tl.LoadFromStream(s)) {
        for (int32_t k = 1; k < tl.Count(); ++k)
          if (tl.s_step[static_cast<size_t>(k - 1)] >= tl.s_step[static_cast<size_t>(k)]) std::abort();
        CTrigger trig;
        trig.LoadFromStream(s);
      }
    }
  } catch (const EStreamError &) {
    // A record cut short: the loader reports the game as corrupted.
  }
  for (int i = 0; i < ObjectCount(); ++i) {
    const CObject &o = *ObjectGet(i);
    for (int32_t etype = -1; etype <= kEventTypeCount; ++etype) {
      o.HasEventRecursive(etype);
      for (int32_t n = -1; n <= ObjectCount(); ++n) {
        int32_t owner = -5;
        const CEvent *ev = o.GetEventRecursive(etype, n, &owner, i);
        if (ev && (ev->Count() == 0 || owner < 0 || owner >= ObjectCount())) std::abort();
      }
    }
    for (int32_t j = -1; j <= ObjectCount(); ++j) o.IsDecendentOf(j);
  }

  Object_BuildEventLists();
  for (const TColPair &p : CollisionPairs())
    if (p.obj1 > p.obj2 || !ObjectExists(p.obj1) || !ObjectExists(p.obj2)) std::abort();
  if (Object_CompileAll()) {
    for (int i = 0; i < ObjectCount(); ++i)
      for (const auto &list : ObjectGet(i)->o_events)
        for (const auto &[number, ev] : list)
          for (int32_t p = 0; ev && p < ev->Count(); ++p)
            if (int32_t next = SkipAction(*ev, p); next != kActionStop && next <= p) std::abort();
  }
  g_Objects.Clear();
  return 0;
}
