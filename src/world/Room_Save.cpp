// The records a saved game holds for a running room and its instances. They
// keep every value exactly (reals as reals, flags, ids), unlike the room
// record of the game file, which holds only what the room's maker set.
#include <memory>
#include <utility>

#include "base/Support_Stream.h"
#include "world/Instance_Class.h"
#include "world/Object_Main.h"
#include "world/Room_Class.h"

namespace {

constexpr int32_t kRoomGameVersion = 540;
// A room always has this many background layers and views.
constexpr int32_t kLayers = 8;

}  // namespace

// ---- instances -----------------------------------------------------------------

void CInstance::SaveToStream(CStream &s) const {
  s.WriteInteger(i_id);
  s.WriteInteger(i_spriteindex);
  for (double v : {i_imageindex, i_imagespeed, i_imagescalex, i_imagescaley, i_imageangle, i_imagealpha})
    s.WriteReal(v);
  s.WriteInteger(static_cast<int32_t>(i_imageblend));
  s.WriteInteger(i_maskindex);
  for (double v : {i_depth, i_x, i_y, i_xstart, i_ystart, i_xprevious, i_yprevious, i_direction, i_speed, i_friction,
                   i_gravitydir, i_gravity, i_hspeed, i_vspeed})
    s.WriteReal(v);
  for (int32_t v : {i_bbox.left, i_bbox.right, i_bbox.top, i_bbox.bottom}) s.WriteInteger(v);
  s.WriteBoolean(i_visible);
  s.WriteBoolean(i_solid);
  s.WriteBoolean(i_persistent);
  s.WriteInteger(i_objectindex);
  for (int32_t alarm : i_timer) s.WriteInteger(alarm);
  s.WriteBoolean(i_marked);
  s.WriteBoolean(i_deactivated);
  s.WriteInteger(i_pathindex);
  for (double v : {i_pathposition, i_pathpositionprevious, i_pathspeed, i_pathscale, i_pathorientation})
    s.WriteReal(v);
  s.WriteInteger(i_pathend);
  s.WriteReal(i_pathxstart);
  s.WriteReal(i_pathystart);
  s.WriteInteger(i_timelineindex);
  s.WriteReal(i_timelineposition);
  s.WriteReal(i_timelinespeed);
  s.WriteBoolean(i_timelinerunning);
  s.WriteBoolean(i_timelineloop);
  s.WriteString(i_initcode);
  i_vars.SaveToStream(s);
}

bool CInstance::LoadFromStream(CStream &s) {
  i_id = s.ReadInteger();
  i_spriteindex = s.ReadInteger();
  for (double *v : {&i_imageindex, &i_imagespeed, &i_imagescalex, &i_imagescaley, &i_imageangle, &i_imagealpha})
    *v = s.ReadReal();
  i_imageblend = static_cast<uint32_t>(s.ReadInteger());
  i_maskindex = s.ReadInteger();
  for (double *v : {&i_depth, &i_x, &i_y, &i_xstart, &i_ystart, &i_xprevious, &i_yprevious, &i_direction, &i_speed,
                    &i_friction, &i_gravitydir, &i_gravity, &i_hspeed, &i_vspeed})
    *v = s.ReadReal();
  for (int32_t *v : {&i_bbox.left, &i_bbox.right, &i_bbox.top, &i_bbox.bottom}) *v = s.ReadInteger();
  BoxChanged();
  i_visible = s.ReadBoolean();
  i_solid = s.ReadBoolean();
  i_persistent = s.ReadBoolean();
  i_objectindex = s.ReadInteger();
  i_object = ObjectGet(i_objectindex);
  for (int32_t &alarm : i_timer) alarm = s.ReadInteger();
  i_marked = s.ReadBoolean();
  i_deactivated = s.ReadBoolean();
  i_pathindex = s.ReadInteger();
  for (double *v : {&i_pathposition, &i_pathpositionprevious, &i_pathspeed, &i_pathscale, &i_pathorientation})
    *v = s.ReadReal();
  i_pathend = s.ReadInteger();
  i_pathxstart = s.ReadReal();
  i_pathystart = s.ReadReal();
  i_timelineindex = s.ReadInteger();
  i_timelineposition = s.ReadReal();
  i_timelinespeed = s.ReadReal();
  i_timelinerunning = s.ReadBoolean();
  i_timelineloop = s.ReadBoolean();
  i_initcode = s.ReadString();
  return i_vars.LoadFromStream(s);
}

// ---- rooms ---------------------------------------------------------------------

