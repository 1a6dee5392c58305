// CTimeLine: actions at numbered steps (moments), played by an instance at
// its own speed. Moments are kept in strictly increasing step order.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "world/Event_Class.h"

class CStream;

class CTimeLine {
public:
  static constexpr int32_t kVersion = 500;

  std::vector<std::unique_ptr<CEvent>> s_event;  // one per moment
  std::vector<int32_t> s_step;                   // parallel to s_event

  int32_t Count() const { return static_cast<int32_t>(s_step.size()); }

  void Create() { Clear(); }
  void Clear();
  // False when the record version is not 500. Moments stored out of order
  // are put in step order, since the searches rely on it; a step stored twice
  // gets the actions of both, in file order. A moment
  // record that cannot be read to its end keeps what it read and ends the
  // time line there.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
  // Compiles every moment; the event context names the moment (type
  // kEventTimeLine, number = its step). False at the first failure.
  bool Compile();

  // Index of the moment with exactly that step, or -1.
  int32_t Find(int32_t step) const;
  // Index of the first moment whose step is at least pos; Count() when none;
  // -1 when there are no moments.
  int32_t FindLarger(double pos) const;
  // Index of the last moment whose step is at most pos; -1 when none.
  int32_t FindSmaller(double pos) const;
  // Inserts an empty moment in step order (nothing when the step exists);
  // answers the moment's event.
  CEvent &AddMoment(int32_t step);
  // Frees the moment with exactly that step; nothing when there is none.
  void DeleteMoment(int32_t step);
};
