// CInstance: a live copy of an object in the current room: position, sprite
// with animation and transform, motion, alarms, path and time line in
// progress, flags, bounding box and its own variables. Writes that change
// derived values (speeds, direction, box) go through the setters.
#pragma once

#include <array>
#include <cstddef>  // the value header uses offsetof without including it
#include <cstdint>
#include <numbers>
#include <string>

#include "code/Variable_Class.h"
#include "data/Sprite_Main.h"
#include "data/Sprite_Mask.h"

class CObject;
class CStream;
class TMask;

// Degrees to radians, as every motion and turn of an instance counts them.
inline double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// The direction of the vector (dx, dy) in degrees, 0 up to 360, counter-
// clockwise on the screen (whose y axis points down); 0 for no vector.
double PointDirection(double dx, double dy);

inline constexpr int kAlarmCount = 12;
// The box of an instance without a sprite or mask: it meets nothing.
inline constexpr int32_t kNoBox = -100000;

// Instances ask for a sprite's geometry and masks through these lookups; the
// runner installs the sprite list's (tests their own sprites).
using TSpriteGeometryFn = bool (*)(int32_t sprite, RSpriteGeometry &out);
void Instance_SetSpriteGeometry(TSpriteGeometryFn fn);
// False (and out left as it was) when the sprite does not exist.
bool Instance_SpriteGeometry(int32_t sprite, RSpriteGeometry &out);
// The collision mask of image `image` of a sprite (the sprite wraps the
// image number); null when the sprite does not exist or has no mask.
using TSpriteMaskFn = const TMask *(*)(int32_t sprite, int64_t image);
void Instance_SetSpriteMask(TSpriteMaskFn fn);
const TMask *Instance_SpriteMask(int32_t sprite, int64_t image);

// Where the collision index (Instance_Grid.h) keeps an instance, and the
// instance's places in the room's orders. It belongs to the instance's slot
// in the room rather than to its values: copying an instance leaves the
// target's link as it was, and freeing an entered instance tells the index.
struct RGridLink {
  uint32_t generation = 0;  // the index build that entered it; 0 never
  int32_t roomKey = 0;      // its position in the room's instance list
  int32_t listKey = 0;      // increases along every per-object list it is in
  uint16_t cx = 0, cy = 0;  // the first of the cells it is entered in
  uint8_t cw = 0, ch = 0;   // how many more cells it covers across and down
  bool dirty = false;       // its box changed since; waiting in the index's list
  uint8_t where = 0;        // cells, loose list or outside list (the index's own code)

  RGridLink() = default;
  RGridLink(const RGridLink &) {}
  RGridLink &operator=(const RGridLink &) { return *this; }
  ~RGridLink();
};

