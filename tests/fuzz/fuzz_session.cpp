// Feeds arbitrary network input to a session, as the host (first byte even)
// or as a joined copy (odd). The rest is a series of records, each a
// selector byte, a 16-bit little-endian length and that many bytes:
// selector bits 0-1 pick a datagram, a received packet, a new connection or
// a lost one; bit 2 the reliable channel; bits 4-6 the peer (1 .. 8).
//
// Whatever arrives, nothing crashes or grows without bound; a message body
// that decodes writes back to exactly its bytes; a data frame whose body
// breaks the format is dropped and counted.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "multiplayer/DPlay_Low.h"
#include "multiplayer/DPlay_Main.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckBody(const uint8_t *data, size_t size) {
  TMess m;
  if (!DPlay_DecodeBody(data, size, m)) return;
  const std::vector<uint8_t> again = DPlay_EncodeBody(m.ismessage, m.messid, m.val);
  Check(again.size() == size && std::equal(again.begin(), again.end(), data));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  DPlay_ResetState();
  DPlay_SimulateSession((data[0] & 1) == 0);
  size_t at = 1;
  while (at + 3 <= size) {
    const uint8_t sel = data[at];
    size_t n = static_cast<size_t>(data[at + 1]) | static_cast<size_t>(data[at + 2]) << 8;
    at += 3;
    if (n > size - at) n = size - at;
    const uint8_t *p = data + at;
    at += n;
    CheckBody(p, n);
    RNetEvent ev;
    ev.peer = 1u + ((sel >> 4) & 7u);
    ev.reliable = (sel & 4) != 0;
    ev.address = {0x7F000001u, static_cast<uint16_t>(20000 + ev.peer)};
    switch (sel & 3) {
    case 0:
      DPlay_FeedDatagram(ev.address, p, n);
      break;
    case 1: {
      ev.kind = RNetEvent::kReceive;
      ev.data.assign(p, p + n);
      RDataFrame f;
      TMess m;
      const bool badBody = DPlay_Parse(p, n, f) && !DPlay_DecodeBody(f.body, f.size, m);
      const uint64_t before = DPlay_DroppedCount();
      DPlay_Feed(ev);
      if (badBody) Check(DPlay_DroppedCount() > before);
      break;
    }
    case 2:
      ev.kind = RNetEvent::kConnect;
      DPlay_Feed(ev);
      break;
    default:
      ev.kind = RNetEvent::kDisconnect;
      DPlay_Feed(ev);
      break;
    }
  }
  DPlay_ResetState();
  return 0;
}
