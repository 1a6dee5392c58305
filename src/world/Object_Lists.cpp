#include "world/Object_Lists.h"

#include <array>

#include "world/Object_Main.h"
#include "world/Trigger_Main.h"

namespace {

std::array<std::vector<std::vector<int32_t>>, kEventTypeCount> s_lists;
std::vector<TColPair> s_pairs;

int32_t LastNumber(int32_t etype) {
  switch (etype) {
    case 2: return 12;
    case 3: return 16;
    case 5: case 6: case 7: case 9: case 10: return 128;
    case 4: return -1;
    case 11: return TriggerCount() - 1;
    default: return etype >= 0 && etype < kEventTypeCount ? 0 : -1;
  }
}

bool HasCollisionEvent(const CObject &obj, int32_t self, int32_t target) {
  return obj.GetEventRecursive(kEventCollision, target, nullptr, self) != nullptr;
}

}  // namespace

int32_t EventListLast(int32_t etype) { return LastNumber(etype); }

void Object_BuildEventLists() {
  const int count = ObjectCount();
  for (int32_t t = 0; t < kEventTypeCount; ++t) {
    auto &lists = s_lists[static_cast<size_t>(t)];
    const int32_t last = LastNumber(t);
    // Resized only when the covered range changes, so that lists handed out
    // before stay where they are.
    if (lists.size() != static_cast<size_t>(last + 1)) lists.resize(static_cast<size_t>(last + 1));
    for (auto &list : lists) list.clear();
    if (last < 0) continue;
    for (int32_t o = 0; o < count; ++o) {
      const CObject *obj = ObjectGet(o);
      // One walk up the chain rules out most objects for a whole type.
      if (obj == nullptr || !obj->HasEventRecursive(t)) continue;
      for (int32_t n = 0; n <= last; ++n)
        if (obj->GetEventRecursive(t, n, nullptr, o)) lists[static_cast<size_t>(n)].push_back(o);
    }
  }

  s_pairs.clear();
  std::vector<bool> collides(static_cast<size_t>(count), false);
  for (int32_t o = 0; o < count; ++o)
    if (const CObject *obj = ObjectGet(o)) collides[static_cast<size_t>(o)] = obj->HasEventRecursive(kEventCollision);
  for (int32_t a = 0; a < count; ++a) {
    const CObject *oa = ObjectGet(a);
    if (oa == nullptr) continue;
    for (int32_t b = a; b < count; ++b) {
      const CObject *ob = ObjectGet(b);
      if (ob == nullptr || !(collides[static_cast<size_t>(a)] || collides[static_cast<size_t>(b)])) continue;
      if ((collides[static_cast<size_t>(a)] && HasCollisionEvent(*oa, a, b)) ||
          (collides[static_cast<size_t>(b)] && HasCollisionEvent(*ob, b, a)))
        s_pairs.push_back(TColPair{a, b});
    }
  }
}

const std::vector<int32_t> &EventList(int32_t etype, int32_t enumb) {
  static const std::vector<int32_t> kNone;
  if (etype < 0 || etype >= kEventTypeCount) return kNone;
  const auto &lists = s_lists[static_cast<size_t>(etype)];
  if (enumb < 0 || static_cast<size_t>(enumb) >= lists.size()) return kNone;
  return lists[static_cast<size_t>(enumb)];
}

const std::vector<TColPair> &CollisionPairs() { return s_pairs; }
