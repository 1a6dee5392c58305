#include "world/Room_Class.h"

#include <algorithm>
#include <cmath>

#include "base/Support_Stream.h"
#include "world/Instance_Grid.h"
#include "world/Object_Main.h"
#include "world/Room_Main.h"
#include "base/Support_Wiring.h"

namespace {

TBackgroundSizeFn g_backgroundSize = nullptr;

// Positions and speeds are whole numbers in the record.
int32_t ToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(std::lround(v));
}

// Blend in the low 24 bits, alpha times 255 in the high 8.
void SplitColour(int32_t colour, int32_t &blend, double &alpha) {
  const uint32_t c = static_cast<uint32_t>(colour);
  blend = static_cast<int32_t>(c & 0xFFFFFFu);
  alpha = static_cast<double>(c >> 24) / 255.0;
}

int32_t JoinColour(int32_t blend, double alpha) {
  double a = std::round(alpha * 255.0);
  if (!(a >= 0)) a = 0;
  if (a > 255) a = 255;
  return static_cast<int32_t>((static_cast<uint32_t>(blend) & 0xFFFFFFu) | (static_cast<uint32_t>(a) << 24));
}

void ReadBack(CStream &s, CBack &b) {
  b.visible = s.ReadBoolean();
  b.foreground = s.ReadBoolean();
  b.index = s.ReadInteger();
  b.x = s.ReadInteger();
  b.y = s.ReadInteger();
  b.htiled = s.ReadBoolean();
  b.vtiled = s.ReadBoolean();
  b.hspeed = s.ReadInteger();
  b.vspeed = s.ReadInteger();
  b.stretch = s.ReadBoolean();
  b.blend = 16777215;
  b.alpha = 1;
  b.xscale = b.yscale = 1;
}

void WriteBack(CStream &s, const CBack &b) {
  s.WriteBoolean(b.visible);
  s.WriteBoolean(b.foreground);
  s.WriteInteger(b.index);
  s.WriteInteger(ToInt(b.x));
  s.WriteInteger(ToInt(b.y));
  s.WriteBoolean(b.htiled);
  s.WriteBoolean(b.vtiled);
  s.WriteInteger(ToInt(b.hspeed));
  s.WriteInteger(ToInt(b.vspeed));
  s.WriteBoolean(b.stretch);
}

void ReadView(CStream &s, CView &v) {
  v.visible = s.ReadBoolean();
  v.xview = s.ReadInteger();
  v.yview = s.ReadInteger();
  v.wview = s.ReadInteger();
  v.hview = s.ReadInteger();
  v.xport = s.ReadInteger();
  v.yport = s.ReadInteger();
  v.wport = s.ReadInteger();
  v.hport = s.ReadInteger();
  v.hborder = s.ReadInteger();
  v.vborder = s.ReadInteger();
  v.hspeed = s.ReadInteger();
  v.vspeed = s.ReadInteger();
  v.index = s.ReadInteger();
  v.angle = 0;
}

void WriteView(CStream &s, const CView &v) {
  s.WriteBoolean(v.visible);
  for (int32_t n : {v.xview, v.yview, v.wview, v.hview, v.xport, v.yport, v.wport, v.hport, v.hborder, v.vborder,
                    v.hspeed, v.vspeed, v.index})
    s.WriteInteger(n);
}

}  // namespace

namespace {
const CWiringHook kBackgroundSizeHook("world: background sizes of stretched layers and tiles",
                                      [] { return g_backgroundSize != nullptr; });
}  // namespace

void Room_SetBackgroundSizeFn(TBackgroundSizeFn fn) { g_backgroundSize = fn; }

bool Room_BackgroundSize(int32_t index, int32_t &width, int32_t &height) {
  return g_backgroundSize != nullptr && index >= 0 && g_backgroundSize(index, width, height);
}

