// The actions that move instances, send them along paths, create, change
// and destroy them and set their sprites.
#include <string>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "functions/Function_Action_Support.h"
#include "base/Support_Random.h"
#include "world/Event_Main.h"
#include "world/Instance_Class.h"
#include "world/Object_Main.h"
#include "world/Path_Main.h"
#include "world/Room_Main.h"

namespace action {
namespace {

constexpr int32_t kEventCreate = 0, kEventDestroy = 1;

// --- motion ------------------------------------------------------------------

void A_SetMotion(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  if (Relative()) {
    self->AddTo_Speed(Num(args[0]), Num(args[1]));
  } else {
    self->SetDirection(Num(args[0]));
    self->SetSpeed(Num(args[1]));
  }
}

// The directions text is a keypad: characters 0..8 stand for the keys from
// the bottom row up, so 4 (the middle key) stops.
void A_Move(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  constexpr double kDirections[9] = {225, 270, 315, 180, -1, 0, 135, 90, 45};
  constexpr int kStop = 4;
  const RValue &dirs = args[0];
  if (!dirs.IsString() || dirs.str.size() != 9) {
    ReportActionError("Wrong argument to action_move().", false);
    return;
  }
  const std::string_view text = dirs.str.view();
  if (self == nullptr || text.find('1') == std::string_view::npos) return;
  self->SetSpeed(Rel(Num(args[1]), self->i_speed));
  for (;;) {
    const auto k = static_cast<size_t>(RandomBelow(9));
    if (text[k] != '1') continue;
    if (k == kStop) {
      self->SetSpeed(0);
      self->SetDirection(0);
    } else {
      self->SetDirection(kDirections[k]);
    }
    return;
  }
}

void A_SetHspeed(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) self->SetHspeed(Rel(Num(args[0]), self->i_hspeed));
}
void A_SetVspeed(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) self->SetVspeed(Rel(Num(args[0]), self->i_vspeed));
}
void A_SetFriction(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) self->i_friction = Rel(Num(args[0]), self->i_friction);
}
void A_SetGravity(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  self->i_gravitydir = Rel(Num(args[0]), self->i_gravitydir);
  self->i_gravity = Rel(Num(args[1]), self->i_gravity);
}

CBuiltin s_moveTowards("move_towards_point");
void A_MovePoint(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  s_moveTowards.Call(self, other, {Real(Rel(Num(args[0]), self->i_x)), Real(Rel(Num(args[1]), self->i_y)), args[2]});
}

void A_MoveTo(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) self->SetPosition(Rel(Num(args[0]), self->i_x), Rel(Num(args[1]), self->i_y));
}
void A_MoveStart(CInstance *self, CInstance *, int, RValue *, RValue &) {
  if (self) self->SetPosition(self->i_xstart, self->i_ystart);
}

CBuiltin s_moveRandom("move_random"), s_moveSnap("move_snap");
void A_MoveRandom(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  s_moveRandom.Call(self, other, {args[0], args[1]});
}
void A_Snap(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  s_moveSnap.Call(self, other, {args[0], args[1]});
}

// Wraps only in the direction the instance moves, and back to beyond the
// opposite edge by the sprite's size, so that it slides in from there.
void A_Wrap(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  const CRoom *room = Room_Current();
  if (self == nullptr || room == nullptr) return;
  const int32_t how = Int(args[0]);
  double w = 0, h = 0;
  RSpriteGeometry g;
  if (Instance_SpriteGeometry(self->i_spriteindex, g)) {
    w = g.width * self->i_imagescalex;
    h = g.height * self->i_imagescaley;
  }
  double x = self->i_x, y = self->i_y;
  if (how == 0 || how == 2) {
    if (self->i_hspeed < 0 && x < 0) x += room->r_width + w;
    else if (self->i_hspeed > 0 && x >= room->r_width) x -= room->r_width + w;
  }
  if (how == 1 || how == 2) {
    if (self->i_vspeed < 0 && y < 0) y += room->r_height + h;
    else if (self->i_vspeed > 0 && y >= room->r_height) y -= room->r_height + h;
  }
  self->SetPosition(x, y);
}

