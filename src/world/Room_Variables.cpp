#include "world/Room_Variables.h"

#include <type_traits>

#include "code/Code_Error.h"
#include "code/Code_Operator.h"
#include "code/Variable_BuiltIn.h"
#include "world/Room_Main.h"

namespace {

int32_t AsInt(const RValue &v) { return RoundToInt32(v.val); }
bool AsBool(const RValue &v) { return RoundToInt64(v.val) > 0; }

// Without a current room the variables read a default room and writes go
// nowhere.
const CRoom &ReadRoom() {
  if (const CRoom *room = Room_Current()) return *room;
  static const CRoom none;
  return none;
}

// Layers and views 0..7; any other index means 0.
size_t Slot(int32_t arr) { return arr >= 0 && arr < 8 ? static_cast<size_t>(arr) : 0; }

// --- room fields ----------------------------------------------------------

template <int32_t CRoom::*F>
bool GetRoomInt(CInstance *, int32_t, RValue &v) {
  v.SetReal(ReadRoom().*F);
  return true;
}
template <int32_t CRoom::*F>
bool ReadRoomInt(const CInstance *, double &v) {
  v = ReadRoom().*F;
  return true;
}
template <int32_t CRoom::*F>
bool SetRoomInt(CInstance *, int32_t, const RValue &v) {
  if (CRoom *room = Room_Current()) room->*F = AsInt(v);
  return true;
}
template <bool CRoom::*F>
bool GetRoomBool(CInstance *, int32_t, RValue &v) {
  v.SetReal(ReadRoom().*F ? 1 : 0);
  return true;
}
template <bool CRoom::*F>
bool SetRoomBool(CInstance *, int32_t, const RValue &v) {
  if (CRoom *room = Room_Current()) room->*F = AsBool(v);
  return true;
}

bool GetCaption(CInstance *, int32_t, RValue &v) {
  v.SetString(RString(ReadRoom().r_caption));
  return true;
}
bool SetCaption(CInstance *, int32_t, const RValue &v) {
  if (CRoom *room = Room_Current()) room->r_caption = v.str.str();
  return true;
}

bool SetRoomSpeed(CInstance *, int32_t, const RValue &v) {
  const int32_t speed = AsInt(v);
  if (speed <= 0) {
    ReportError("Trying to set the room speed to a value <= 0.", false);
    return false;
  }
  if (CRoom *room = Room_Current()) room->r_speed = speed;
  return true;
}

// A layer's or view's field from a value, by the field's kind.
template <class T>
void StoreField(T &field, const RValue &v) {
  if constexpr (std::is_same_v<T, bool>)
    field = AsBool(v);
  else if constexpr (std::is_same_v<T, int32_t>)
    field = AsInt(v);
  else
    field = v.val;
}

// --- background layers ----------------------------------------------------

template <class T, T CBack::*F>
bool GetBack(CInstance *, int32_t arr, RValue &v) {
  v.SetReal(static_cast<double>(ReadRoom().r_background[Slot(arr)].*F));
  return true;
}
template <class T, T CBack::*F>
bool SetBack(CInstance *, int32_t arr, const RValue &v) {
  CRoom *room = Room_Current();
  if (room == nullptr) return true;
  StoreField(room->r_background[Slot(arr)].*F, v);
  return true;
}

// The size of the layer's background; 0 when it has none.
template <bool Height>
bool GetBackSize(CInstance *, int32_t arr, RValue &v) {
  int32_t w = 0, h = 0;
  if (!Room_BackgroundSize(ReadRoom().r_background[Slot(arr)].index, w, h)) w = h = 0;
  v.SetReal(Height ? h : w);
  return true;
}

// --- views ------------------------------------------------------------------

template <class T, T CView::*F>
bool GetView(CInstance *, int32_t arr, RValue &v) {
  v.SetReal(static_cast<double>(ReadRoom().r_view[Slot(arr)].*F));
  return true;
}
template <class T, T CView::*F>
bool SetView(CInstance *, int32_t arr, const RValue &v) {
  CRoom *room = Room_Current();
  if (room == nullptr) return true;
  StoreField(room->r_view[Slot(arr)].*F, v);
  return true;
}

// --- instances ----------------------------------------------------------------

bool GetInstanceCount(CInstance *, int32_t, RValue &v) {
  const CRoom *room = Room_Current();
  v.SetReal(room ? room->InstanceCount() : 0);
  return true;
}
bool GetInstanceId(CInstance *, int32_t arr, RValue &v) {
  const CRoom *room = Room_Current();
  const CInstance *inst = room ? room->InstanceAt(arr) : nullptr;
  v.SetReal(inst ? inst->i_id : -4);
  return true;
}

struct RAccess {
  const char *name;
  TBuiltinGetter getter;
  TBuiltinSetter setter;            // null for read-only variables
  TBuiltinReader reader = nullptr;  // for the fields the getter only copies
};

#define QUILLON_BACK(name, T, field) {name, &GetBack<T, &CBack::field>, &SetBack<T, &CBack::field>}
#define QUILLON_VIEW(name, T, field) {name, &GetView<T, &CView::field>, &SetView<T, &CView::field>}

const RAccess kRoomVariables[] = {
    {"instance_count", &GetInstanceCount, nullptr},
    {"instance_id", &GetInstanceId, nullptr},
    {"room_width", &GetRoomInt<&CRoom::r_width>, nullptr, &ReadRoomInt<&CRoom::r_width>},
    {"room_height", &GetRoomInt<&CRoom::r_height>, nullptr, &ReadRoomInt<&CRoom::r_height>},
    {"room_caption", &GetCaption, &SetCaption},
    {"room_speed", &GetRoomInt<&CRoom::r_speed>, &SetRoomSpeed, &ReadRoomInt<&CRoom::r_speed>},
    {"room_persistent", &GetRoomBool<&CRoom::r_persistent>, &SetRoomBool<&CRoom::r_persistent>},
    {"background_color", &GetRoomInt<&CRoom::r_color>, &SetRoomInt<&CRoom::r_color>, &ReadRoomInt<&CRoom::r_color>},
    {"background_showcolor", &GetRoomBool<&CRoom::r_showcolor>, &SetRoomBool<&CRoom::r_showcolor>},
    QUILLON_BACK("background_visible", bool, visible),
    QUILLON_BACK("background_foreground", bool, foreground),
    QUILLON_BACK("background_index", int32_t, index),
    QUILLON_BACK("background_x", double, x),
    QUILLON_BACK("background_y", double, y),
    {"background_width", &GetBackSize<false>, nullptr},
    {"background_height", &GetBackSize<true>, nullptr},
    QUILLON_BACK("background_htiled", bool, htiled),
    QUILLON_BACK("background_vtiled", bool, vtiled),
    QUILLON_BACK("background_xscale", double, xscale),
    QUILLON_BACK("background_yscale", double, yscale),
    QUILLON_BACK("background_hspeed", double, hspeed),
    QUILLON_BACK("background_vspeed", double, vspeed),
    QUILLON_BACK("background_blend", int32_t, blend),
    QUILLON_BACK("background_alpha", double, alpha),
    {"view_enabled", &GetRoomBool<&CRoom::r_enableviews>, &SetRoomBool<&CRoom::r_enableviews>},
    QUILLON_VIEW("view_visible", bool, visible),
    QUILLON_VIEW("view_xview", int32_t, xview),
    QUILLON_VIEW("view_yview", int32_t, yview),
    QUILLON_VIEW("view_wview", int32_t, wview),
    QUILLON_VIEW("view_hview", int32_t, hview),
    QUILLON_VIEW("view_xport", int32_t, xport),
    QUILLON_VIEW("view_yport", int32_t, yport),
    QUILLON_VIEW("view_wport", int32_t, wport),
    QUILLON_VIEW("view_hport", int32_t, hport),
    QUILLON_VIEW("view_angle", double, angle),
    QUILLON_VIEW("view_hborder", int32_t, hborder),
    QUILLON_VIEW("view_vborder", int32_t, vborder),
    QUILLON_VIEW("view_hspeed", int32_t, hspeed),
    QUILLON_VIEW("view_vspeed", int32_t, vspeed),
    QUILLON_VIEW("view_object", int32_t, index),
};

#undef QUILLON_BACK
#undef QUILLON_VIEW

}  // namespace

void Room_InstallVariables() {
  for (const RAccess &a : kRoomVariables) BuiltinSetAccess(a.name, a.getter, a.setter, a.reader);
}
