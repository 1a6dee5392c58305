#include "world/Room_Class.h"

#include <cmath>

#include "runner/Support_Stream.h"

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

void Room_SetBackgroundSizeFn(TBackgroundSizeFn fn) { g_backgroundSize = fn; }

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
