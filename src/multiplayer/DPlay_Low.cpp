#include "multiplayer/DPlay_Low.h"

#include <cstring>

namespace {

class CWriter {
public:
  std::vector<uint8_t> out;
  void U8(uint8_t v) { out.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Bytes(const uint8_t *p, size_t n) { out.insert(out.end(), p, p + n); }
  void Guid(const TGuid &g) { Bytes(g.data(), g.size()); }
  // A name: a 16-bit length, then the bytes, cut to the longest we take.
  void Name(std::string_view s) {
    const size_t n = s.size() < kNameMax ? s.size() : kNameMax;
    U16(static_cast<uint16_t>(n));
    Bytes(reinterpret_cast<const uint8_t *>(s.data()), n);
  }
  void Header(TFrameKind kind) {
    U8('Q');
    U8('N');
    U8(kFrameVersion);
    U8(static_cast<uint8_t>(kind));
  }
};

// Reads with every length checked against what is left; after one failed
// read every later one fails too.
class CReader {
public:
  CReader(const uint8_t *p, size_t n) : m_p(p), m_n(n) {}
  bool ok = true;
  bool Take(void *to, size_t n) {
    if (!ok || n > m_n - m_at) return ok = false;
    if (n) std::memcpy(to, m_p + m_at, n);
    m_at += n;
    return true;
  }
  uint8_t U8() {
    uint8_t v = 0;
    Take(&v, 1);
    return v;
  }
  uint16_t U16() {
    uint8_t b[2] = {};
    Take(b, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
  }
  uint32_t U32() {
    uint8_t b[4] = {};
    Take(b, 4);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
  }
  void Guid(TGuid &g) { Take(g.data(), g.size()); }
  std::string Name() {
    const uint16_t n = U16();
    if (n > kNameMax) ok = false;
    if (!ok || n > m_n - m_at) {
      ok = false;
      return {};
    }
    std::string s(reinterpret_cast<const char *>(m_p + m_at), n);
    m_at += n;
    return s;
  }
  const uint8_t *Here() const { return m_p + m_at; }
  size_t Left() const { return m_n - m_at; }
  // The frame was read exactly to its end.
  bool Done() const { return ok && m_at == m_n; }

private:
  const uint8_t *m_p;
  size_t m_n;
  size_t m_at = 0;
};

bool Open(CReader &r, TFrameKind want) {
  uint8_t h[kFrameHeader] = {};
  if (!r.Take(h, sizeof h)) return false;
  return h[0] == 'Q' && h[1] == 'N' && h[2] == kFrameVersion && h[3] == static_cast<uint8_t>(want);
}

void WriteRoster(CWriter &w, const RRoster &r) {
  w.U32(r.hostId);
  w.U8(r.flags);
  w.U16(static_cast<uint16_t>(r.players.size()));
  for (const RRosterEntry &e : r.players) {
    w.U32(e.id);
    w.U32(e.host);
    w.U16(e.port);
    w.Name(e.name);
  }
}

bool ReadRoster(CReader &r, RRoster &f) {
  f.hostId = r.U32();
  f.flags = r.U8();
  const uint16_t count = r.U16();
  if (!r.ok || count > kPlayersMax) return false;
  f.players.clear();
  for (uint16_t i = 0; i < count && r.ok; ++i) {
    RRosterEntry e;
    e.id = r.U32();
    e.host = r.U32();
    e.port = r.U16();
    e.name = r.Name();
    if (e.id == 0) return false;
    f.players.push_back(std::move(e));
  }
  return r.ok;
}

}  // namespace

std::vector<uint8_t> DPlay_EncodeBody(bool ismessage, int32_t messid, const RValue &val) {
  CWriter w;
  w.U8(ismessage ? 1 : 0);
  w.U32(static_cast<uint32_t>(messid));
  if (val.kind == RValue::kString) {
    const std::string_view s = val.str.view();
    const size_t n = s.size() < kBodyStringMax ? s.size() : kBodyStringMax;
    w.U8(1);
    w.U32(static_cast<uint32_t>(n));
    w.Bytes(reinterpret_cast<const uint8_t *>(s.data()), n);
  } else {
    w.U8(0);
    uint64_t bits = 0;
    std::memcpy(&bits, &val.val, 8);
    w.U32(static_cast<uint32_t>(bits));
    w.U32(static_cast<uint32_t>(bits >> 32));
  }
  return std::move(w.out);
}

bool DPlay_DecodeBody(const uint8_t *data, size_t size, TMess &m) {
  CReader r(data, size);
  const uint8_t kind = r.U8();
  const int32_t messid = static_cast<int32_t>(r.U32());
  const uint8_t isString = r.U8();
  if (!r.ok || kind > 1 || isString > 1) return false;
  RValue val;
  if (isString) {
    const uint32_t n = r.U32();
    if (!r.ok || n > kBodyStringMax || n != r.Left()) return false;
    val = RValue::Str(RString(std::string_view(reinterpret_cast<const char *>(r.Here()), n)));
  } else {
    const uint64_t lo = r.U32(), hi = r.U32();
    if (!r.Done()) return false;
    const uint64_t bits = lo | hi << 32;
    double d;
    std::memcpy(&d, &bits, 8);
    val.SetReal(d);
  }
  m.ismessage = kind == 1;
  m.messid = messid;
  m.val = std::move(val);
  return true;
}

std::vector<uint8_t> DPlay_Frame(const RFind &f) {
  CWriter w;
  w.Header(TFrameKind::Find);
  w.Guid(f.game);
  w.U32(f.nonce);
  return std::move(w.out);
}

std::vector<uint8_t> DPlay_Frame(const RHere &f) {
  CWriter w;
  w.Header(TFrameKind::Here);
  w.Guid(f.game);
  w.U32(f.nonce);
  w.Guid(f.instance);
  w.U16(f.port);
  w.U16(f.players);
  w.U16(f.maxPlayers);
  w.U8(f.flags);
  w.Name(f.name);
  return std::move(w.out);
}

std::vector<uint8_t> DPlay_Frame(const RJoin &f) {
  CWriter w;
  w.Header(TFrameKind::Join);
  w.Guid(f.game);
  w.Guid(f.instance);
  w.U16(f.port);
  w.U32(f.previousId);
  w.Name(f.name);
  return std::move(w.out);
}

std::vector<uint8_t> DPlay_Frame(const RWelcome &f) {
  CWriter w;
  w.Header(TFrameKind::Welcome);
  w.U32(f.yourId);
  WriteRoster(w, f.roster);
  return std::move(w.out);
}

std::vector<uint8_t> DPlay_FrameRefuse(uint8_t reason) {
  CWriter w;
  w.Header(TFrameKind::Refuse);
  w.U8(reason);
  return std::move(w.out);
}

std::vector<uint8_t> DPlay_Frame(const RRoster &f) {
  CWriter w;
  w.Header(TFrameKind::Roster);
  WriteRoster(w, f);
  return std::move(w.out);
}

std::vector<uint8_t> DPlay_FrameData(uint32_t from, uint32_t to, const std::vector<uint8_t> &body) {
  CWriter w;
  w.out.reserve(kFrameHeader + 8 + body.size());
  w.Header(TFrameKind::Data);
  w.U32(from);
  w.U32(to);
  w.Bytes(body.data(), body.size());
  return std::move(w.out);
}

bool DPlay_FrameKind(const uint8_t *data, size_t size, TFrameKind &kind) {
  if (size < kFrameHeader || data[0] != 'Q' || data[1] != 'N' || data[2] != kFrameVersion) return false;
  switch (data[3]) {
  case 1: case 2: case 10: case 11: case 12: case 13: case 20:
    kind = static_cast<TFrameKind>(data[3]);
    return true;
  default:
    return false;
  }
}

bool DPlay_Parse(const uint8_t *data, size_t size, RFind &f) {
  CReader r(data, size);
  if (!Open(r, TFrameKind::Find)) return false;
  r.Guid(f.game);
  f.nonce = r.U32();
  return r.Done();
}

bool DPlay_Parse(const uint8_t *data, size_t size, RHere &f) {
  CReader r(data, size);
  if (!Open(r, TFrameKind::Here)) return false;
  r.Guid(f.game);
  f.nonce = r.U32();
  r.Guid(f.instance);
  f.port = r.U16();
  f.players = r.U16();
  f.maxPlayers = r.U16();
  f.flags = r.U8();
  f.name = r.Name();
  return r.Done() && f.port != 0;
}

bool DPlay_Parse(const uint8_t *data, size_t size, RJoin &f) {
  CReader r(data, size);
  if (!Open(r, TFrameKind::Join)) return false;
  r.Guid(f.game);
  r.Guid(f.instance);
  f.port = r.U16();
  f.previousId = r.U32();
  f.name = r.Name();
  return r.Done();
}

bool DPlay_Parse(const uint8_t *data, size_t size, RWelcome &f) {
  CReader r(data, size);
  if (!Open(r, TFrameKind::Welcome)) return false;
  f.yourId = r.U32();
  return ReadRoster(r, f.roster) && r.Done() && f.yourId != 0;
}

bool DPlay_Parse(const uint8_t *data, size_t size, RRoster &f) {
  CReader r(data, size);
  if (!Open(r, TFrameKind::Roster)) return false;
  return ReadRoster(r, f) && r.Done();
}

bool DPlay_Parse(const uint8_t *data, size_t size, RDataFrame &f) {
  CReader r(data, size);
  if (!Open(r, TFrameKind::Data)) return false;
  f.from = r.U32();
  f.to = r.U32();
  if (!r.ok || r.Left() > kBodyMax) return false;
  f.body = r.Here();
  f.size = r.Left();
  return true;
}