bool CRoom::LoadFromStream(CStream &stream) {
  Clear();
  const int32_t ver = stream.ReadInteger();
  if (ver != kVersion541 && ver != kVersion810 && ver != kVersion811) return false;
  r_version = ver;
  r_caption = stream.ReadString();
  r_width = stream.ReadInteger();
  r_height = stream.ReadInteger();
  r_speed = stream.ReadInteger();
  r_persistent = stream.ReadBoolean();
  r_color = stream.ReadInteger();
  const int32_t flags = stream.ReadInteger();
  r_showcolor = (flags & 1) != 0;
  r_clearViewBackground = (flags & 2) == 0;
  r_code = stream.ReadString();

  // The record always holds 8 layers and 8 views; any further ones are read
  // past and dropped, missing ones keep their defaults.
  const int32_t nback = stream.ReadInteger();
  for (int32_t i = 0; i < nback; ++i) {
    CBack b;
    ReadBack(stream, b);
    if (i < 8) r_background[static_cast<size_t>(i)] = b;
  }
  r_enableviews = stream.ReadBoolean();
  const int32_t nview = stream.ReadInteger();
  for (int32_t i = 0; i < nview; ++i) {
    CView v;
    ReadView(stream, v);
    if (i < 8) r_view[static_cast<size_t>(i)] = v;
  }

  const int32_t ninst = stream.ReadInteger();
  for (int32_t i = 0; i < ninst; ++i) {
    RInstanceRecord r;
    r.x = stream.ReadInteger();
    r.y = stream.ReadInteger();
    r.object = stream.ReadInteger();
    r.id = stream.ReadInteger();
    r.code = stream.ReadString();
    if (ver >= kVersion810) {
      r.xscale = stream.ReadReal();
      r.yscale = stream.ReadReal();
      SplitColour(stream.ReadInteger(), r.blend, r.alpha);
    }
    if (ver >= kVersion811) r.angle = stream.ReadReal();
    r_instances.push_back(std::move(r));
  }

  const int32_t ntile = stream.ReadInteger();
  for (int32_t i = 0; i < ntile; ++i) {
    RTile t;
    t.x = stream.ReadInteger();
    t.y = stream.ReadInteger();
    t.index = stream.ReadInteger();
    t.xo = stream.ReadInteger();
    t.yo = stream.ReadInteger();
    t.w = stream.ReadInteger();
    t.h = stream.ReadInteger();
    t.depth = stream.ReadInteger();
    t.id = stream.ReadInteger();
    if (ver >= kVersion810) {
      t.xscale = stream.ReadReal();
      t.yscale = stream.ReadReal();
      SplitColour(stream.ReadInteger(), t.blend, t.alpha);
    }
    t.visible = true;
    r_tile.push_back(t);
  }

  for (CBack &b : r_background) {
    int32_t w = 0, h = 0;
    if (b.stretch && g_backgroundSize && g_backgroundSize(b.index, w, h) && w > 0 && h > 0) {
      b.xscale = static_cast<double>(r_width) / w;
      b.yscale = static_cast<double>(r_height) / h;
    }
  }
  return true;
}

void CRoom::SaveToStream(CStream &stream) const {
  const bool v810 = r_version != kVersion541;
  const bool v811 = v810 && r_version != kVersion810;
  stream.WriteInteger(r_version);
  stream.WriteString(r_caption);
  stream.WriteInteger(r_width);
  stream.WriteInteger(r_height);
  stream.WriteInteger(r_speed);
  stream.WriteBoolean(r_persistent);
  stream.WriteInteger(r_color);
  stream.WriteInteger((r_showcolor ? 1 : 0) | (r_clearViewBackground ? 0 : 2));
  stream.WriteString(r_code);
  stream.WriteInteger(static_cast<int32_t>(r_background.size()));
  for (const CBack &b : r_background) WriteBack(stream, b);
  stream.WriteBoolean(r_enableviews);
  stream.WriteInteger(static_cast<int32_t>(r_view.size()));
  for (const CView &v : r_view) WriteView(stream, v);
  stream.WriteInteger(static_cast<int32_t>(r_instances.size()));
  for (const RInstanceRecord &r : r_instances) {
    stream.WriteInteger(r.x);
    stream.WriteInteger(r.y);
    stream.WriteInteger(r.object);
    stream.WriteInteger(r.id);
    stream.WriteString(r.code);
    if (v810) {
      stream.WriteReal(r.xscale);
      stream.WriteReal(r.yscale);
      stream.WriteInteger(JoinColour(r.blend, r.alpha));
    }
    if (v811) stream.WriteReal(r.angle);
  }
  stream.WriteInteger(static_cast<int32_t>(r_tile.size()));
  for (const RTile &t : r_tile) {
    stream.WriteInteger(ToInt(t.x));
    stream.WriteInteger(ToInt(t.y));
    stream.WriteInteger(t.index);
    stream.WriteInteger(t.xo);
    stream.WriteInteger(t.yo);
    stream.WriteInteger(t.w);
    stream.WriteInteger(t.h);
    stream.WriteInteger(ToInt(t.depth));
    stream.WriteInteger(t.id);
    if (v810) {
      stream.WriteReal(t.xscale);
      stream.WriteReal(t.yscale);
      stream.WriteInteger(JoinColour(t.blend, t.alpha));
    }
  }
}

