// Feeds arbitrary text to the reader of every container kind. The first byte
// picks how the rest is used: as the text itself (even), or as record bytes
// that are turned into hexadecimal first (odd), so that both the text layer
// and the records behind it get explored.
//
// Whatever the text, a read must either replace the content with something
// that writes back to a text reading the same again, or leave the content
// exactly as it was; a container that was read must stand up to its own
// operations.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "functions/Support_Data_Structures.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string ToHex(const uint8_t *data, size_t size) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out += kHex[data[i] >> 4];
    out += kHex[data[i] & 15];
  }
  return out;
}

// Reads the text into a container holding one element; checks the outcome
// and answers the container for further work when the read succeeded.
template <class T, class Fill>
bool ReadInto(T &ds, std::string_view text, Fill &&fill) {
  fill(ds);
  const std::string before = ds.WriteToString();
  const EDsRead r = ds.ReadFromString(text);
  if (r != EDsRead::kOk) {
    Check(ds.WriteToString() == before);
    return false;
  }
  const std::string written = ds.WriteToString();
  T again;
  Check(again.ReadFromString(written) == EDsRead::kOk);
  Check(again.WriteToString() == written);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const std::string text = (data[0] & 1) ? ToHex(data + 1, size - 1)
                                         : std::string(reinterpret_cast<const char *>(data + 1), size - 1);
  const RValue one = RValue::Real(1);
  const RValue word = RValue::Str(RString("w"));

  CDS_Stack stack;
  if (ReadInto(stack, text, [&](CDS_Stack &s) { s.Push(word); })) {
    RValue v;
    while (stack.Pop(v)) {
    }
  }

  CDS_Queue queue;
  if (ReadInto(queue, text, [&](CDS_Queue &q) { q.Enqueue(word); })) {
    RValue v;
    const int32_t n = queue.Size();
    for (int32_t i = 0; i < n; ++i) Check(queue.Dequeue(v));
    Check(!queue.Dequeue(v));
    for (int i = 0; i < 40; ++i) queue.Enqueue(one);
  }

  CDS_List list;
  if (ReadInto(list, text, [&](CDS_List &l) { l.Add(word); })) {
    list.Sort(true);
    list.Sort(false);
    if (list.Size() > 0 && !(list.i_val[0].IsReal() && list.i_val[0].val != list.i_val[0].val))
      Check(list.FindIndex(list.i_val[0]) >= 0);
  }

  CDS_Map map;
  if (ReadInto(map, text, [&](CDS_Map &m) { m.Add(word, one); })) {
    for (const RValue &k : map.i_key) {
      // Every key finds an entry, but NaN, which equals nothing.
      Check(map.FindValue(k) != nullptr || (k.IsReal() && k.val != k.val));
      map.FindPrevious(k);
      map.FindNext(k);
    }
    map.Add(one, word);
    map.Delete(word);
  }

  CDS_Priority priority;
  if (ReadInto(priority, text, [&](CDS_Priority &p) { p.Add(word, one); })) {
    while (priority.Size() > 0) priority.DeleteAt(priority.MinIndex());
  }

  CDS_Grid grid;
  if (ReadInto(grid, text, [&](CDS_Grid &g) { g.Create(2, 2); })) {
    Check(static_cast<int64_t>(grid.i_val.size()) == int64_t(grid.i_w) * grid.i_h);
    grid.Aggregate(EGridAggregate::kMean, 0, 0, grid.i_w, grid.i_h);
    grid.DiskAggregate(EGridAggregate::kSum, grid.i_w / 2.0, grid.i_h / 2.0, 3);
    grid.GridRegionOp(EGridOp::kSet, grid, 0, 0, grid.i_w, grid.i_h, 1, 1);
  }
  return 0;
}
