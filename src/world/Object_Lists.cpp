#include "world/Object_Lists.h"

#include <algorithm>
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

// Calls f(index, object) for the object and each ancestor that exists, as
// the event lookup walks them; a cycle in the parents ends the walk.
template <class F>
void ForChain(int32_t index, F f) {
  const CObject *obj = ObjectGet(index);
  for (int steps = ObjectCount() + 1; obj != nullptr && steps > 0; --steps) {
    f(index, *obj);
    index = obj->o_parent;
    obj = index >= 0 ? ObjectGet(index) : nullptr;
  }
}

// The numbers of the events of type etype, with actions, that object o has
// of its own or through its parents: o has event (etype, n) through the
// parent chain exactly when n is among them.
void ChainNumbers(int32_t o, int32_t etype, std::vector<int32_t> &out) {
  out.clear();
  ForChain(o, [&](int32_t, const CObject &obj) {
    for (const auto &[n, ev] : obj.o_events[static_cast<size_t>(etype)])
      if (ev && ev->Count() > 0) out.push_back(n);
  });
}

}  // namespace

int32_t EventListLast(int32_t etype) { return LastNumber(etype); }

void Object_BuildEventLists() {
  Object_EventsChanged();
  const int count = ObjectCount();
  std::vector<int32_t> numbers;
  for (int32_t t = 0; t < kEventTypeCount; ++t) {
    auto &lists = s_lists[static_cast<size_t>(t)];
    const int32_t last = LastNumber(t);
    // Resized only when the covered range changes, so that lists handed out
    // before stay where they are.
    if (lists.size() != static_cast<size_t>(last + 1)) lists.resize(static_cast<size_t>(last + 1));
    for (auto &list : lists) list.clear();
    for (int32_t o = 0; o < count && last >= 0; ++o) {
      ChainNumbers(o, t, numbers);
      // Objects come in increasing order, so each list stays sorted; a
      // number found twice up the chain enters the object once.
      for (int32_t n : numbers) {
        if (n > last) continue;
        std::vector<int32_t> &list = lists[static_cast<size_t>(n)];
        if (list.empty() || list.back() != o) list.push_back(o);
      }
    }
  }

  // A has a collision event for B (through both parent chains) when B or
  // one of B's ancestors is among the collision numbers of A's chain. So
  // each such number x pairs A with x and every descendant of x.
  s_pairs.clear();
  std::vector<std::vector<int32_t>> family(static_cast<size_t>(count));  // x, then its descendants
  for (int32_t o = 0; o < count; ++o)
    ForChain(o, [&](int32_t index, const CObject &) { family[static_cast<size_t>(index)].push_back(o); });
  for (int32_t a = 0; a < count; ++a) {
    if (!ObjectExists(a)) continue;
    ChainNumbers(a, kEventCollision, numbers);
    for (int32_t x : numbers) {
      if (x < 0 || x >= count) continue;
      for (int32_t b : family[static_cast<size_t>(x)]) s_pairs.push_back(TColPair{std::min(a, b), std::max(a, b)});
    }
  }
  std::sort(s_pairs.begin(), s_pairs.end(), [](const TColPair &x, const TColPair &y) {
    return x.obj1 != y.obj1 ? x.obj1 < y.obj1 : x.obj2 < y.obj2;
  });
  s_pairs.erase(std::unique(s_pairs.begin(), s_pairs.end(),
                            [](const TColPair &x, const TColPair &y) { return x.obj1 == y.obj1 && x.obj2 == y.obj2; }),
                s_pairs.end());
}

const std::vector<int32_t> &EventList(int32_t etype, int32_t enumb) {
  static const std::vector<int32_t> kNone;
  if (etype < 0 || etype >= kEventTypeCount) return kNone;
  const auto &lists = s_lists[static_cast<size_t>(etype)];
  if (enumb < 0 || static_cast<size_t>(enumb) >= lists.size()) return kNone;
  return lists[static_cast<size_t>(enumb)];
}

const std::vector<TColPair> &CollisionPairs() { return s_pairs; }