// --- copies -------------------------------------------------------------------

namespace {

std::vector<std::unique_ptr<CInstance>> CopyInstances(const std::vector<std::unique_ptr<CInstance>> &from) {
  std::vector<std::unique_ptr<CInstance>> to;
  to.reserve(from.size());
  for (const auto &inst : from) {
    auto copy = std::make_unique<CInstance>();
    copy->Assign(*inst);
    to.push_back(std::move(copy));
  }
  return to;
}

}  // namespace

void CRoom::Assign(const CRoom *room) {
  if (room == this) return;
  Clear();
  if (room == nullptr) return;
  r_version = room->r_version;
  r_caption = room->r_caption;
  r_speed = room->r_speed;
  r_width = room->r_width;
  r_height = room->r_height;
  r_persistent = room->r_persistent;
  r_color = room->r_color;
  r_showcolor = room->r_showcolor;
  r_background = room->r_background;
  r_enableviews = room->r_enableviews;
  r_clearViewBackground = room->r_clearViewBackground;
  r_view = room->r_view;
  r_code = room->r_code;
  r_instances = room->r_instances;
  r_tile = room->r_tile;
  r_instance = CopyInstances(room->r_instance);
  r_instance_deact = CopyInstances(room->r_instance_deact);
  RebuildObjectLists();
}

void CRoom::AssignFromResource(const CRoom *resource) {
  Assign(resource);
  for (const RInstanceRecord &r : r_instances) {
    auto inst = std::make_unique<CInstance>();
    inst->Create(r.x, r.y, r.id, r.object);
    inst->i_initcode = r.code;
    inst->SetImageScaleX(r.xscale);
    inst->SetImageScaleY(r.yscale);
    inst->i_imageblend = static_cast<uint32_t>(r.blend);
    inst->i_imagealpha = r.alpha;
    inst->SetImageAngle(r.angle);
    r_instance.push_back(std::move(inst));
  }
  RebuildObjectLists();
}

// --- instances ----------------------------------------------------------------

void CRoom::EnterInLists(CInstance *inst) {
  inst->i_grid.listKey = r_nextListKey++;
  const int32_t objind = inst->i_objectindex;
  if (objind < 0 || !ObjectExists(objind)) return;
  const size_t needed = static_cast<size_t>(std::max(ObjectCount(), objind + 1));
  if (r_obj_instance.size() < needed) r_obj_instance.resize(needed);
  if (r_obj_instance_recursive.size() < needed) r_obj_instance_recursive.resize(needed);
  r_obj_instance[static_cast<size_t>(objind)].push_back(inst);
  // The object and its ancestors. Parents come from game data and scripts:
  // a chain that comes back to an object already visited (a cycle) ends
  // there, which the list's last entry being this instance shows.
  for (int32_t o = objind; o >= 0 && o < static_cast<int32_t>(needed);) {
    std::vector<CInstance *> &list = r_obj_instance_recursive[static_cast<size_t>(o)];
    if (!list.empty() && list.back() == inst) break;
    list.push_back(inst);
    const CObject *obj = ObjectGet(o);
    o = obj != nullptr ? obj->o_parent : -1;
    if (!ObjectExists(o)) break;
  }
}

