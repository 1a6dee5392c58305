#include "world/TimeLine_Class.h"

#include <algorithm>

#include "base/Support_Stream.h"
#include "world/Event_Main.h"

// A moment may be running while a script clears or deletes it, so its
// event is retired rather than freed on the spot.
void CTimeLine::Clear() {
  for (auto &ev : s_event) Event_Retire(std::move(ev));
  s_event.clear();
  s_step.clear();
}

bool CTimeLine::LoadFromStream(CStream &stream) {
  Clear();
  if (stream.ReadInteger() != kVersion) return false;
  const int32_t count = stream.ReadInteger();
  for (int32_t i = 0; i < count; ++i) {
    const int32_t step = stream.ReadInteger();
    CEvent ev;
    const bool ok = ev.LoadFromStream(stream);
    CEvent &moment = AddMoment(step);
    for (auto &a : ev.e_actions) moment.e_actions.push_back(std::move(a));
    if (!ok) break;
  }
  return true;
}

void CTimeLine::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kVersion);
  stream.WriteInteger(Count());
  for (size_t i = 0; i < s_step.size(); ++i) {
    stream.WriteInteger(s_step[i]);
    s_event[i]->SaveToStream(stream);
  }
}

bool CTimeLine::Compile() {
  for (size_t i = 0; i < s_step.size(); ++i) {
    g_EventContext.type = kEventTimeLine;
    g_EventContext.number = s_step[i];
    if (!s_event[i]->Compile()) return false;
  }
  return true;
}

int32_t CTimeLine::Find(int32_t step) const {
  const auto it = std::lower_bound(s_step.begin(), s_step.end(), step);
  return it != s_step.end() && *it == step ? static_cast<int32_t>(it - s_step.begin()) : -1;
}

int32_t CTimeLine::FindLarger(double pos) const {
  if (s_step.empty()) return -1;
  const auto it = std::lower_bound(s_step.begin(), s_step.end(), pos,
                                   [](int32_t step, double p) { return step < p; });
  return static_cast<int32_t>(it - s_step.begin());
}

int32_t CTimeLine::FindSmaller(double pos) const {
  const auto it = std::upper_bound(s_step.begin(), s_step.end(), pos,
                                   [](double p, int32_t step) { return p < step; });
  return static_cast<int32_t>(it - s_step.begin()) - 1;
}

CEvent &CTimeLine::AddMoment(int32_t step) {
  const auto it = std::lower_bound(s_step.begin(), s_step.end(), step);
  const size_t at = static_cast<size_t>(it - s_step.begin());
  if (it != s_step.end() && *it == step) return *s_event[at];
  s_step.insert(it, step);
  s_event.insert(s_event.begin() + static_cast<std::ptrdiff_t>(at), std::make_unique<CEvent>());
  return *s_event[at];
}

void CTimeLine::DeleteMoment(int32_t step) {
  const int32_t at = Find(step);
  if (at < 0) return;
  s_step.erase(s_step.begin() + at);
  Event_Retire(std::move(s_event[static_cast<size_t>(at)]));
  s_event.erase(s_event.begin() + at);
}
