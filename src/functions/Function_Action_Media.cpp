// The actions that play sound and CD audio, make particles, draw, change the
// window and replace resources from files; the obsolete actions; and the
// platform query functions.
#include <cmath>
#include <string>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "functions/Function_Action.h"
#include "functions/Function_Action_Support.h"
#include "world/Instance_Class.h"
#include "world/Run_Main.h"

namespace action {
namespace {

void Answer(RValue &result, bool yes) { result.SetReal(yes ? 1 : 0); }

double RelX(const CInstance *self, const RValue &v) { return self ? Rel(Num(v), self->i_x) : Num(v); }
double RelY(const CInstance *self, const RValue &v) { return self ? Rel(Num(v), self->i_y) : Num(v); }

// Whether `exists` (a resource's _exists function) says the resource is
// there; when nobody answers yet, the call that follows decides.
bool Exists(CBuiltin &exists, CInstance *self, CInstance *other, const RValue &index) {
  RValue answer;
  return !exists.Call(self, other, {index}, answer) || RealIsTrue(answer.val);
}

void A_Nothing(CInstance *, CInstance *, int, RValue *, RValue &) {}

// --- sound -------------------------------------------------------------------------

CBuiltin s_soundExists("sound_exists");

CBuiltin s_soundPlay("sound_play"), s_soundLoop("sound_loop");
void A_Sound(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  if (!Exists(s_soundExists, self, other, args[0])) {
    ReportActionError("Trying to play non-existing sound.", false);
    return;
  }
  (Bool(args[1]) ? s_soundLoop : s_soundPlay).Call(self, other, {args[0]});
}

CBuiltin s_soundStop("sound_stop");
void A_EndSound(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  if (!Exists(s_soundExists, self, other, args[0])) {
    ReportActionError("Trying to stop non-existing sound.", false);
    return;
  }
  s_soundStop.Call(self, other, {args[0]});
}

CBuiltin s_soundPlaying("sound_isplaying");
void A_IfSound(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  RValue answer;
  Answer(result, Exists(s_soundExists, self, other, args[0]) && s_soundPlaying.Call(self, other, {args[0]}, answer) &&
                     RealIsTrue(answer.val));
}

// --- CD audio ------------------------------------------------------------------------

template <CBuiltin &Cd, int Count>
void A_Cd(CInstance *self, CInstance *other, int, RValue *args, RValue &result) {
  if constexpr (Count == 0) Cd.Call(self, other, {}, result);
  if constexpr (Count == 2) Cd.Call(self, other, {args[0], args[1]}, result);
}
CBuiltin s_cdPlay("cd_play"), s_cdStop("cd_stop"), s_cdPause("cd_pause"), s_cdResume("cd_resume"),
    s_cdPresent("cd_present"), s_cdPlaying("cd_playing");

// --- particles -------------------------------------------------------------------------
// The library keeps one particle system and numbered slots for the types
// and emitters that the actions make in it; the system is made on first
// use.

CBuiltin s_systemCreate("part_system_create");

RValue Id(int id) { return Real(id); }

// The library's system, made when missing; -1 while particles cannot be
// made at all.
int System(CInstance *self, CInstance *other) {
  RActionParticles &p = g_ActionParticles;
  if (p.system >= 0) return p.system;
  RValue made;
  if (!s_systemCreate.Call(self, other, {}, made)) return -1;
  p.ClearSlots();
  p.system = Int(made);
  return p.system;
}

// The slot an argument names, or -1 outside 0..15.
int Slot(const RValue &v) {
  const int32_t i = Int(v);
  return i >= 0 && i < RActionParticles::kSlots ? i : -1;
}

CBuiltin s_typeCreate("part_type_create");
// The type in slot `slot`, made when empty; -1 when there is none to have.
int Type(CInstance *self, CInstance *other, int slot) {
  if (slot < 0 || System(self, other) < 0) return -1;
  int &type = g_ActionParticles.types[slot];
  RValue made;
  if (type < 0 && s_typeCreate.Call(self, other, {}, made)) type = Int(made);
  return type;
}

CBuiltin s_systemDepth("part_system_depth");
void A_PartsystCreate(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  RActionParticles &p = g_ActionParticles;
  if (p.system < 0) {
    if (System(self, other) < 0) return;
  } else {
    p.ClearSlots();
  }
  s_systemDepth.Call(self, other, {Id(p.system), args[0]});
}

CBuiltin s_systemDestroy("part_system_destroy");
void A_PartsystDestroy(CInstance *self, CInstance *other, int, RValue *, RValue &) {
  RActionParticles &p = g_ActionParticles;
  if (p.system >= 0) s_systemDestroy.Call(self, other, {Id(p.system)});
  p.Clear();
}

CBuiltin s_particlesClear("part_particles_clear");
void A_PartsystClear(CInstance *self, CInstance *other, int, RValue *, RValue &) {
  if (g_ActionParticles.system >= 0) s_particlesClear.Call(self, other, {Id(g_ActionParticles.system)});
}

CBuiltin s_typeShape("part_type_shape"), s_typeSprite("part_type_sprite"), s_typeSize("part_type_size"),
    s_typeColor2("part_type_color2");

// (slot, shape, sprite, min size, max size, size increment): a sprite of 0
// or more is drawn instead of the shape, animated.
void A_ParttypeCreate(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int type = Type(self, other, Slot(args[0]));
  if (type < 0) return;
  s_typeShape.Call(self, other, {Id(type), args[1]});
  if (Int(args[2]) >= 0) s_typeSprite.Call(self, other, {Id(type), args[2], Real(1), Real(0), Real(0)});
  s_typeSize.Call(self, other, {Id(type), args[3], args[4], args[5], Real(0)});
}

// The older form: (slot, shape, min size, max size, colour from, colour to).
void A_ParttypeCreateOld(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int type = Type(self, other, Slot(args[0]));
  if (type < 0) return;
  s_typeShape.Call(self, other, {Id(type), args[1]});
  s_typeSize.Call(self, other, {Id(type), args[2], args[3], Real(0), Real(0)});
  s_typeColor2.Call(self, other, {Id(type), args[4], args[5]});
}

CBuiltin s_typeColorMix("part_type_color_mix"), s_typeAlpha2("part_type_alpha2");
// (slot, mode, colour 1, colour 2, start alpha, end alpha): mode 0 mixes
// the two colours per particle, any other changes from the first to the
// second over its life.
void A_ParttypeColor(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int type = Type(self, other, Slot(args[0]));
  if (type < 0) return;
  (Int(args[1]) == 0 ? s_typeColorMix : s_typeColor2).Call(self, other, {Id(type), args[2], args[3]});
  s_typeAlpha2.Call(self, other, {Id(type), args[4], args[5]});
}

CBuiltin s_typeLife("part_type_life");
void A_ParttypeLife(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int type = Type(self, other, Slot(args[0]));
  if (type >= 0) s_typeLife.Call(self, other, {Id(type), args[1], args[2]});
}

CBuiltin s_typeSpeed("part_type_speed"), s_typeDirection("part_type_direction");
// (slot, min speed, max speed, min direction, max direction, friction):
// friction slows the particle every step.
void A_ParttypeSpeed(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int type = Type(self, other, Slot(args[0]));
  if (type < 0) return;
  s_typeSpeed.Call(self, other, {Id(type), args[1], args[2], Real(-Num(args[5])), Real(0)});
  s_typeDirection.Call(self, other, {Id(type), args[3], args[4], Real(0), Real(0)});
}

CBuiltin s_typeGravity("part_type_gravity");
void A_ParttypeGravity(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int type = Type(self, other, Slot(args[0]));
  if (type >= 0) s_typeGravity.Call(self, other, {Id(type), args[1], args[2]});
}

CBuiltin s_typeStep("part_type_step"), s_typeDeath("part_type_death");
// (slot, step slot, step number, death slot, death number): the types that
// a particle gives off while it lives and when it dies, by their slots.
void A_ParttypeSecondary(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int type = Type(self, other, Slot(args[0]));
  if (type < 0) return;
  auto typeIn = [](const RValue &v) {
    const int s = Slot(v);
    return Id(s >= 0 ? g_ActionParticles.types[s] : -1);
  };
  s_typeStep.Call(self, other, {Id(type), args[2], typeIn(args[1])});
  s_typeDeath.Call(self, other, {Id(type), args[4], typeIn(args[3])});
}

CBuiltin s_emitterCreate("part_emitter_create"), s_emitterRegion("part_emitter_region");
// (slot, shape, xmin, xmax, ymin, ymax), the region relative to the
// instance when the action is relative.
void A_PartemitCreate(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int slot = Slot(args[0]);
  const int system = slot >= 0 ? System(self, other) : -1;
  if (system < 0) return;
  int &emitter = g_ActionParticles.emitters[slot];
  RValue made;
  if (emitter < 0 && s_emitterCreate.Call(self, other, {Id(system)}, made)) emitter = Int(made);
  if (emitter < 0) return;
  s_emitterRegion.Call(self, other,
                       {Id(system), Id(emitter), Real(RelX(self, args[2])), Real(RelX(self, args[3])),
                        Real(RelY(self, args[4])), Real(RelY(self, args[5])), args[1], Real(0)});
}

CBuiltin s_emitterDestroy("part_emitter_destroy");
void A_PartemitDestroy(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int slot = Slot(args[0]);
  if (slot < 0) return;
  int &emitter = g_ActionParticles.emitters[slot];
  if (emitter >= 0 && g_ActionParticles.system >= 0)
    s_emitterDestroy.Call(self, other, {Id(g_ActionParticles.system), Id(emitter)});
  emitter = -1;
}

// (emitter slot, type slot, number)
template <CBuiltin &Emit>
void A_PartemitEmit(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int slot = Slot(args[0]);
  const int emitter = slot >= 0 ? g_ActionParticles.emitters[slot] : -1;
  if (emitter < 0 || g_ActionParticles.system < 0) {
    ReportActionError("The particle emitter must first be created.", false);
    return;
  }
  const int typeSlot = Slot(args[1]);
  const int type = typeSlot >= 0 ? g_ActionParticles.types[typeSlot] : -1;
  Emit.Call(self, other, {Id(g_ActionParticles.system), Id(emitter), Id(type), args[2]});
}
CBuiltin s_emitterBurst("part_emitter_burst"), s_emitterStream("part_emitter_stream");

CBuiltin s_effectBelow("effect_create_below"), s_effectAbove("effect_create_above");
void A_Effect(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  (Int(args[5]) == 0 ? s_effectBelow : s_effectAbove)
      .Call(self, other, {args[0], Real(RelX(self, args[1])), Real(RelY(self, args[2])), args[3], args[4]});
}

// --- drawing -------------------------------------------------------------------------------

CBuiltin s_spriteExists("sprite_exists"), s_backgroundExists("background_exists"), s_drawSprite("draw_sprite");

void A_DrawSprite(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  if (!Exists(s_spriteExists, self, other, args[0])) {
    ReportActionError("Trying to draw a non-existing sprite.", false);
    return;
  }
  const double image = Num(args[3]) < 0 && self ? self->i_imageindex : Num(args[3]);
  s_drawSprite.Call(self, other, {args[0], Real(image), Real(RelX(self, args[1])), Real(RelY(self, args[2]))});
}

CBuiltin s_drawBackground("draw_background"), s_drawBackgroundTiled("draw_background_tiled");
void A_DrawBackground(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  if (!Exists(s_backgroundExists, self, other, args[0])) {
    ReportActionError("Trying to draw a non-existing background.", false);
    return;
  }
  (Bool(args[3]) ? s_drawBackgroundTiled : s_drawBackground)
      .Call(self, other, {args[0], Real(RelX(self, args[1])), Real(RelY(self, args[2]))});
}

CBuiltin s_drawText("draw_text");
void A_DrawText(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  s_drawText.Call(self, other, {Real(RelX(self, args[1])), Real(RelY(self, args[2])), args[0]});
}

CBuiltin s_drawTextTransformed("draw_text_transformed");
void A_DrawTextTransformed(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  s_drawTextTransformed.Call(
      self, other, {Real(RelX(self, args[1])), Real(RelY(self, args[2])), args[0], args[3], args[4], args[5]});
}

// The four corner coordinates of a shape, taken from self when relative.
struct RBox {
  RValue x1, y1, x2, y2;
  RBox(const CInstance *self, const RValue *args)
      : x1(Real(RelX(self, args[0]))), y1(Real(RelY(self, args[1]))), x2(Real(RelX(self, args[2]))),
        y2(Real(RelY(self, args[3]))) {}
};

CBuiltin s_drawRectangle("draw_rectangle"), s_drawRectangleColor("draw_rectangle_color"),
    s_drawEllipse("draw_ellipse"), s_drawEllipseColor("draw_ellipse_color"), s_drawLine("draw_line"),
    s_drawArrow("draw_arrow");

void A_DrawRectangle(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const RBox b(self, args);
  s_drawRectangle.Call(self, other, {b.x1, b.y1, b.x2, b.y2, args[4]});
}
void A_DrawGradientHor(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const RBox b(self, args);
  s_drawRectangleColor.Call(self, other, {b.x1, b.y1, b.x2, b.y2, args[4], args[5], args[5], args[4], Real(0)});
}
void A_DrawGradientVert(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const RBox b(self, args);
  s_drawRectangleColor.Call(self, other, {b.x1, b.y1, b.x2, b.y2, args[4], args[4], args[5], args[5], Real(0)});
}
void A_DrawEllipse(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const RBox b(self, args);
  s_drawEllipse.Call(self, other, {b.x1, b.y1, b.x2, b.y2, args[4]});
}
void A_DrawEllipseGradient(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const RBox b(self, args);
  s_drawEllipseColor.Call(self, other, {b.x1, b.y1, b.x2, b.y2, args[4], args[5], Real(0)});
}
void A_DrawLine(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const RBox b(self, args);
  s_drawLine.Call(self, other, {b.x1, b.y1, b.x2, b.y2});
}
void A_DrawArrow(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const RBox b(self, args);
  s_drawArrow.Call(self, other, {b.x1, b.y1, b.x2, b.y2, args[4]});
}

CBuiltin s_spriteWidth("sprite_get_width");
void A_DrawLifeImages(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  RValue w;
  s_spriteWidth.Call(self, other, {args[2]}, w);
  const double x = RelX(self, args[0]), y = RelY(self, args[1]);
  for (int32_t i = 0; i < g_Game.lives; ++i)
    if (!s_drawSprite.Call(self, other, {args[2], Real(0), Real(x + i * w.val), Real(y)})) return;
}

}  // namespace

// The colours of the health bar by their index in the action's list.
int32_t HealthBackColor(int32_t index) {
  constexpr int32_t kColors[] = {0,       0,       8421504, 12632256, 16777215, 128,      32768,    32896, 8388608,
                                 8388736, 8421376, 255,     65280,    65535,    16711680, 16711935, 16776960};
  return index >= 0 && index < 17 ? kColors[index] : 0;
}

namespace {

int32_t Channel(int32_t c, int shift) { return (c >> shift) & 0xFF; }

int32_t Merge(int32_t a, int32_t b, double t) {
  int32_t out = 0;
  for (int shift : {0, 8, 16}) {
    const double v = Channel(a, shift) + (Channel(b, shift) - Channel(a, shift)) * t;
    out |= static_cast<int32_t>(RoundToInt64(v)) << shift;
  }
  return out;
}

}  // namespace

int32_t HealthBarColor(int32_t index, double health) {
  const double h = std::isfinite(health) ? std::fmin(std::fmax(health, 0), 100) : 0;
  auto ramp = [h](int32_t low, int32_t mid, int32_t high) {
    return h <= 50 ? Merge(low, mid, h / 50) : Merge(mid, high, (h - 50) / 50);
  };
  if (index == 0) return ramp(255, 65535, 65280);
  if (index == 1) return ramp(0, 8421504, 16777215);
  if (index >= 3 && index <= 17) return HealthBackColor(index - 1);
  return 0;
}

namespace {

CBuiltin s_drawHealthbar("draw_healthbar");
// The bar is drawn in one colour worked out here, so that the middle of
// the red-to-lime ramp is yellow.
void A_DrawHealth(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const RBox b(self, args);
  const int32_t back = Int(args[4]);
  const RValue color = Real(HealthBarColor(Int(args[5]), g_Game.health));
  s_drawHealthbar.Call(self, other,
                       {b.x1, b.y1, b.x2, b.y2, Real(g_Game.health), Real(HealthBackColor(back)), color, color, Real(0),
                        Real(back != 0 ? 1 : 0), Real(1)});
}

CBuiltin s_setColor("draw_set_color");
void A_Color(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  s_setColor.Call(self, other, {args[0]});
}

CBuiltin s_setFont("draw_set_font"), s_setHalign("draw_set_halign");
void A_Font(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  s_setFont.Call(self, other, {args[0]});
  s_setHalign.Call(self, other, {args[1]});
}

// --- the window ----------------------------------------------------------------------------

CBuiltin s_setFullscreen("window_set_fullscreen"), s_getFullscreen("window_get_fullscreen");
void A_Fullscreen(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  const int32_t how = Int(args[0]);
  bool full = how == 2;
  if (how != 1 && how != 2) {
    RValue now;
    if (!s_getFullscreen.Call(self, other, {}, now)) return;
    full = !RealIsTrue(now.val);
  }
  s_setFullscreen.Call(self, other, {Real(full ? 1 : 0)});
}

CBuiltin s_screenSave("screen_save");
void A_Snapshot(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  s_screenSave.Call(self, other, {args[0]});
}

CBuiltin s_setCursor("window_set_cursor");
void A_SetCursor(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  constexpr int kCursorDefault = 0, kCursorNone = -1;
  g_Game.cursorSprite = Int(args[0]);
  s_setCursor.Call(self, other, {Real(Bool(args[1]) ? kCursorDefault : kCursorNone)});
}

// --- replacing resources from files ---------------------------------------------------------

bool EndsWith(const RValue &v, std::string_view ext) {
  if (!v.IsString() || v.str.size() < ext.size()) return false;
  const std::string_view s = v.str.view();
  for (size_t i = 0; i < ext.size(); ++i) {
    char c = s[s.size() - ext.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != ext[i]) return false;
  }
  return true;
}

CBuiltin s_fileExists("file_exists");
// Reports and answers false when the resource or the file is missing.
bool CanReplace(CBuiltin &exists, CInstance *self, CInstance *other, const RValue &index, const RValue &file) {
  if (!Exists(exists, self, other, index)) {
    ReportActionError("Trying to replace non-existing resource.", false);
    return false;
  }
  if (!Exists(s_fileExists, self, other, file)) {
    ReportActionError("File does not exist.", false);
    return false;
  }
  return true;
}

CBuiltin s_spriteReplace("sprite_replace"), s_spriteReplaceSprite("sprite_replace_sprite"),
    s_spriteXoffset("sprite_get_xoffset"), s_spriteYoffset("sprite_get_yoffset"),
    s_spriteSetOffset("sprite_set_offset");
void A_ReplaceSprite(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  if (!CanReplace(s_spriteExists, self, other, args[0], args[1])) return;
  RValue xo, yo;
  s_spriteXoffset.Call(self, other, {args[0]}, xo);
  s_spriteYoffset.Call(self, other, {args[0]}, yo);
  if (EndsWith(args[1], ".qnspr")) {
    if (s_spriteReplaceSprite.Call(self, other, {args[0], args[1]}))
      s_spriteSetOffset.Call(self, other, {args[0], xo, yo});
  } else {
    s_spriteReplace.Call(self, other, {args[0], args[1], args[2], Real(0), Real(0), xo, yo});
  }
}

CBuiltin s_soundReplace("sound_replace"), s_soundKind("sound_get_kind"), s_soundPreload("sound_get_preload");
void A_ReplaceSound(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  if (!CanReplace(s_soundExists, self, other, args[0], args[1])) return;
  RValue k, p;
  s_soundKind.Call(self, other, {args[0]}, k);
  s_soundPreload.Call(self, other, {args[0]}, p);
  s_soundReplace.Call(self, other, {args[0], args[1], k, p});
}

CBuiltin s_backgroundReplace("background_replace"), s_backgroundReplaceBackground("background_replace_background");
void A_ReplaceBackground(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  if (!CanReplace(s_backgroundExists, self, other, args[0], args[1])) return;
  if (EndsWith(args[1], ".qnbck")) {
    s_backgroundReplaceBackground.Call(self, other, {args[0], args[1]});
  } else {
    s_backgroundReplace.Call(self, other, {args[0], args[1], Real(0), Real(0)});
  }
}

// --- platform queries -------------------------------------------------------------------------

void K_Platform(CInstance *, CInstance *, int, RValue *, RValue &result) { result = GetGameVariable("os_type"); }
void K_Device(CInstance *, CInstance *, int, RValue *, RValue &result) { result = GetGameVariable("os_device"); }
void K_Domain(CInstance *, CInstance *, int, RValue *, RValue &result) { result.SetString(RString("unknown")); }

}  // namespace

void RegisterMedia() {
  // Kept so that old games load; they do nothing.
  FunctionAdd("action_path_old", A_Nothing, 3);
  FunctionAdd("action_draw_font", A_Nothing, 1);
  FunctionAdd("action_draw_font_old", A_Nothing, 6);
  FunctionAdd("action_fill_color", A_Nothing, 1);
  FunctionAdd("action_line_color", A_Nothing, 1);
  FunctionAdd("action_highscore", A_Nothing, 0);

  FunctionAdd("action_sound", A_Sound, 2);
  FunctionAdd("action_end_sound", A_EndSound, 1);
  FunctionAdd("action_if_sound", A_IfSound, 1);
  FunctionAdd("action_replace_sprite", A_ReplaceSprite, 3);
  FunctionAdd("action_replace_sound", A_ReplaceSound, 2);
  FunctionAdd("action_replace_background", A_ReplaceBackground, 2);
  FunctionAdd("action_draw_life_images", A_DrawLifeImages, 3);
  FunctionAdd("action_draw_health", A_DrawHealth, 6);
  FunctionAdd("action_partsyst_create", A_PartsystCreate, 1);
  FunctionAdd("action_partsyst_destroy", A_PartsystDestroy, 0);
  FunctionAdd("action_partsyst_clear", A_PartsystClear, 0);
  FunctionAdd("action_parttype_create_old", A_ParttypeCreateOld, 6);
  FunctionAdd("action_parttype_create", A_ParttypeCreate, 6);
  FunctionAdd("action_parttype_color", A_ParttypeColor, 6);
  FunctionAdd("action_parttype_life", A_ParttypeLife, 3);
  FunctionAdd("action_parttype_speed", A_ParttypeSpeed, 6);
  FunctionAdd("action_parttype_gravity", A_ParttypeGravity, 3);
  FunctionAdd("action_parttype_secondary", A_ParttypeSecondary, 5);
  FunctionAdd("action_partemit_create", A_PartemitCreate, 6);
  FunctionAdd("action_partemit_destroy", A_PartemitDestroy, 1);
  FunctionAdd("action_partemit_burst", A_PartemitEmit<s_emitterBurst>, 3);
  FunctionAdd("action_partemit_stream", A_PartemitEmit<s_emitterStream>, 3);
  FunctionAdd("action_cd_play", A_Cd<s_cdPlay, 2>, 2);
  FunctionAdd("action_cd_stop", A_Cd<s_cdStop, 0>, 0);
  FunctionAdd("action_cd_pause", A_Cd<s_cdPause, 0>, 0);
  FunctionAdd("action_cd_resume", A_Cd<s_cdResume, 0>, 0);
  FunctionAdd("action_cd_present", A_Cd<s_cdPresent, 0>, 0);
  FunctionAdd("action_cd_playing", A_Cd<s_cdPlaying, 0>, 0);
  FunctionAdd("action_set_cursor", A_SetCursor, 2);
  FunctionAdd("action_draw_sprite", A_DrawSprite, 4);
  FunctionAdd("action_draw_background", A_DrawBackground, 4);
  FunctionAdd("action_draw_text", A_DrawText, 3);
  FunctionAdd("action_draw_text_transformed", A_DrawTextTransformed, 6);
  FunctionAdd("action_draw_rectangle", A_DrawRectangle, 5);
  FunctionAdd("action_draw_gradient_hor", A_DrawGradientHor, 6);
  FunctionAdd("action_draw_gradient_vert", A_DrawGradientVert, 6);
  FunctionAdd("action_draw_ellipse", A_DrawEllipse, 5);
  FunctionAdd("action_draw_ellipse_gradient", A_DrawEllipseGradient, 6);
  FunctionAdd("action_draw_line", A_DrawLine, 4);
  FunctionAdd("action_draw_arrow", A_DrawArrow, 5);
  FunctionAdd("action_color", A_Color, 1);
  FunctionAdd("action_font", A_Font, 2);
  FunctionAdd("action_fullscreen", A_Fullscreen, 1);
  FunctionAdd("action_snapshot", A_Snapshot, 1);
  FunctionAdd("action_effect", A_Effect, 6);

  // Platform queries: this platform is the desktop, with nothing of the
  // phones' and browsers' extras.
  FunctionAdd("Kest_GetPlatform", K_Platform, 0);
  FunctionAdd("Kest_GetDevice", K_Device, 0);
  FunctionAdd("Kest_GetDomain", K_Domain, 0);
  FunctionAdd("Kest_OpenURL", A_Nothing, 1);
  FunctionAdd("Kest_OpenURL_ext", A_Nothing, 2);
  FunctionAdd("Kest_OpenURL_full", A_Nothing, 3);
  FunctionAdd("Kest_GetTimer", A_Nothing, 0);
  FunctionAdd("Kest_AddVirtualKey", A_Nothing, 5);
  FunctionAdd("Kest_DeleteVirtualKey", A_Nothing, 1);
  FunctionAdd("Kest_ShowVirtualKey", A_Nothing, 1);
  FunctionAdd("Kest_HideVirtualKey", A_Nothing, 1);
}

}  // namespace action