CInstance *CRoom::AddInstance(int32_t objectind, double x, double y) {
  auto inst = std::make_unique<CInstance>();
  inst->Create(x, y, Room_NextInstanceId(), objectind);
  CInstance *p = inst.get();
  r_instance.push_back(std::move(inst));
  p->i_grid.roomKey = InstanceCount() - 1;
  EnterInLists(p);
  InstanceGrid_Added(*this, p);
  return p;
}

void CRoom::ClearInstances() {
  r_instance.clear();
  r_obj_instance.clear();
  r_obj_instance_recursive.clear();
  InstanceGrid_Invalidate();
}

void CRoom::RebuildObjectLists() {
  const size_t count = static_cast<size_t>(std::max(ObjectCount(), 0));
  r_obj_instance.assign(count, {});
  r_obj_instance_recursive.assign(count, {});
  r_nextListKey = 0;
  for (int32_t i = 0; i < InstanceCount(); ++i) {
    r_instance[static_cast<size_t>(i)]->i_grid.roomKey = i;
    EnterInLists(r_instance[static_cast<size_t>(i)].get());
  }
  InstanceGrid_Invalidate();
}

void CRoom::RemoveMarked() {
  const auto kept = std::remove_if(r_instance.begin(), r_instance.end(),
                                   [](const std::unique_ptr<CInstance> &inst) { return inst->i_marked; });
  if (kept == r_instance.end()) return;
  r_instance.erase(kept, r_instance.end());
  RebuildObjectLists();
}

void CRoom::UpdateActive() {
  bool changed = false;
  std::vector<std::unique_ptr<CInstance>> stay;
  for (auto &inst : r_instance_deact) {
    if (inst->i_deactivated) {
      stay.push_back(std::move(inst));
    } else {
      r_instance.push_back(std::move(inst));
      changed = true;
    }
  }
  r_instance_deact = std::move(stay);
  std::vector<std::unique_ptr<CInstance>> active;
  active.reserve(r_instance.size());
  for (auto &inst : r_instance) {
    if (inst->i_deactivated) {
      r_instance_deact.push_back(std::move(inst));
      changed = true;
    } else {
      active.push_back(std::move(inst));
    }
  }
  r_instance = std::move(active);
  if (changed) RebuildObjectLists();
}

namespace {

// Depths from scripts may be NaN; ordering it below everything keeps the
// order a strict weak one.
double DepthKey(double d) { return d == d ? d : -HUGE_VAL; }

}  // namespace

void CRoom::SortInstances() {
  const auto deeperFirst = [](const std::unique_ptr<CInstance> &a, const std::unique_ptr<CInstance> &b) {
    return DepthKey(a->i_depth) > DepthKey(b->i_depth);
  };
  if (std::is_sorted(r_instance.begin(), r_instance.end(), deeperFirst)) return;
  std::stable_sort(r_instance.begin(), r_instance.end(), deeperFirst);
  for (int32_t i = 0; i < InstanceCount(); ++i) r_instance[static_cast<size_t>(i)]->i_grid.roomKey = i;
}

int32_t CRoom::Obj_Number_Recursive(int32_t objind) const {
  if (objind < 0 || objind >= static_cast<int32_t>(r_obj_instance_recursive.size())) return 0;
  return static_cast<int32_t>(r_obj_instance_recursive[static_cast<size_t>(objind)].size());
}

CInstance *CRoom::Obj_Instance_Recursive(int32_t objind, int32_t n) const {
  if (n < 0 || n >= Obj_Number_Recursive(objind)) return nullptr;
  return r_obj_instance_recursive[static_cast<size_t>(objind)][static_cast<size_t>(n)];
}

void CRoom::ScrollBackground() {
  for (CBack &b : r_background) {
    b.x += b.hspeed;
    b.y += b.vspeed;
  }
}

// --- tiles --------------------------------------------------------------------

