// CRoom: a room as the game file holds it (size, speed, caption, colour, 8
// background layers, 8 views, placed instances, tiles, creation code), with
// its record reader and writer, and the same room while it runs: the live
// instances (active and deactivated), the per-object instance lists that
// make lookups by object fast, and the tile store.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "world/Instance_Class.h"

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
  std::vector<RInstanceRecord> r_instances;  // placed by the room's maker
  std::vector<RTile> r_tile;
  int32_t r_lasttile = -1;  // the tile last found or added: lookups by id try it first

  // The live instances, in room order. Each is owned here and stays at the
  // same address until it is freed (removal of marked instances, clearing),
  // so code may hold on to it while it runs.
  std::vector<std::unique_ptr<CInstance>> r_instance;
  std::vector<std::unique_ptr<CInstance>> r_instance_deact;
  // Per object index: its active instances (direct), and those of the object
  // and all its descendants (recursive), both in room order.
  std::vector<std::vector<CInstance *>> r_obj_instance;
  std::vector<std::vector<CInstance *>> r_obj_instance_recursive;
  // The list key the next instance entered in the per-object lists gets.
  int32_t r_nextListKey = 0;

  CRoom() = default;
  // Copies are deep (Assign); moves keep every instance where it is.
  CRoom(const CRoom &room) { Assign(&room); }
  CRoom &operator=(const CRoom &room) {
    Assign(&room);
    return *this;
  }
  CRoom(CRoom &&) = default;
  CRoom &operator=(CRoom &&) = default;
  ~CRoom() = default;

  // Every setting back to its default; frees all instances and tiles.
  void Clear() { *this = CRoom(); }
  // Becomes a copy of room: settings, layers, views, code, placed records,
  // tiles and copies of the live instances (active and deactivated). No room
  // only clears.
  void Assign(const CRoom *room);
  // The run-time copy of a room resource: Assign, then a live instance for
  // every placed record, with the record's id, creation code, scales,
  // colour and angle. The creation code is not run here.
  void AssignFromResource(const CRoom *resource);
  // False for a record version other than 541, 810 or 811.
  bool LoadFromStream(CStream &stream);
  // Writes the fields r_version has (a version it does not know gets the
  // newest layout under its own number).
  void SaveToStream(CStream &stream) const;
  // The room as a saved game holds it while it runs: settings, layers,
  // views, code, active and deactivated instances and tiles (not the placed
  // records). Loading replaces the whole room and rebuilds the per-object
  // lists; false for another record version or a damaged record (a record
  // cut short raises EStreamError).
  void SaveGameToStream(CStream &stream) const;
  bool LoadGameFromStream(CStream &stream);

  // --- instances ----------------------------------------------------------
  int32_t InstanceCount() const { return static_cast<int32_t>(r_instance.size()); }
  // Null outside the list.
  CInstance *InstanceAt(int32_t index) const {
    return index >= 0 && index < InstanceCount() ? r_instance[static_cast<size_t>(index)].get() : nullptr;
  }
  // A new instance of the object at (x, y) with the next instance id,
  // appended to the room and to its object's lists.
  CInstance *AddInstance(int32_t objectind, double x, double y);
  // Frees the active instances and empties the per-object lists.
  void ClearInstances();
  // Frees the marked instances, keeping the order of the rest.
  void RemoveMarked();
  // Moves instances whose deactivated flag changed between the active and
  // the deactivated list (each appended in order); nothing when none did.
  void UpdateActive();
  // Stable: instances of equal depth keep their order. Deeper first.
  void SortInstances();
  // Both kinds of per-object lists from the active instances, in room
  // order, sized to the object count.
  void RebuildObjectLists();
  // Inline: dispatch reads them for every instance it visits.
  int32_t Obj_Number(int32_t objind) const {
    if (objind < 0 || objind >= static_cast<int32_t>(r_obj_instance.size())) return 0;
    return static_cast<int32_t>(r_obj_instance[static_cast<size_t>(objind)].size());
  }
  CInstance *Obj_Instance(int32_t objind, int32_t n) const {
    if (n < 0 || n >= Obj_Number(objind)) return nullptr;
    return r_obj_instance[static_cast<size_t>(objind)][static_cast<size_t>(n)];
  }
  int32_t Obj_Number_Recursive(int32_t objind) const;
  CInstance *Obj_Instance_Recursive(int32_t objind, int32_t n) const;

  // Moves every background layer by its speed (once per step).
  void ScrollBackground();

  // --- tiles --------------------------------------------------------------
  // Appends a copy with the next tile id; answers its index.
  int32_t AddTile(const RTile &tile);
  void ClearTiles();
  // Index of the tile with that id, or -1.
  int32_t FindTile(int32_t id);
  RTile *TileById(int32_t id);  // null when absent
  // The first tile containing the point that is in front (depth below 0)
  // or behind (0 or more); -1 when none.
  int32_t FindTileAt(double x, double y, bool foreground) const;
  // Removes the tiles whose area, edges included, holds the point, in front
  // (depth at most 0) or behind (depth at least 0).
  void DeleteTilesAt(double x, double y, bool foreground);
  void DeleteTile(int32_t index);
  // Stable; deeper first.
  void SortTiles();
  void HideTilesDepth(double depth);
  void ShowTilesDepth(double depth);
  void DeleteTilesDepth(double depth);
  void ShiftTilesDepth(double depth, double x, double y);
  int32_t FindTileAtDepth(double depth, double x, double y) const;
  void DeleteTilesAtDepth(double depth, double x, double y);
  void ChangeTilesDepth(double oldDepth, double newDepth);

private:
  void EnterInLists(CInstance *inst);
};

// A tile covers [x, x + w*xscale) x [y, y + h*yscale).
bool TileContains(const RTile &tile, double x, double y);

// The background sizes that stretched layers scale to; the backgrounds'
// owner installs it. Without it, or for a missing background, the scales
// stay 1.
using TBackgroundSizeFn = bool (*)(int32_t index, int32_t &width, int32_t &height);
void Room_SetBackgroundSizeFn(TBackgroundSizeFn fn);
// The background's size; false when it does not exist (or nobody installed
// the lookup).
bool Room_BackgroundSize(int32_t index, int32_t &width, int32_t &height);