class alignas(64) CInstance {
public:
  // The fields every step reads or writes for every instance come first, in
  // three cache lines (the class starts on a line): the engine walks all
  // instances several times a step, and a room of many instances would
  // otherwise fetch twice as many lines in each walk.
  double i_x = 0, i_y = 0;
  double i_xprevious = 0, i_yprevious = 0;
  double i_hspeed = 0, i_vspeed = 0;
  int32_t i_objectindex = -1;
  int32_t i_timelineindex = -1;
  int32_t i_pathindex = -1;
  bool i_marked = false;
  bool i_visible = true;
  double i_pathposition = 0;
  double i_pathpositionprevious = 0;
  double i_friction = 0;
  double i_gravity = 0;
  double i_imageindex = 0;
  double i_imagespeed = 1;
  double i_depth = 0;
  int32_t i_spriteindex = -1;
  int32_t i_maskindex = -1;
  RRect i_bbox{kNoBox, kNoBox, kNoBox, kNoBox};
  double i_direction = 0;
  double i_speed = 0;
  int32_t i_id = 0;
  bool i_solid = false;
  bool i_persistent = false;
  bool i_deactivated = false;
  // The rest.
  double i_imagescalex = 1, i_imagescaley = 1;
  double i_imageangle = 0;
  double i_imagealpha = 1;
  uint32_t i_imageblend = 16777215;
  double i_xstart = 0, i_ystart = 0;
  double i_gravitydir = 270;
  CObject *i_object = nullptr;
  std::array<int32_t, kAlarmCount> i_timer{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  CVariableList i_vars;
  double i_pathspeed = 0;
  double i_pathscale = 1;
  double i_pathorientation = 0;
  int32_t i_pathend = 0;
  double i_pathxstart = 0, i_pathystart = 0;
  double i_timelineposition = 0;
  double i_timelinespeed = 1;
  bool i_timelinerunning = false;
  bool i_timelineloop = false;
  std::string i_initcode;
  RGridLink i_grid;

  // Makes this a new instance of the object at (x, y): the object's values
  // first (sprite, mask, depth, flags), then the position, the id and the
  // defaults of everything else, fresh variables and the box.
  void Create(double x, double y, int32_t id, int32_t objectind);
  // Copies every field of inst (id, variables and flags included).
  void Assign(const CInstance &inst);

  // The saved-game record of the instance: every field as it is (the box in
  // the order Left, Right, Top, Bottom), then the variables.
  void SaveToStream(CStream &stream) const;
  // Restores every field exactly as stored, without the setters; the object
  // is looked up again by its index. False when the variables' record has
  // another version; a record cut short raises EStreamError.
  bool LoadFromStream(CStream &stream);

  // --- properties whose writes keep derived values consistent ------------
  // Stores both and updates the box when either coordinate differs.
  void SetPosition(double x, double y);
  // Stores; an image index past the new sprite's images starts again at 0.
  void SetSpriteIndex(int32_t sprite);
  void SetMaskIndex(int32_t mask);
  // Stores the object; when it exists its sprite (through SetSpriteIndex),
  // mask, depth, solid, visible and persistent come along.
  void SetObjectIndex(int32_t objectind);
  void SetImageScaleX(double v);
  void SetImageScaleY(double v);
  void SetImageAngle(double v);
  // Direction and speed derive hspeed and vspeed; hspeed and vspeed derive
  // direction and speed. Values within 0.0001 of a whole number snap to it
  // so that, say, direction 90 gives an hspeed of exactly 0.
  void SetDirection(double v);
  void SetSpeed(double v);
  void SetHspeed(double v);
  void SetVspeed(double v);
  // Clamped to [0, 1]; not a number becomes 0.
  void SetPathPosition(double v);
  void SetPathPositionPrevious(double v);
  void SetPathSpeed(double v) { i_pathspeed = v; }

  // The sprite's image count (0 without a sprite).
  int32_t ImageNumber() const;
  // The sprite that collisions use: the mask when set, else the sprite.
  int32_t MaskSprite() const { return i_maskindex >= 0 ? i_maskindex : i_spriteindex; }
  // Recomputes i_bbox from the mask sprite, the scales, the angle and the
  // position; without a mask sprite the box lies far outside every room.
  void ComputeBoundingBox();
  // The box the instance would have at (x, y), as SetPosition would give it,
  // without moving it.
  RRect BoxAt(double x, double y) const;
  // Every write of i_bbox ends here so that the collision index hears of it;
  // code that changes the box in place calls BoxChanged itself.
  void SetBox(const RRect &box) {
    if (box.left == i_bbox.left && box.top == i_bbox.top && box.right == i_bbox.right && box.bottom == i_bbox.bottom)
      return;
    i_bbox = box;
    BoxChanged();
  }
  void BoxChanged();

  // --- collisions ----------------------------------------------------------
  // Each answers false at once for a marked instance. With prec false only
  // the bounding box is tested; with prec true the mask of the current image
  // decides, and an instance whose mask sprite is missing or has no images
  // never collides. Shape corners may come in any order.
  bool Collision_Point(double x, double y, bool prec) const;
  bool Collision_Rectangle(double x1, double y1, double x2, double y2, bool prec) const;
  bool Collision_Ellipse(double x1, double y1, double x2, double y2, bool prec) const;
  bool Collision_Line(double x1, double y1, double x2, double y2, bool prec) const;
  // False when either instance is marked; an instance never meets itself.
  bool Collision_Instance(const CInstance &inst, bool prec) const;

  // Adds amount in direction dir (degrees) to the motion.
  void AddTo_Speed(double dir, double amount);
  // One step of friction, then gravity.
  void Adapt_Speed();

  // Alarm i, or -1 outside 0..11.
  int32_t GetAlarm(int i) const { return i >= 0 && i < kAlarmCount ? i_timer[static_cast<size_t>(i)] : -1; }
  // Ignored outside 0..11.
  void SetAlarm(int i, int32_t value) {
    if (i >= 0 && i < kAlarmCount) i_timer[static_cast<size_t>(i)] = value;
  }
};