void A_ReverseX(CInstance *self, CInstance *, int, RValue *, RValue &) {
  if (self) self->SetHspeed(-self->i_hspeed);
}
void A_ReverseY(CInstance *self, CInstance *, int, RValue *, RValue &) {
  if (self) self->SetVspeed(-self->i_vspeed);
}

CBuiltin s_contactSolid("move_contact_solid"), s_contactAll("move_contact_all");
void A_MoveContact(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  (Int(args[2]) == 0 ? s_contactSolid : s_contactAll).Call(self, other, {args[0], args[1]});
}

CBuiltin s_bounceSolid("move_bounce_solid"), s_bounceAll("move_bounce_all");
void A_Bounce(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  (Int(args[1]) == 0 ? s_bounceSolid : s_bounceAll).Call(self, other, {Real(Bool(args[0]) ? 1 : 0)});
}

// --- paths and planning -------------------------------------------------------

void A_Path(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) Path_Assign(*self, Int(args[0]), Num(args[1]), 1, 0, Bool(args[3]), Int(args[2]));
}
void A_PathEnd(CInstance *self, CInstance *, int, RValue *, RValue &) {
  if (self) Path_Assign(*self, -1, 0, 1, 0, true, 0);
}
void A_PathPosition(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) self->SetPathPosition(Rel(Num(args[0]), self->i_pathposition));
}
void A_PathSpeed(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self) self->SetPathSpeed(Rel(Num(args[0]), self->i_pathspeed));
}

CBuiltin s_linearStep("mp_linear_step"), s_potentialStep("mp_potential_step");

template <CBuiltin &Step>
void A_PlannerStep(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  Step.Call(self, other, {Real(Rel(Num(args[0]), self->i_x)), Real(Rel(Num(args[1]), self->i_y)), args[2], args[3]});
}

// --- instances ------------------------------------------------------------------

void A_KillObject(CInstance *self, CInstance *, int, RValue *, RValue &) {
  if (self == nullptr) return;
  PerformEvent(self, self, self->i_objectindex, kEventDestroy, 0);
  self->i_marked = true;
}

// A new instance of obj at (x, y) whose motion is set before its create
// event runs; null (after the report) for a missing object.
CInstance *Create(int32_t obj, double x, double y, double speed, double direction) {
  if (!ObjectExists(obj)) {
    ReportActionError("Creating instance for non-existing object: " + std::to_string(obj), false);
    return nullptr;
  }
  CRoom *room = Room_Current();
  if (room == nullptr) return nullptr;
  CInstance *inst = room->AddInstance(obj, x, y);
  inst->SetSpeed(speed);
  inst->SetDirection(direction);
  PerformEvent(inst, inst, obj, kEventCreate, 0);
  return inst;
}

double RelX(const CInstance *self, const RValue &v) { return self ? Rel(v.val, self->i_x) : v.val; }
double RelY(const CInstance *self, const RValue &v) { return self ? Rel(v.val, self->i_y) : v.val; }

void A_CreateObject(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  Create(Int(args[0]), RelX(self, args[1]), RelY(self, args[2]), 0, 0);
}

void A_CreateObjectMotion(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  Create(Int(args[0]), RelX(self, args[1]), RelY(self, args[2]), Num(args[3]), Num(args[4]));
}

void A_CreateObjectRandom(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  bool any = false;
  for (int i = 0; i < 4; ++i) any = any || ObjectExists(Int(args[i]));
  if (!any) return;
  int32_t obj = -1;
  while (!ObjectExists(obj)) obj = Int(args[RandomBelow(4)]);
  Create(obj, RelX(self, args[4]), RelY(self, args[5]), 0, 0);
}

CBuiltin s_instanceChange("instance_change");
void A_ChangeObject(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  s_instanceChange.Call(self, other, {args[0], Real(Int(args[1]) >= 1 ? 1 : 0)});
}

CBuiltin s_positionDestroy("position_destroy");
void A_KillPosition(CInstance *self, CInstance *other, int, RValue *args, RValue &) {
  s_positionDestroy.Call(self, other, {Real(RelX(self, args[0])), Real(RelY(self, args[1]))});
}

