// CRoom: a room resource as the game file holds it (size, speed, caption,
// colour, 8 background layers, 8 views, placed instances, tiles, creation
// code), with its record reader and writer. The run-time side of rooms
// (instances, starting and ending) builds on this data.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CStream;

struct CBack {
  bool visible = false;
  bool foreground = false;  // drawn in front of the instances
  int32_t index = -1;       // background resource
  double x = 0, y = 0;
  bool htiled = true, vtiled = true;
  double hspeed = 0, vspeed = 0;
  double xscale = 1, yscale = 1;
  int32_t blend = 16777215;
  double alpha = 1;
  // Stretched over the room: the scales follow the background's size.
  bool stretch = false;
};

struct CView {
  bool visible = false;
  int32_t xview = 0, yview = 0, wview = 640, hview = 480;  // the room area shown
  int32_t xport = 0, yport = 0, wport = 640, hport = 480;  // where in the window
  double angle = 0;
  int32_t hborder = 32, vborder = 32;
  int32_t hspeed = -1, vspeed = -1;
  int32_t index = -1;  // object followed by the view
};

struct RTile {
  double x = 0, y = 0;
  int32_t index = -1;  // background resource
  int32_t xo = 0, yo = 0, w = 0, h = 0;
  double depth = 0;
  int32_t id = 0;
  double xscale = 1, yscale = 1;
  int32_t blend = 16777215;
  double alpha = 1;
  bool visible = true;
};

// An instance placed in the room by its maker; the room makes the real
// instance from it when it starts.
struct RInstanceRecord {
  int32_t x = 0, y = 0;
  int32_t object = -1;
  int32_t id = 0;
  std::string code;  // creation code
  double xscale = 1, yscale = 1;
  int32_t blend = 16777215;
  double alpha = 1;
  double angle = 0;
};

class CRoom {
public:
  // Record versions: 541 without scales, colours and angles; 810 adds
  // instance and tile scales and colours; 811 adds the instance angle.
  static constexpr int32_t kVersion541 = 541, kVersion810 = 810, kVersion811 = 811;

  int32_t r_version = kVersion811;  // the version read, and the one written
  std::string r_caption;
  int32_t r_speed = 30;
  int32_t r_width = 640, r_height = 480;
  bool r_persistent = false;
  int32_t r_color = 12632256;
  bool r_showcolor = true;
  std::array<CBack, 8> r_background{};
  bool r_enableviews = false;
  bool r_clearViewBackground = true;
  std::array<CView, 8> r_view{};
  std::string r_code;
  std::vector<RInstanceRecord> r_instances;
  std::vector<RTile> r_tile;

  void Clear() { *this = CRoom(); }
  // False for a record version other than 541, 810 or 811.
  bool LoadFromStream(CStream &stream);
  // Writes the fields r_version has (a version it does not know gets the
  // newest layout under its own number).
  void SaveToStream(CStream &stream) const;
};

// The background sizes that stretched layers scale to; the backgrounds'
// owner installs it. Without it, or for a missing background, the scales
// stay 1.
using TBackgroundSizeFn = bool (*)(int32_t index, int32_t &width, int32_t &height);
void Room_SetBackgroundSizeFn(TBackgroundSizeFn fn);
