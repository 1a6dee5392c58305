// CInstance: a live copy of an object in the current room: position, sprite
// with animation and transform, motion, alarms, path and time line in
// progress, flags, bounding box and its own variables. Writes that change
// derived values (speeds, direction, box) go through the setters.
#pragma once

#include <array>
#include <cstddef>  // the value header uses offsetof without including it
#include <cstdint>
#include <string>

#include "code/Variable_Class.h"

class CObject;

struct RRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

inline constexpr int kAlarmCount = 12;

// What instances need of a sprite: its image count, origin and bounding box
// (inclusive, in sprite pixels). The sprites install the lookup; without it
// every sprite counts as missing.
struct RSpriteGeometry {
  int32_t count = 0;
  int32_t width = 0, height = 0;
  int32_t xorigin = 0, yorigin = 0;
  int32_t left = 0, top = 0, right = -1, bottom = -1;
};
using TSpriteGeometryFn = bool (*)(int32_t sprite, RSpriteGeometry &out);
void Instance_SetSpriteGeometry(TSpriteGeometryFn fn);
// False (and out left as it was) when the sprite does not exist.
bool Instance_SpriteGeometry(int32_t sprite, RSpriteGeometry &out);

class CInstance {
public:
  int32_t i_id = 0;
  int32_t i_spriteindex = -1;
  double i_imageindex = 0;
  double i_imagespeed = 1;
  double i_imagescalex = 1, i_imagescaley = 1;
  double i_imageangle = 0;
  double i_imagealpha = 1;
  uint32_t i_imageblend = 16777215;
  int32_t i_maskindex = -1;
  double i_depth = 0;
  double i_x = 0, i_y = 0;
  double i_xstart = 0, i_ystart = 0;
  double i_xprevious = 0, i_yprevious = 0;
  double i_direction = 0;
  double i_speed = 0;
  double i_friction = 0;
  double i_gravitydir = 270;
  double i_gravity = 0;
  double i_hspeed = 0, i_vspeed = 0;
  RRect i_bbox{-100000, -100000, -100000, -100000};
  bool i_visible = true;
  bool i_solid = false;
  bool i_persistent = false;
  int32_t i_objectindex = -1;
  CObject *i_object = nullptr;
  std::array<int32_t, kAlarmCount> i_timer{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  CVariableList i_vars;
  bool i_marked = false;
  bool i_deactivated = false;
  int32_t i_pathindex = -1;
  double i_pathposition = 0;
  double i_pathpositionprevious = 0;
  double i_pathspeed = 0;
  double i_pathscale = 1;
  double i_pathorientation = 0;
  int32_t i_pathend = 0;
  double i_pathxstart = 0, i_pathystart = 0;
  int32_t i_timelineindex = -1;
  double i_timelineposition = 0;
  double i_timelinespeed = 1;
  bool i_timelinerunning = false;
  bool i_timelineloop = false;
  std::string i_initcode;

  // Alarm i, or -1 outside 0..11.
  int32_t GetAlarm(int i) const { return i >= 0 && i < kAlarmCount ? i_timer[static_cast<size_t>(i)] : -1; }
  // Ignored outside 0..11.
  void SetAlarm(int i, int32_t value) {
    if (i >= 0 && i < kAlarmCount) i_timer[static_cast<size_t>(i)] = value;
  }
};