// --- sprites -----------------------------------------------------------------------

// Sets the sprite when it exists; reports it otherwise.
bool SetSprite(CInstance *self, int32_t sprite) {
  RSpriteGeometry g;
  if (!Instance_SpriteGeometry(sprite, g)) {
    ReportActionError("Setting instance to non-existing sprite: " + std::to_string(sprite), false);
    return false;
  }
  if (self) self->SetSpriteIndex(sprite);
  return self != nullptr;
}

void A_SetSprite(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (!SetSprite(self, Int(args[0]))) return;
  if (Num(args[1]) > 0) {
    self->SetImageScaleX(Num(args[1]));
    self->SetImageScaleY(Num(args[1]));
  }
}

void A_SpriteSet(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (!SetSprite(self, Int(args[0]))) return;
  if (Num(args[1]) >= 0) self->i_imageindex = Num(args[1]);
  self->i_imagespeed = Num(args[2]);
}

void A_SpriteTransform(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  const int32_t mirror = Int(args[3]);
  self->SetImageScaleX(mirror == 1 || mirror == 3 ? -Num(args[0]) : Num(args[0]));
  self->SetImageScaleY(mirror == 2 || mirror == 3 ? -Num(args[1]) : Num(args[1]));
  self->SetImageAngle(Num(args[2]));
}

void A_SpriteColor(CInstance *self, CInstance *, int, RValue *args, RValue &) {
  if (self == nullptr) return;
  self->i_imageblend = static_cast<uint32_t>(Int(args[0]));
  self->i_imagealpha = Num(args[1]);
}

}  // namespace

void RegisterMotion() {
  FunctionAdd("action_set_sprite", A_SetSprite, 2);
  FunctionAdd("action_move", A_Move, 2);
  FunctionAdd("action_set_motion", A_SetMotion, 2);
  FunctionAdd("action_set_hspeed", A_SetHspeed, 1);
  FunctionAdd("action_set_vspeed", A_SetVspeed, 1);
  FunctionAdd("action_set_gravity", A_SetGravity, 2);
  FunctionAdd("action_set_friction", A_SetFriction, 1);
  FunctionAdd("action_move_point", A_MovePoint, 3);
  FunctionAdd("action_move_to", A_MoveTo, 2);
  FunctionAdd("action_move_start", A_MoveStart, 0);
  FunctionAdd("action_move_random", A_MoveRandom, 2);
  FunctionAdd("action_snap", A_Snap, 2);
  FunctionAdd("action_wrap", A_Wrap, 1);
  FunctionAdd("action_reverse_xdir", A_ReverseX, 0);
  FunctionAdd("action_reverse_ydir", A_ReverseY, 0);
  FunctionAdd("action_move_contact", A_MoveContact, 3);
  FunctionAdd("action_bounce", A_Bounce, 2);
  FunctionAdd("action_path", A_Path, 4);
  FunctionAdd("action_path_end", A_PathEnd, 0);
  FunctionAdd("action_path_position", A_PathPosition, 1);
  FunctionAdd("action_path_speed", A_PathSpeed, 1);
  FunctionAdd("action_linear_step", A_PlannerStep<s_linearStep>, 4);
  FunctionAdd("action_potential_step", A_PlannerStep<s_potentialStep>, 4);
  FunctionAdd("action_kill_object", A_KillObject, 0);
  FunctionAdd("action_create_object", A_CreateObject, 3);
  FunctionAdd("action_create_object_motion", A_CreateObjectMotion, 5);
  FunctionAdd("action_create_object_random", A_CreateObjectRandom, 6);
  FunctionAdd("action_change_object", A_ChangeObject, 2);
  FunctionAdd("action_kill_position", A_KillPosition, 2);
  FunctionAdd("action_sprite_set", A_SpriteSet, 3);
  FunctionAdd("action_sprite_transform", A_SpriteTransform, 4);
  FunctionAdd("action_sprite_color", A_SpriteColor, 2);
}

}  // namespace action
