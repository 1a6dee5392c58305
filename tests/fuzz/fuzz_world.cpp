// Feeds arbitrary bytes to the object, time line and trigger record readers
// and then walks every parent chain the objects form: hostile game data may
// hold any parent indices, cycles included, and every lookup must end.
//
// Input: one byte with the number of objects (low 3 bits), then that many
// object records back to back, then a time line record and a trigger record.
// Reading stops at the first record that fails or runs out of bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "runner/Support_Stream.h"
#include "world/Object_Main.h"
#include "world/TimeLine_Class.h"
#include "world/Trigger_Class.h"

namespace {
void Quiet(std::string_view) {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  Action_SetMessageHandler(Quiet);
  g_Objects.Clear();
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
  g_Objects.Clear();
  return 0;
}
