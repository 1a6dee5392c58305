#include "world/Instance_Place.h"


namespace {

// Puts the instance at (x, y) for the duration of a question, then back to
// the very position and box it had: restoring the saved box rather than
// recomputing it keeps the answer free of any rounding of the way back.
class CTryPlace {
public:
  CTryPlace(CInstance &inst, double x, double y) : m_inst(inst), m_x(inst.i_x), m_y(inst.i_y), m_box(inst.i_bbox) {
    inst.SetPosition(x, y);
  }
  ~CTryPlace() {
    m_inst.i_x = m_x;
    m_inst.i_y = m_y;
    m_inst.i_bbox = m_box;
  }
  CTryPlace(const CTryPlace &) = delete;
  CTryPlace &operator=(const CTryPlace &) = delete;

private:
  CInstance &m_inst;
  double m_x, m_y;
  RRect m_box;
};

// Whether self at (x, y) meets an instance of the room for which want holds.
template <class Want>
bool MeetsAny(CInstance &self, double x, double y, Want want) {
  const CTryPlace at(self, x, y);
  return Instance_FirstMatch(&self, nullptr, kRefAll, [&](CInstance *inst) {
           return want(*inst) && inst->Collision_Instance(self, true);
         }) != nullptr;
}

}  // namespace

bool Place_Free(CInstance &self, double x, double y) {
  return !MeetsAny(self, x, y, [](const CInstance &inst) { return inst.i_solid; });
}

bool Place_Empty(CInstance &self, double x, double y) {
  return !MeetsAny(self, x, y, [](const CInstance &) { return true; });
}

CInstance *Place_Instance(CInstance &self, CInstance *other, double x, double y, int32_t ref) {
  const CTryPlace at(self, x, y);
  return Instance_FirstMatch(&self, other, ref, [&](CInstance *inst) { return inst->Collision_Instance(self, true); });
}
