#include "world/Instance_Variables.h"

#include "code/Code_Operator.h"
#include "code/Variable_BuiltIn.h"
#include "world/Instance_Class.h"

namespace {

// Integer properties round halves to even; booleans are true when the
// rounded value is above 0.5, so 0.5 itself is false.
int32_t AsInt(const RValue &v) { return RoundToInt32(v.val); }
bool AsBool(const RValue &v) { return RoundToInt64(v.val) > 0; }

// Every getter and setter answers false without an instance (code run with
// no self or other): there is nothing to read or write.

template <double CInstance::*F>
bool GetReal(CInstance *inst, int32_t, RValue &v) {
  if (inst == nullptr) return false;
  v.SetReal(inst->*F);
  return true;
}
template <double CInstance::*F>
bool SetReal(CInstance *inst, int32_t, const RValue &v) {
  if (inst == nullptr) return false;
  inst->*F = v.val;
  return true;
}
template <double CInstance::*F>
bool ReadRealField(const CInstance *inst, double &v) {
  if (inst == nullptr) return false;
  v = inst->*F;
  return true;
}
template <int32_t CInstance::*F>
bool GetInt(CInstance *inst, int32_t, RValue &v) {
  if (inst == nullptr) return false;
  v.SetReal(inst->*F);
  return true;
}
template <int32_t CInstance::*F>
bool ReadIntField(const CInstance *inst, double &v) {
  if (inst == nullptr) return false;
  v = inst->*F;
  return true;
}
template <int32_t CInstance::*F>
bool SetInt(CInstance *inst, int32_t, const RValue &v) {
  if (inst == nullptr) return false;
  inst->*F = AsInt(v);
  return true;
}
template <bool CInstance::*F>
bool GetBool(CInstance *inst, int32_t, RValue &v) {
  if (inst == nullptr) return false;
  v.SetReal(inst->*F ? 1 : 0);
  return true;
}
template <bool CInstance::*F>
bool SetBool(CInstance *inst, int32_t, const RValue &v) {
  if (inst == nullptr) return false;
  inst->*F = AsBool(v);
  return true;
}
// Writes through a property setter taking the real.
template <void (CInstance::*M)(double)>
bool SetVia(CInstance *inst, int32_t, const RValue &v) {
  if (inst == nullptr) return false;
  (inst->*M)(v.val);
  return true;
}
// Writes through a property setter taking the rounded value.
template <void (CInstance::*M)(int32_t)>
bool SetViaInt(CInstance *inst, int32_t, const RValue &v) {
  if (inst == nullptr) return false;
  (inst->*M)(AsInt(v));
  return true;
}
template <int32_t RRect::*F>
bool GetBox(CInstance *inst, int32_t, RValue &v) {
  if (inst == nullptr) return false;
  v.SetReal(inst->i_bbox.*F);
  return true;
}

bool SetX(CInstance *inst, int32_t, const RValue &v) {
  if (inst == nullptr) return false;
  inst->SetPosition(v.val, inst->i_y);
  return true;
}
bool SetY(CInstance *inst, int32_t, const RValue &v) {
  if (inst == nullptr) return false;
  inst->SetPosition(inst->i_x, v.val);
  return true;
}

int AlarmSlot(int32_t arr) { return arr >= 0 && arr < kAlarmCount ? arr : 0; }
bool GetAlarm(CInstance *inst, int32_t arr, RValue &v) {
  if (inst == nullptr) return false;
  v.SetReal(inst->GetAlarm(AlarmSlot(arr)));
  return true;
}
bool SetAlarm(CInstance *inst, int32_t arr, const RValue &v) {
  if (inst == nullptr) return false;
  inst->SetAlarm(AlarmSlot(arr), AsInt(v));
  return true;
}

bool GetImageSingle(CInstance *inst, int32_t, RValue &v) {
  if (inst == nullptr) return false;
  v.SetReal(inst->i_imagespeed != 0 ? -1 : inst->i_imageindex);
  return true;
}
bool SetImageSingle(CInstance *inst, int32_t, const RValue &v) {
  if (inst == nullptr) return false;
  if (v.val >= 0) {
    inst->i_imageindex = v.val;
    inst->i_imagespeed = 0;
  } else {
    inst->i_imagespeed = 1;
  }
  return true;
}
bool GetImageNumber(CInstance *inst, int32_t, RValue &v) {
  if (inst == nullptr) return false;
  v.SetReal(inst->ImageNumber());
  return true;
}

bool GetImageBlend(CInstance *inst, int32_t, RValue &v) {
  if (inst == nullptr) return false;
  v.SetReal(inst->i_imageblend);
  return true;
}
bool SetImageBlend(CInstance *inst, int32_t, const RValue &v) {
  if (inst == nullptr) return false;
  inst->i_imageblend = static_cast<uint32_t>(AsInt(v));
  return true;
}

// The sprite's size and origin, scaled; 0 without a sprite.
enum class SpriteMeasure { kWidth, kHeight, kXOffset, kYOffset };
template <SpriteMeasure M>
bool GetSpriteMeasure(CInstance *inst, int32_t, RValue &v) {
  if (inst == nullptr) return false;
  RSpriteGeometry g;
  double r = 0;
  if (Instance_SpriteGeometry(inst->i_spriteindex, g)) {
    switch (M) {
      case SpriteMeasure::kWidth: r = g.width * inst->i_imagescalex; break;
      case SpriteMeasure::kHeight: r = g.height * inst->i_imagescaley; break;
      case SpriteMeasure::kXOffset: r = g.xorigin * inst->i_imagescalex; break;
      case SpriteMeasure::kYOffset: r = g.yorigin * inst->i_imagescaley; break;
    }
  }
  v.SetReal(r);
  return true;
}

struct RAccess {
  const char *name;
  TBuiltinGetter getter;
  TBuiltinSetter setter;            // null for read-only variables
  TBuiltinReader reader = nullptr;  // for the fields the getter only copies
};

const RAccess kInstanceVariables[] = {
    {"x", &GetReal<&CInstance::i_x>, &SetX, &ReadRealField<&CInstance::i_x>},
    {"y", &GetReal<&CInstance::i_y>, &SetY, &ReadRealField<&CInstance::i_y>},
    {"xprevious", &GetReal<&CInstance::i_xprevious>, &SetReal<&CInstance::i_xprevious>,
     &ReadRealField<&CInstance::i_xprevious>},
    {"yprevious", &GetReal<&CInstance::i_yprevious>, &SetReal<&CInstance::i_yprevious>,
     &ReadRealField<&CInstance::i_yprevious>},
    {"xstart", &GetReal<&CInstance::i_xstart>, &SetReal<&CInstance::i_xstart>, &ReadRealField<&CInstance::i_xstart>},
    {"ystart", &GetReal<&CInstance::i_ystart>, &SetReal<&CInstance::i_ystart>, &ReadRealField<&CInstance::i_ystart>},
    {"hspeed", &GetReal<&CInstance::i_hspeed>, &SetVia<&CInstance::SetHspeed>, &ReadRealField<&CInstance::i_hspeed>},
    {"vspeed", &GetReal<&CInstance::i_vspeed>, &SetVia<&CInstance::SetVspeed>, &ReadRealField<&CInstance::i_vspeed>},
    {"direction", &GetReal<&CInstance::i_direction>, &SetVia<&CInstance::SetDirection>,
     &ReadRealField<&CInstance::i_direction>},
    {"speed", &GetReal<&CInstance::i_speed>, &SetVia<&CInstance::SetSpeed>, &ReadRealField<&CInstance::i_speed>},
    {"friction", &GetReal<&CInstance::i_friction>, &SetReal<&CInstance::i_friction>,
     &ReadRealField<&CInstance::i_friction>},
    {"gravity", &GetReal<&CInstance::i_gravity>, &SetReal<&CInstance::i_gravity>,
     &ReadRealField<&CInstance::i_gravity>},
    {"gravity_direction", &GetReal<&CInstance::i_gravitydir>, &SetReal<&CInstance::i_gravitydir>,
     &ReadRealField<&CInstance::i_gravitydir>},
    {"object_index", &GetInt<&CInstance::i_objectindex>, nullptr, &ReadIntField<&CInstance::i_objectindex>},
    {"id", &GetInt<&CInstance::i_id>, nullptr, &ReadIntField<&CInstance::i_id>},
    {"alarm", &GetAlarm, &SetAlarm},
    {"solid", &GetBool<&CInstance::i_solid>, &SetBool<&CInstance::i_solid>},
    {"visible", &GetBool<&CInstance::i_visible>, &SetBool<&CInstance::i_visible>},
    {"persistent", &GetBool<&CInstance::i_persistent>, &SetBool<&CInstance::i_persistent>},
    {"depth", &GetReal<&CInstance::i_depth>, &SetReal<&CInstance::i_depth>, &ReadRealField<&CInstance::i_depth>},
    {"bbox_left", &GetBox<&RRect::left>, nullptr},
    {"bbox_right", &GetBox<&RRect::right>, nullptr},
    {"bbox_top", &GetBox<&RRect::top>, nullptr},
    {"bbox_bottom", &GetBox<&RRect::bottom>, nullptr},
    {"sprite_index", &GetInt<&CInstance::i_spriteindex>, &SetViaInt<&CInstance::SetSpriteIndex>,
     &ReadIntField<&CInstance::i_spriteindex>},
    {"image_index", &GetReal<&CInstance::i_imageindex>, &SetReal<&CInstance::i_imageindex>,
     &ReadRealField<&CInstance::i_imageindex>},
    {"image_single", &GetImageSingle, &SetImageSingle},
    {"image_number", &GetImageNumber, nullptr},
    {"sprite_width", &GetSpriteMeasure<SpriteMeasure::kWidth>, nullptr},
    {"sprite_height", &GetSpriteMeasure<SpriteMeasure::kHeight>, nullptr},
    {"sprite_xoffset", &GetSpriteMeasure<SpriteMeasure::kXOffset>, nullptr},
    {"sprite_yoffset", &GetSpriteMeasure<SpriteMeasure::kYOffset>, nullptr},
    {"image_xscale", &GetReal<&CInstance::i_imagescalex>, &SetVia<&CInstance::SetImageScaleX>,
     &ReadRealField<&CInstance::i_imagescalex>},
    {"image_yscale", &GetReal<&CInstance::i_imagescaley>, &SetVia<&CInstance::SetImageScaleY>,
     &ReadRealField<&CInstance::i_imagescaley>},
    {"image_angle", &GetReal<&CInstance::i_imageangle>, &SetVia<&CInstance::SetImageAngle>,
     &ReadRealField<&CInstance::i_imageangle>},
    {"image_alpha", &GetReal<&CInstance::i_imagealpha>, &SetReal<&CInstance::i_imagealpha>,
     &ReadRealField<&CInstance::i_imagealpha>},
    {"image_blend", &GetImageBlend, &SetImageBlend},
    {"image_speed", &GetReal<&CInstance::i_imagespeed>, &SetReal<&CInstance::i_imagespeed>,
     &ReadRealField<&CInstance::i_imagespeed>},
    {"mask_index", &GetInt<&CInstance::i_maskindex>, &SetViaInt<&CInstance::SetMaskIndex>,
     &ReadIntField<&CInstance::i_maskindex>},
    {"path_index", &GetInt<&CInstance::i_pathindex>, nullptr, &ReadIntField<&CInstance::i_pathindex>},
    {"path_position", &GetReal<&CInstance::i_pathposition>, &SetVia<&CInstance::SetPathPosition>,
     &ReadRealField<&CInstance::i_pathposition>},
    {"path_positionprevious", &GetReal<&CInstance::i_pathpositionprevious>,
     &SetVia<&CInstance::SetPathPositionPrevious>, &ReadRealField<&CInstance::i_pathpositionprevious>},
    {"path_speed", &GetReal<&CInstance::i_pathspeed>, &SetVia<&CInstance::SetPathSpeed>,
     &ReadRealField<&CInstance::i_pathspeed>},
    {"path_scale", &GetReal<&CInstance::i_pathscale>, &SetReal<&CInstance::i_pathscale>,
     &ReadRealField<&CInstance::i_pathscale>},
    {"path_orientation", &GetReal<&CInstance::i_pathorientation>, &SetReal<&CInstance::i_pathorientation>,
     &ReadRealField<&CInstance::i_pathorientation>},
    {"path_endaction", &GetInt<&CInstance::i_pathend>, &SetInt<&CInstance::i_pathend>,
     &ReadIntField<&CInstance::i_pathend>},
    {"timeline_index", &GetInt<&CInstance::i_timelineindex>, &SetInt<&CInstance::i_timelineindex>,
     &ReadIntField<&CInstance::i_timelineindex>},
    {"timeline_position", &GetReal<&CInstance::i_timelineposition>, &SetReal<&CInstance::i_timelineposition>,
     &ReadRealField<&CInstance::i_timelineposition>},
    {"timeline_speed", &GetReal<&CInstance::i_timelinespeed>, &SetReal<&CInstance::i_timelinespeed>,
     &ReadRealField<&CInstance::i_timelinespeed>},
    {"timeline_running", &GetBool<&CInstance::i_timelinerunning>, &SetBool<&CInstance::i_timelinerunning>},
    {"timeline_loop", &GetBool<&CInstance::i_timelineloop>, &SetBool<&CInstance::i_timelineloop>},
};

}  // namespace

void Instance_InstallVariables() {
  for (const RAccess &a : kInstanceVariables) BuiltinSetAccess(a.name, a.getter, a.setter, a.reader);
}