namespace {

void WriteGameBack(CStream &s, const CBack &b) {
  s.WriteBoolean(b.visible);
  s.WriteBoolean(b.foreground);
  s.WriteInteger(b.index);
  s.WriteReal(b.x);
  s.WriteReal(b.y);
  s.WriteBoolean(b.htiled);
  s.WriteBoolean(b.vtiled);
  for (double v : {b.xscale, b.yscale, b.hspeed, b.vspeed}) s.WriteReal(v);
  s.WriteInteger(b.blend);
  s.WriteReal(b.alpha);
}

void ReadGameBack(CStream &s, CBack &b) {
  b.visible = s.ReadBoolean();
  b.foreground = s.ReadBoolean();
  b.index = s.ReadInteger();
  b.x = s.ReadReal();
  b.y = s.ReadReal();
  b.htiled = s.ReadBoolean();
  b.vtiled = s.ReadBoolean();
  for (double *v : {&b.xscale, &b.yscale, &b.hspeed, &b.vspeed}) *v = s.ReadReal();
  b.blend = s.ReadInteger();
  b.alpha = s.ReadReal();
  // The scales were worked out when the room started; they are kept as they are.
  b.stretch = false;
}

void WriteGameView(CStream &s, const CView &v) {
  s.WriteBoolean(v.visible);
  for (int32_t n : {v.xview, v.yview, v.wview, v.hview, v.xport, v.yport, v.wport, v.hport}) s.WriteInteger(n);
  s.WriteReal(v.angle);
  for (int32_t n : {v.hborder, v.vborder, v.hspeed, v.vspeed, v.index}) s.WriteInteger(n);
}

void ReadGameView(CStream &s, CView &v) {
  v.visible = s.ReadBoolean();
  for (int32_t *n : {&v.xview, &v.yview, &v.wview, &v.hview, &v.xport, &v.yport, &v.wport, &v.hport})
    *n = s.ReadInteger();
  v.angle = s.ReadReal();
  for (int32_t *n : {&v.hborder, &v.vborder, &v.hspeed, &v.vspeed, &v.index}) *n = s.ReadInteger();
}

void WriteGameTile(CStream &s, const RTile &t) {
  s.WriteReal(t.x);
  s.WriteReal(t.y);
  for (int32_t n : {t.index, t.xo, t.yo, t.w, t.h}) s.WriteInteger(n);
  s.WriteReal(t.depth);
  s.WriteInteger(t.id);
  s.WriteReal(t.xscale);
  s.WriteReal(t.yscale);
  s.WriteInteger(t.blend);
  s.WriteReal(t.alpha);
  s.WriteBoolean(t.visible);
}

void ReadGameTile(CStream &s, RTile &t) {
  t.x = s.ReadReal();
  t.y = s.ReadReal();
  for (int32_t *n : {&t.index, &t.xo, &t.yo, &t.w, &t.h}) *n = s.ReadInteger();
  t.depth = s.ReadReal();
  t.id = s.ReadInteger();
  t.xscale = s.ReadReal();
  t.yscale = s.ReadReal();
  t.blend = s.ReadInteger();
  t.alpha = s.ReadReal();
  t.visible = s.ReadBoolean();
}

void WriteInstances(CStream &s, const std::vector<std::unique_ptr<CInstance>> &list) {
  s.WriteInteger(static_cast<int32_t>(list.size()));
  for (const auto &inst : list) inst->SaveToStream(s);
}

// False for a negative count or an instance whose variables have another
// record version. Instances are read one by one, so a count larger than the
// record ends at the end of the data instead of allocating for it.
bool ReadInstances(CStream &s, std::vector<std::unique_ptr<CInstance>> &list) {
  const int32_t n = s.ReadInteger();
  if (n < 0) return false;
  for (int32_t i = 0; i < n; ++i) {
    auto inst = std::make_unique<CInstance>();
    if (!inst->LoadFromStream(s)) return false;
    list.push_back(std::move(inst));
  }
  return true;
}

}  // namespace

void CRoom::SaveGameToStream(CStream &s) const {
  s.WriteInteger(kRoomGameVersion);
  s.WriteString(r_caption);
  s.WriteInteger(r_width);
  s.WriteInteger(r_height);
  s.WriteInteger(r_speed);
  s.WriteBoolean(r_persistent);
  s.WriteInteger(r_color);
  s.WriteInteger((r_showcolor ? 1 : 0) | (r_clearViewBackground ? 0 : 2));
  s.WriteString(r_code);
  s.WriteInteger(kLayers);
  for (const CBack &b : r_background) WriteGameBack(s, b);
  s.WriteBoolean(r_enableviews);
  s.WriteInteger(kLayers);
  for (const CView &v : r_view) WriteGameView(s, v);
  WriteInstances(s, r_instance);
  WriteInstances(s, r_instance_deact);
  s.WriteInteger(static_cast<int32_t>(r_tile.size()));
  for (const RTile &t : r_tile) WriteGameTile(s, t);
}

bool CRoom::LoadGameFromStream(CStream &s) {
  // Read into a fresh room: this one changes only when the whole record is good.
  CRoom room;
  if (s.ReadInteger() != kRoomGameVersion) return false;
  room.r_caption = s.ReadString();
  room.r_width = s.ReadInteger();
  room.r_height = s.ReadInteger();
  room.r_speed = s.ReadInteger();
  room.r_persistent = s.ReadBoolean();
  room.r_color = s.ReadInteger();
  const int32_t flags = s.ReadInteger();
  room.r_showcolor = (flags & 1) != 0;
  room.r_clearViewBackground = (flags & 2) == 0;
  room.r_code = s.ReadString();
  if (s.ReadInteger() != kLayers) return false;
  for (CBack &b : room.r_background) ReadGameBack(s, b);
  room.r_enableviews = s.ReadBoolean();
  if (s.ReadInteger() != kLayers) return false;
  for (CView &v : room.r_view) ReadGameView(s, v);
  if (!ReadInstances(s, room.r_instance) || !ReadInstances(s, room.r_instance_deact)) return false;
  const int32_t tiles = s.ReadInteger();
  if (tiles < 0) return false;
  for (int32_t i = 0; i < tiles; ++i) {
    RTile t;
    ReadGameTile(s, t);
    room.r_tile.push_back(t);
  }
  room.RebuildObjectLists();
  *this = std::move(room);
  return true;
}