bool TileContains(const RTile &t, double x, double y) {
  return x >= t.x && x < t.x + t.w * t.xscale && y >= t.y && y < t.y + t.h * t.yscale;
}

int32_t CRoom::AddTile(const RTile &tile) {
  r_tile.push_back(tile);
  r_tile.back().id = Room_NextTileId();
  r_lasttile = static_cast<int32_t>(r_tile.size()) - 1;
  return r_lasttile;
}

void CRoom::ClearTiles() {
  r_tile.clear();
  r_lasttile = -1;
}

int32_t CRoom::FindTile(int32_t id) {
  const auto n = static_cast<int32_t>(r_tile.size());
  if (r_lasttile >= 0 && r_lasttile < n && r_tile[static_cast<size_t>(r_lasttile)].id == id) return r_lasttile;
  for (int32_t i = 0; i < n; ++i) {
    if (r_tile[static_cast<size_t>(i)].id == id) {
      r_lasttile = i;
      return i;
    }
  }
  return -1;
}

RTile *CRoom::TileById(int32_t id) {
  const int32_t i = FindTile(id);
  return i < 0 ? nullptr : &r_tile[static_cast<size_t>(i)];
}

int32_t CRoom::FindTileAt(double x, double y, bool foreground) const {
  for (size_t i = 0; i < r_tile.size(); ++i) {
    const RTile &t = r_tile[i];
    if ((foreground ? t.depth < 0 : t.depth >= 0) && TileContains(t, x, y)) return static_cast<int32_t>(i);
  }
  return -1;
}

namespace {

template <class Pred>
void EraseTiles(std::vector<RTile> &tiles, int32_t &lastTile, Pred pred) {
  const auto kept = std::remove_if(tiles.begin(), tiles.end(), pred);
  if (kept == tiles.end()) return;
  tiles.erase(kept, tiles.end());
  lastTile = -1;
}

}  // namespace

void CRoom::DeleteTilesAt(double x, double y, bool foreground) {
  EraseTiles(r_tile, r_lasttile, [&](const RTile &t) {
    return (foreground ? t.depth <= 0 : t.depth >= 0) && x >= t.x && x <= t.x + t.w * t.xscale && y >= t.y &&
           y <= t.y + t.h * t.yscale;
  });
}

void CRoom::DeleteTile(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(r_tile.size())) return;
  r_tile.erase(r_tile.begin() + index);
  r_lasttile = -1;
}

void CRoom::SortTiles() {
  const auto deeperFirst = [](const RTile &a, const RTile &b) { return DepthKey(a.depth) > DepthKey(b.depth); };
  if (std::is_sorted(r_tile.begin(), r_tile.end(), deeperFirst)) return;
  std::stable_sort(r_tile.begin(), r_tile.end(), deeperFirst);
  r_lasttile = -1;
}

void CRoom::HideTilesDepth(double depth) {
  for (RTile &t : r_tile)
    if (t.depth == depth) t.visible = false;
}

void CRoom::ShowTilesDepth(double depth) {
  for (RTile &t : r_tile)
    if (t.depth == depth) t.visible = true;
}

void CRoom::DeleteTilesDepth(double depth) {
  EraseTiles(r_tile, r_lasttile, [&](const RTile &t) { return t.depth == depth; });
}

void CRoom::ShiftTilesDepth(double depth, double x, double y) {
  for (RTile &t : r_tile) {
    if (t.depth == depth) {
      t.x += x;
      t.y += y;
    }
  }
}

int32_t CRoom::FindTileAtDepth(double depth, double x, double y) const {
  for (size_t i = 0; i < r_tile.size(); ++i)
    if (r_tile[i].depth == depth && TileContains(r_tile[i], x, y)) return static_cast<int32_t>(i);
  return -1;
}

void CRoom::DeleteTilesAtDepth(double depth, double x, double y) {
  EraseTiles(r_tile, r_lasttile, [&](const RTile &t) { return t.depth == depth && TileContains(t, x, y); });
}

void CRoom::ChangeTilesDepth(double oldDepth, double newDepth) {
  for (RTile &t : r_tile)
    if (t.depth == oldDepth) t.depth = newDepth;
}
