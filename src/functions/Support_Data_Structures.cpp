#include "functions/Support_Data_Structures.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <cmath>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

#include "code/Code_Operator.h"
#include "base/Support_Random.h"
#include "base/Support_Stream.h"

// --- element order ----------------------------------------------------------

namespace ds_detail {
double g_precision = kDsDefaultPrecision;
}  // namespace ds_detail

using ds_detail::g_precision;

void DsSetPrecision(double precision) { g_precision = std::fabs(precision); }

namespace {

// The element order, inlined into the map's searches.
inline int Compare(const RValue &a, const RValue &b) {
  if (a.kind == RValue::kReal) {
    if (b.kind != RValue::kReal) return -1;
    // Equal values are equal outright, infinities included (their
    // difference is no number).
    if (a.val == b.val) return 0;
    const double d = std::fabs(a.val - b.val);
    if (g_precision > 0) {
      if (d <= g_precision) return 0;
    } else {
      // Without a precision, reals still meet when they differ only in the
      // last digits of their magnitude.
      const double tol = std::max(std::min(std::fabs(a.val), std::fabs(b.val)) * 1e-12, 1e-12);
      if (d <= tol) return 0;
    }
    return a.val < b.val ? -1 : 1;
  }
  if (b.kind == RValue::kReal) return 1;
  return DsCompareText(a.str.view(), b.str.view());
}

}  // namespace

int DsCompare(const RValue &a, const RValue &b) { return Compare(a, b); }

int DsCompareText(std::string_view a, std::string_view b) {
  // UTF-8 bytes order texts as their UTF-16 units do, except where a
  // character from U+E000 up meets one beyond U+FFFF; only a difference at
  // such lead bytes (0xEE and up) needs the full comparison.
  const size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  if (i == n) return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
  const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
  if (ca < 0xEE && cb < 0xEE) return ca < cb ? -1 : 1;
  const int c = CompareText(a, b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

namespace {

// The order without the precision: reals by value, then strings. Sorting and
// the map's fast lookups use it when it agrees with the element order.
bool ExactLess(const RValue &a, const RValue &b) {
  if (a.kind == RValue::kReal) {
    if (b.kind != RValue::kReal) return true;
    return a.val < b.val;
  }
  if (b.kind == RValue::kReal) return false;
  return DsCompareText(a.str.view(), b.str.view()) < 0;
}

// a is not after b in the exact order (false for NaN).
bool ExactNotAfter(const RValue &a, const RValue &b) {
  if (a.kind == RValue::kReal) {
    if (b.kind != RValue::kReal) return true;
    return a.val <= b.val;
  }
  if (b.kind == RValue::kReal) return false;
  return DsCompareText(a.str.view(), b.str.view()) <= 0;
}

}  // namespace

// --- random draws -------------------------------------------------------------

namespace {

TDsRandomBelow g_randomSource = nullptr;

}  // namespace

void DsSetRandomSource(TDsRandomBelow source) { g_randomSource = source; }
uint32_t DsRandomBelow(uint32_t n) {
  return g_randomSource ? g_randomSource(n) : static_cast<uint32_t>(RandomBelow(n));
}

// --- text form ----------------------------------------------------------------

namespace {

// The smallest value record: kind, real and the length of an empty string.
constexpr int64_t kMinValueRecord = 4 + 8 + 4;

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The bytes of a hexadecimal text; false at the first pair that is not
// hexadecimal. Texts that are not plain ASCII go through the stream's own
// conversion, which counts characters as the text's UTF-16 units.
bool DecodeHex(std::string_view text, CStream &stream) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) {
    try {
      stream.ConvertFromString(text);
    } catch (const EConvertError &) {
      return false;
    }
    return true;
  }
  std::vector<uint8_t> bytes(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int hi = HexValue(static_cast<unsigned char>(text[2 * i]));
    const int lo = HexValue(static_cast<unsigned char>(text[2 * i + 1]));
    if (hi < 0 || lo < 0) return false;
    bytes[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  stream = CStream(std::move(bytes));
  return true;
}

// Decodes the text, checks the kind number and runs body on the rest;
// body answers false for a record that cannot be right. Stream read errors
// (a record cut short) count as malformed.
template <class F>
EDsRead ReadRecord(std::string_view text, int32_t kind, F &&body) {
  CStream stream;
  if (!DecodeHex(text, stream)) return EDsRead::kMalformed;
  try {
    if (stream.Size() < 4) return EDsRead::kMalformed;
    if (stream.ReadInteger() != kind) return EDsRead::kWrongKind;
    return body(stream) ? EDsRead::kOk : EDsRead::kMalformed;
  } catch (const EStreamError &) {
    return EDsRead::kMalformed;
  }
}

void WriteValue(CStream &stream, const RValue &value) {
  stream.WriteInteger(value.kind);
  stream.WriteReal(value.val);
  stream.WriteString(value.str.view());
}

bool ReadValue(CStream &stream, RValue &value) {
  const int32_t kind = stream.ReadInteger();
  const double val = stream.ReadReal();
  std::string str = stream.ReadString();
  if (kind != RValue::kReal && kind != RValue::kString) return false;
  value.kind = kind;
  value.val = val;
  value.str = RString(str);
  return true;
}

// A count read from a text: negative counts mean none, and no count may
// promise more value records than the rest of the text can hold, so a
// hostile count never makes a huge allocation.
bool ReadCount(CStream &stream, int64_t records_per_item, int64_t &count) {
  const int32_t n = stream.ReadInteger();
  count = n < 0 ? 0 : n;
  return count * records_per_item * kMinValueRecord <= stream.Size() - stream.Position();
}

bool ReadValues(CStream &stream, std::vector<RValue> &out, int64_t count) {
  out.resize(static_cast<size_t>(count));
  for (RValue &v : out)
    if (!ReadValue(stream, v)) return false;
  return true;
}

// Stacks and lists are written alike: the kind, the count, the values in
// order. Reading replaces the values only when the whole text is good.
std::string WriteValueList(int32_t kind, const std::vector<RValue> &values) {
  CStream stream;
  stream.WriteInteger(kind);
  stream.WriteInteger(static_cast<int32_t>(values.size()));
  for (const RValue &v : values) WriteValue(stream, v);
  return stream.ConvertToString();
}

EDsRead ReadValueList(std::string_view text, int32_t kind, std::vector<RValue> &target) {
  std::vector<RValue> values;
  const EDsRead r = ReadRecord(text, kind, [&](CStream &s) {
    int64_t n = 0;
    return ReadCount(s, 1, n) && ReadValues(s, values, n);
  });
  if (r == EDsRead::kOk) target = std::move(values);
  return r;
}

}  // namespace

// --- stack --------------------------------------------------------------------

bool CDS_Stack::Pop(RValue &out) {
  if (i_val.empty()) return false;
  out = std::move(i_val.back());
  i_val.pop_back();
  return true;
}

bool CDS_Stack::Top(RValue &out) const {
  if (i_val.empty()) return false;
  out = i_val.back();
  return true;
}

std::string CDS_Stack::WriteToString() const { return WriteValueList(kTextKind, i_val); }

EDsRead CDS_Stack::ReadFromString(std::string_view text) { return ReadValueList(text, kTextKind, i_val); }

// --- queue --------------------------------------------------------------------

void CDS_Queue::Clear() {
  i_first = 0;
  i_last = 0;
  i_val.clear();
}

void CDS_Queue::Assign(const CDS_Queue &source) {
  i_first = source.i_first;
  i_last = source.i_last;
  i_val = source.i_val;
}

void CDS_Queue::Enqueue(const RValue &value) {
  if (static_cast<size_t>(i_first) >= i_val.size()) i_val.resize(i_val.size() + kGrowBy);
  i_val[static_cast<size_t>(i_first)] = value;
  ++i_first;
}

bool CDS_Queue::Dequeue(RValue &out) {
  if (i_first <= i_last) return false;
  out = i_val[static_cast<size_t>(i_last)];
  ++i_last;
  // Once the taken slots outweigh the live ones, the live ones move to the
  // front; the slots behind them keep what they held.
  if (i_last > 16 && i_last > i_first / 2) {
    std::copy(i_val.begin() + i_last, i_val.begin() + i_first, i_val.begin());
    i_first -= i_last;
    i_last = 0;
  }
  return true;
}

bool CDS_Queue::Head(RValue &out) const {
  if (i_first <= i_last) return false;
  out = i_val[static_cast<size_t>(i_last)];
  return true;
}

bool CDS_Queue::Tail(RValue &out) const {
  if (i_first <= i_last) return false;
  out = i_val[static_cast<size_t>(i_first - 1)];
  return true;
}

std::string CDS_Queue::WriteToString() const {
  CStream stream;
  stream.WriteInteger(kTextKind);
  stream.WriteInteger(i_first);
  stream.WriteInteger(i_last);
  stream.WriteInteger(static_cast<int32_t>(i_val.size()));
  for (const RValue &v : i_val) WriteValue(stream, v);
  return stream.ConvertToString();
}

EDsRead CDS_Queue::ReadFromString(std::string_view text) {
  int32_t first = 0, last = 0;
  std::vector<RValue> values;
  const EDsRead r = ReadRecord(text, kTextKind, [&](CStream &s) {
    first = s.ReadInteger();
    last = s.ReadInteger();
    int64_t n = 0;
    if (!ReadCount(s, 1, n)) return false;
    // The live range must lie inside the storage.
    if (last < 0 || last > first || first > n) return false;
    return ReadValues(s, values, n);
  });
  if (r == EDsRead::kOk) {
    i_first = first;
    i_last = last;
    i_val = std::move(values);
  }
  return r;
}

// --- list ---------------------------------------------------------------------

void CDS_List::Insert(int64_t pos, const RValue &value) {
  if (pos < 0 || pos > Size()) return;
  i_val.insert(i_val.begin() + pos, value);
}

void CDS_List::Replace(int64_t pos, const RValue &value) {
  if (pos < 0 || pos >= Size()) return;
  i_val[static_cast<size_t>(pos)] = value;
}

void CDS_List::Delete(int64_t pos) {
  if (pos < 0 || pos >= Size()) return;
  i_val.erase(i_val.begin() + pos);
}

int32_t CDS_List::FindIndex(const RValue &value) const {
  for (size_t i = 0; i < i_val.size(); ++i)
    if (DsEqual(i_val[i], value)) return static_cast<int32_t>(i);
  return -1;
}

const RValue *CDS_List::FindValue(int64_t pos) const {
  if (pos < 0 || pos >= Size()) return nullptr;
  return &i_val[static_cast<size_t>(pos)];
}

namespace {

// The insertion sort the order is defined by: an element moves toward the
// front while the one before it is above it (ascending) or not above it
// (descending). Quadratic, so it only runs where reals closer than the
// precision make the element order differ from an exact one.
void InsertionSort(std::vector<RValue> &v, bool ascending) {
  for (size_t i = 1; i < v.size(); ++i) {
    RValue moving = std::move(v[i]);
    size_t j = i;
    while (j > 0) {
      const int c = DsCompare(v[j - 1], moving);
      if (ascending ? c <= 0 : c > 0) break;
      v[j] = std::move(v[j - 1]);
      --j;
    }
    v[j] = std::move(moving);
  }
}

// When no two different reals are equal within the precision (and none is
// NaN), the element order is a proper ordering and the insertion sort's
// result is exactly a stable sort's: ascending keeps equal elements in their
// order, descending is the ascending result reversed (equal elements end up
// swapped, as the insertion sort leaves them).
bool FastSort(std::vector<RValue> &v, bool ascending) {
  for (const RValue &e : v)
    if (e.kind == RValue::kReal && std::isnan(e.val)) return false;
  std::vector<RValue> sorted(v);
  std::stable_sort(sorted.begin(), sorted.end(), ExactLess);
  for (size_t i = 1; i < sorted.size(); ++i) {
    const RValue &a = sorted[i - 1], &b = sorted[i];
    if (a.kind == RValue::kReal && b.kind == RValue::kReal && a.val != b.val && DsCompare(a, b) == 0) return false;
  }
  if (!ascending) std::reverse(sorted.begin(), sorted.end());
  v = std::move(sorted);
  return true;
}

}  // namespace

void CDS_List::Sort(bool ascending) {
  if (i_val.size() < 2) return;
  if (!FastSort(i_val, ascending)) InsertionSort(i_val, ascending);
}

void CDS_List::Shuffle() {
  const uint32_t n = static_cast<uint32_t>(i_val.size());
  const uint64_t exchanges = 8 * static_cast<uint64_t>(n);
  for (uint64_t k = 0; k < exchanges; ++k) {
    const uint32_t a = DsRandomBelow(n);
    const uint32_t b = DsRandomBelow(n);
    std::swap(i_val[a], i_val[b]);
  }
}

std::string CDS_List::WriteToString() const { return WriteValueList(kTextKind, i_val); }

EDsRead CDS_List::ReadFromString(std::string_view text) { return ReadValueList(text, kTextKind, i_val); }

// --- map ----------------------------------------------------------------------
//
// The rules speak of "the first entry whose key ..." and of inserting "after
// every entry whose key is not above" the new one. While the keys stand in
// exact order, every such condition holds for a contiguous run of entries
// (the reals within the precision of a key sit next to each other), so a
// binary search finds the same entry as the walk from the front.

// --- rows of values -----------------------------------------------------------

// Values move along a row by their bytes: a value is a kind, a real and one
// counted pointer to its text, so its bytes put elsewhere, with the old
// place forgotten rather than destroyed, are the same value with the count
// still right. Moving values one by one (as vector insert and erase do)
// clears and re-checks every pointer on the way, several times the work for
// the long shifts of a big map.
static_assert(std::is_standard_layout_v<RValue> && sizeof(RValue) == 24);

namespace {

void MoveBytes(RValue *to, const RValue *from, size_t count) {
  if (count > 0) std::memmove(static_cast<void *>(to), static_cast<const void *>(from), count * sizeof(RValue));
}

}  // namespace

void CValueRow::Release() {
  for (size_t i = 0; i < m_size; ++i) m_base[m_first + i].~RValue();
  ::operator delete(m_base);
  m_base = nullptr;
  m_capacity = m_first = m_size = 0;
}

CValueRow &CValueRow::operator=(const CValueRow &other) {
  if (this == &other) return *this;
  MakeRoom(other.m_size);
  for (const RValue &v : other) ::new (static_cast<void *>(m_base + m_first + m_size++)) RValue(v);
  return *this;
}

void CValueRow::clear() {
  for (size_t i = 0; i < m_size; ++i) m_base[m_first + i].~RValue();
  m_size = 0;
  m_first = m_capacity / 4;  // room to grow both ways
}

void CValueRow::Take(std::vector<RValue> &&values) {
  MakeRoom(values.size());
  for (RValue &v : values) ::new (static_cast<void *>(m_base + m_first + m_size++)) RValue(std::move(v));
  values.clear();
}

void CValueRow::MakeRoom(size_t size) {
  clear();
  if (m_capacity < size) Regrow(size, static_cast<size_t>(-1));
  m_first = (m_capacity - size) / 2;
}

void CValueRow::Regrow(size_t size, size_t pos) {
  const size_t capacity = std::max<size_t>(16, 2 * size);
  auto *base = static_cast<RValue *>(::operator new(capacity * sizeof(RValue)));
  const size_t first = (capacity - size) / 2;
  if (pos == static_cast<size_t>(-1)) {
    MoveBytes(base + first, data(), m_size);
  } else {
    MoveBytes(base + first, data(), pos);
    MoveBytes(base + first + pos + 1, data() + pos, m_size - pos);
  }
  ::operator delete(m_base);
  m_base = base;
  m_capacity = capacity;
  m_first = first;
}

void CValueRow::Insert(size_t pos, const RValue &value) {
  RValue copy(value);  // the value may live in this row
  const bool roomBefore = m_first > 0, roomAfter = m_first + m_size < m_capacity;
  if (!roomBefore && !roomAfter) {
    Regrow(m_size + 1, pos);  // leaves the gap at pos
  } else if (roomBefore && (pos < m_size / 2 || !roomAfter)) {
    MoveBytes(m_base + m_first - 1, m_base + m_first, pos);
    --m_first;
  } else {
    MoveBytes(m_base + m_first + pos + 1, m_base + m_first + pos, m_size - pos);
  }
  ::new (static_cast<void *>(m_base + m_first + pos)) RValue(std::move(copy));
  ++m_size;
}

void CValueRow::Erase(size_t pos) {
  m_base[m_first + pos].~RValue();
  if (pos < m_size / 2) {
    MoveBytes(m_base + m_first + 1, m_base + m_first, pos);
    ++m_first;
  } else {
    MoveBytes(m_base + m_first + pos, m_base + m_first + pos + 1, m_size - pos - 1);
  }
  --m_size;
}

// --- map --------------------------------------------------------------------------

void CDS_Map::Clear() {
  i_key.clear();
  i_val.clear();
  m_exact = true;
  ForgetHints();
}

void CDS_Map::Assign(const CDS_Map &source) {
  i_key = source.i_key;
  i_val = source.i_val;
  m_exact = source.m_exact;
  ForgetHints();
}

namespace {

// The bracket of a partition point found from a guessed place: doubling
// steps away from the guess, then halving. Any search order finds the same
// point of a partitioned sequence; a good guess only saves probes.
template <class Below>
size_t PartitionFrom(const CValueRow &keys, size_t guess, Below below) {
  const size_t n = keys.size();
  // Bracket the point in [first, last]: below(keys[first - 1]) and not below(keys[last]).
  size_t first, last;
  if (below(keys[guess])) {
    first = guess + 1;
    size_t step = 1;
    while (first + step - 1 < n && below(keys[first + step - 1])) {
      first += step;
      step *= 2;
    }
    last = std::min(first + step - 1, n);
  } else {
    last = guess;
    size_t step = 1;
    while (last >= step && !below(keys[last - step])) {
      last -= step;
      step *= 2;
    }
    first = last >= step ? last - step + 1 : 0;
  }
  return static_cast<size_t>(
      std::partition_point(keys.begin() + static_cast<std::ptrdiff_t>(first),
                           keys.begin() + static_cast<std::ptrdiff_t>(last), below) -
      keys.begin());
}

// The partition point of `below` (true for a leading run of the keys, false
// for the rest) among keys in exact order, for a real key near the value
// `near`. Real keys come first; their values usually spread evenly (counts,
// ids, coordinates), so the place is first guessed from the value by
// interpolation.
template <class Below>
size_t GuessedPartition(const CValueRow &keys, double near, Below below) {
  const size_t n = keys.size();
  // The real keys: all of them unless the last one is a string.
  size_t reals = n;
  if (n > 0 && keys.back().kind != RValue::kReal)
    reals = static_cast<size_t>(std::partition_point(keys.begin(), keys.end(),
                                                     [](const RValue &k) { return k.kind == RValue::kReal; }) -
                                keys.begin());
  if (reals < 8) return static_cast<size_t>(std::partition_point(keys.begin(), keys.end(), below) - keys.begin());
  const double lo = keys.front().val, hi = keys[reals - 1].val;
  const double f = (near - lo) / (hi - lo) * static_cast<double>(reals - 1);
  size_t guess;
  if (!(f >= 0)) guess = 0;  // NaN (equal ends, infinities) included
  else if (f >= static_cast<double>(reals - 1)) guess = reals - 1;
  else guess = static_cast<size_t>(f);
  return PartitionFrom(keys, guess, below);
}

// The hint table's hash of a key. Equal keys hash alike (0 and -0 are one
// key); keys equal only within the precision may not, which merely costs
// their lookups the search.
uint64_t KeyHash(const RValue &key) {
  uint64_t u;
  if (key.kind == RValue::kReal) {
    const double v = key.val == 0 ? 0.0 : key.val;
    std::memcpy(&u, &v, sizeof u);
    // Whole numbers differ only in their high bits; fold them down so the
    // multiplication spreads them over the whole word.
    u ^= u >> 29;
  } else {
    u = std::hash<std::string_view>()(key.str.view()) ^ 0x5bd1e9955bd1e995ull;
  }
  return u * 0x9e3779b97f4a7c15ull;
}

}  // namespace

void CDS_Map::ForgetHints() const {
  m_hints = {};
  m_hintCount = 0;
  m_hintShift = 64;
}

int32_t *CDS_Map::HintSlot(uint64_t hash) const {
  if (m_hints.empty()) return nullptr;
  const size_t mask = m_hints.size() - 1;
  const auto tag = static_cast<uint32_t>(hash);
  for (size_t i = static_cast<size_t>(hash >> m_hintShift);; i = (i + 1) & mask) {
    RHint &h = m_hints[i];
    if (h.pos < 0) return nullptr;
    if (h.tag == tag) return &h.pos;
  }
}

void CDS_Map::RememberHint(uint64_t hash, int32_t pos) const {
  if (int32_t *slot = HintSlot(hash)) {
    *slot = pos;
    return;
  }
  // At most half the slots in use, so probes stay short and end. A full
  // table starts afresh, sized for the entries the map has now: the slots
  // of deleted keys go, and a live key dropped with them costs one search
  // to come back (a resize needs as many new keys as it has slots to fill
  // half of them again, so the searches are paid for).
  if ((m_hintCount + 1) * 2 > m_hints.size()) {
    size_t slots = 16;
    while (slots < 2 * (i_key.size() + 1)) slots *= 2;
    m_hints.assign(slots, RHint{0, -1});
    m_hintCount = 0;
    m_hintShift = 64 - std::countr_zero(slots);
  }
  const size_t mask = m_hints.size() - 1;
  size_t i = static_cast<size_t>(hash >> m_hintShift);
  while (m_hints[i].pos >= 0) i = (i + 1) & mask;
  m_hints[i] = RHint{static_cast<uint32_t>(hash), pos};
  ++m_hintCount;
}

// With a precision and a real key, "below" and "above" reduce to one
// subtraction: a real e is below k when k - e exceeds the precision (as
// |e - k| does when e < k), above when e - k does; strings are never below
// a real and always above it. Equal infinities give no number and compare
// neither way, as in the element order. NaN keys never reach these
// (a map holding one is searched by walking).
int32_t CDS_Map::FirstNotBelow(const RValue &key) const {
  const size_t n = i_key.size();
  if (m_exact && !(key.kind == RValue::kReal && std::isnan(key.val))) {
    const uint64_t hash = KeyHash(key);
    size_t hint = n;
    if (const int32_t *slot = HintSlot(hash)) {
      hint = static_cast<size_t>(*slot);
      if (hint < n && Compare(i_key[hint], key) >= 0 && (hint == 0 || Compare(i_key[hint - 1], key) < 0))
        return static_cast<int32_t>(hint);
    }
    return SearchNotBelow(key, hash, hint);
  }
  if (m_exact) {
    auto it = std::partition_point(i_key.begin(), i_key.end(), [&](const RValue &k) { return Compare(k, key) < 0; });
    return static_cast<int32_t>(it - i_key.begin());
  }
  for (size_t i = 0; i < n; ++i)
    if (Compare(i_key[i], key) >= 0) return static_cast<int32_t>(i);
  return Size();
}

// The search of an exact-order map for a key that is not NaN, from the
// hinted place (the size when there is none), which it remembers when it
// finds the key.
[[gnu::noinline]] int32_t CDS_Map::SearchNotBelow(const RValue &key, uint64_t hash, size_t hint) const {
  const size_t n = i_key.size();
  size_t p;
  const double eps = DsPrecision();
  if (key.kind == RValue::kReal && eps > 0) {
    const double k = key.val;
    auto below = [k, eps](const RValue &e) { return e.kind == RValue::kReal && k - e.val > eps; };
    p = hint < n ? PartitionFrom(i_key, hint, below) : GuessedPartition(i_key, k - eps, below);
  } else {
    auto below = [&key](const RValue &e) { return Compare(e, key) < 0; };
    p = hint < n ? PartitionFrom(i_key, hint, below)
                 : static_cast<size_t>(std::partition_point(i_key.begin(), i_key.end(), below) - i_key.begin());
  }
  if (p < n && Compare(i_key[p], key) == 0) RememberHint(hash, static_cast<int32_t>(p));
  return static_cast<int32_t>(p);
}

int32_t CDS_Map::FirstAbove(const RValue &key) const {
  if (m_exact) {
    const double eps = DsPrecision();
    if (key.kind == RValue::kReal && eps > 0 && !std::isnan(key.val)) {
      const double k = key.val;
      return static_cast<int32_t>(GuessedPartition(
          i_key, k + eps, [k, eps](const RValue &e) { return e.kind == RValue::kReal && !(e.val - k > eps); }));
    }
    auto it = std::partition_point(i_key.begin(), i_key.end(), [&](const RValue &k) { return Compare(k, key) <= 0; });
    return static_cast<int32_t>(it - i_key.begin());
  }
  for (size_t i = 0; i < i_key.size(); ++i)
    if (Compare(i_key[i], key) > 0) return static_cast<int32_t>(i);
  return Size();
}

namespace {

// Whether keys[h] is the first entry equal to key, in a map in exact order:
// it is equal and the entry before it is below (the entries equal to a key
// stand together). Reals with a precision, the common case, are checked
// without the general comparison.
inline bool FirstEqualAt(const CValueRow &keys, size_t h, const RValue &key) {
  if (h >= keys.size()) return false;
  const RValue &e = keys[h];
  const double eps = g_precision;
  if (key.kind == RValue::kReal && e.kind == RValue::kReal && eps > 0) {
    const double k = key.val;
    if (!(e.val == k || std::fabs(e.val - k) <= eps)) return false;
    if (h == 0) return true;
    const RValue &before = keys[h - 1];
    return before.kind == RValue::kReal && k - before.val > eps;
  }
  return Compare(e, key) == 0 && (h == 0 || Compare(keys[h - 1], key) < 0);
}

}  // namespace

int32_t CDS_Map::SearchFirstEqual(const RValue &key) const {
  if (m_exact) {
    // The key is hashed and its hint looked up once, for the check and the
    // search alike (a NaN key has no hint and is searched as the order
    // says).
    const uint64_t hash = KeyHash(key);
    const int32_t *slot = HintSlot(hash);
    if (slot != nullptr && FirstEqualAt(i_key, static_cast<size_t>(*slot), key)) return *slot;
    const int32_t i = key.kind == RValue::kReal && std::isnan(key.val)
                          ? FirstNotBelow(key)
                          : SearchNotBelow(key, hash, slot != nullptr ? std::min(static_cast<size_t>(*slot), i_key.size())
                                                                      : i_key.size());
    return (i < Size() && Compare(i_key[static_cast<size_t>(i)], key) == 0) ? i : -1;
  }
  for (size_t i = 0; i < i_key.size(); ++i)
    if (Compare(i_key[i], key) == 0) return static_cast<int32_t>(i);
  return -1;
}

void CDS_Map::Add(const RValue &key, const RValue &value) {
  size_t pos;
  if (m_exact) {
    pos = static_cast<size_t>(FirstAbove(key));
  } else {
    pos = i_key.size();
    while (pos > 0 && DsCompare(i_key[pos - 1], key) > 0) --pos;
  }
  i_key.Insert(pos, key);
  i_val.Insert(pos, value);
  if (m_exact) {
    // NaN stands in no order, not even alone.
    if ((key.kind == RValue::kReal && std::isnan(key.val)) || (pos > 0 && !ExactNotAfter(i_key[pos - 1], key)) ||
        (pos + 1 < i_key.size() && !ExactNotAfter(key, i_key[pos + 1])))
      m_exact = false;
  }
}

bool CDS_Map::Replace(const RValue &key, const RValue &value) {
  const int32_t i = FindFirstEqual(key);
  if (i < 0) return false;
  i_val[static_cast<size_t>(i)] = value;
  return true;
}

bool CDS_Map::Delete(const RValue &key) {
  const int32_t i = FindFirstEqual(key);
  if (i < 0) return false;
  i_key.Erase(static_cast<size_t>(i));
  i_val.Erase(static_cast<size_t>(i));
  return true;
}


const RValue *CDS_Map::FindPrevious(const RValue &key) const {
  const int32_t i = FirstNotBelow(key);
  return i == 0 ? nullptr : &i_key[static_cast<size_t>(i - 1)];
}

const RValue *CDS_Map::FindNext(const RValue &key) const {
  const int32_t i = FirstAbove(key);
  return i >= Size() ? nullptr : &i_key[static_cast<size_t>(i)];
}

void CDS_Map::CheckExactOrder() {
  m_exact = true;
  for (size_t i = 1; i < i_key.size(); ++i)
    if (!ExactNotAfter(i_key[i - 1], i_key[i])) {
      m_exact = false;
      return;
    }
  // A lone NaN key is in no order either.
  for (const RValue &k : i_key)
    if (k.kind == RValue::kReal && std::isnan(k.val)) m_exact = false;
}

std::string CDS_Map::WriteToString() const {
  CStream stream;
  stream.WriteInteger(kTextKind);
  stream.WriteInteger(Size());
  for (const RValue &k : i_key) WriteValue(stream, k);
  for (const RValue &v : i_val) WriteValue(stream, v);
  return stream.ConvertToString();
}

EDsRead CDS_Map::ReadFromString(std::string_view text) {
  std::vector<RValue> keys, values;
  const EDsRead r = ReadRecord(text, kTextKind, [&](CStream &s) {
    int64_t n = 0;
    return ReadCount(s, 2, n) && ReadValues(s, keys, n) && ReadValues(s, values, n);
  });
  if (r == EDsRead::kOk) {
    // The keys stay in the order the text has them, sorted or not.
    i_key.Take(std::move(keys));
    i_val.Take(std::move(values));
    CheckExactOrder();
    ForgetHints();
  }
  return r;
}

// --- priority queue -------------------------------------------------------------

void CDS_Priority::Add(const RValue &value, const RValue &priority) {
  i_val.push_back(value);
  i_priority.push_back(priority);
}

bool CDS_Priority::ChangePriority(const RValue &value, const RValue &priority) {
  for (size_t i = 0; i < i_val.size(); ++i)
    if (DsEqual(i_val[i], value)) {
      i_priority[i] = priority;
      return true;
    }
  return false;
}

const RValue *CDS_Priority::FindPriority(const RValue &value) const {
  for (size_t i = 0; i < i_val.size(); ++i)
    if (DsEqual(i_val[i], value)) return &i_priority[i];
  return nullptr;
}

bool CDS_Priority::DeleteValue(const RValue &value) {
  for (size_t i = 0; i < i_val.size(); ++i)
    if (DsEqual(i_val[i], value)) {
      DeleteAt(static_cast<int32_t>(i));
      return true;
    }
  return false;
}

int32_t CDS_Priority::MinIndex() const {
  if (i_priority.empty()) return -1;
  size_t best = 0;
  for (size_t i = 1; i < i_priority.size(); ++i)
    if (DsCompare(i_priority[i], i_priority[best]) < 0) best = i;
  return static_cast<int32_t>(best);
}

int32_t CDS_Priority::MaxIndex() const {
  if (i_priority.empty()) return -1;
  size_t best = 0;
  for (size_t i = 1; i < i_priority.size(); ++i)
    if (DsCompare(i_priority[i], i_priority[best]) > 0) best = i;
  return static_cast<int32_t>(best);
}

void CDS_Priority::DeleteAt(int32_t index) {
  const size_t i = static_cast<size_t>(index);
  if (i + 1 < i_val.size()) {
    i_val[i] = std::move(i_val.back());
    i_priority[i] = std::move(i_priority.back());
  }
  i_val.pop_back();
  i_priority.pop_back();
}

std::string CDS_Priority::WriteToString() const {
  CStream stream;
  stream.WriteInteger(kTextKind);
  stream.WriteInteger(Size());
  for (const RValue &p : i_priority) WriteValue(stream, p);
  for (const RValue &v : i_val) WriteValue(stream, v);
  return stream.ConvertToString();
}

EDsRead CDS_Priority::ReadFromString(std::string_view text) {
  std::vector<RValue> priorities, values;
  const EDsRead r = ReadRecord(text, kTextKind, [&](CStream &s) {
    int64_t n = 0;
    return ReadCount(s, 2, n) && ReadValues(s, priorities, n) && ReadValues(s, values, n);
  });
  if (r == EDsRead::kOk) {
    i_priority = std::move(priorities);
    i_val = std::move(values);
  }
  return r;
}

// --- grid ---------------------------------------------------------------------

namespace {

bool GridSizeFits(int64_t w, int64_t h) {
  if (w > std::numeric_limits<int32_t>::max() || h > std::numeric_limits<int32_t>::max()) return false;
  return w == 0 || h <= CDS_Grid::kMaxCells / w;
}

// A rectangle put in order and clipped to a w x h grid; false when empty.
struct RRect {
  int32_t x1, y1, x2, y2;
};
bool ClipRect(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int32_t w, int32_t h, RRect &out) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  x1 = std::max<int64_t>(x1, 0);
  y1 = std::max<int64_t>(y1, 0);
  x2 = std::min<int64_t>(x2, int64_t(w) - 1);
  y2 = std::min<int64_t>(y2, int64_t(h) - 1);
  if (x1 > x2 || y1 > y2) return false;
  out = {static_cast<int32_t>(x1), static_cast<int32_t>(y1), static_cast<int32_t>(x2), static_cast<int32_t>(y2)};
  return true;
}

// floor(c - r) .. ceil(c + r), clipped to 0 .. n - 1; false when empty.
bool DiskSpan(double c, double r, int32_t n, int32_t &lo, int32_t &hi) {
  const double a = std::max(std::floor(c - r), 0.0);
  const double b = std::min(std::ceil(c + r), static_cast<double>(n) - 1);
  if (!(a <= b)) return false;  // also NaN
  lo = static_cast<int32_t>(a);
  hi = static_cast<int32_t>(b);
  return true;
}

// Calls f(x, y) for every cell of the disk, x outer and y inner, until f
// answers false.
template <class F>
void ForDisk(int32_t w, int32_t h, double xm, double ym, double r, F &&f) {
  int32_t x1, x2, y1, y2;
  if (!DiskSpan(xm, r, w, x1, x2) || !DiskSpan(ym, r, h, y1, y2)) return;
  const double r2 = r * r;
  for (int32_t i = x1; i <= x2; ++i) {
    const double dx = i - xm;
    for (int32_t j = y1; j <= y2; ++j) {
      const double dy = j - ym;
      if (dx * dx + dy * dy <= r2 && !f(i, j)) return;
    }
  }
}

struct RAggregate {
  double sum = 0;
  double max = -100000000.0;
  double min = 100000000.0;
  int64_t count = 0;

  void Take(const RValue &v) {
    if (v.kind != RValue::kReal) return;
    sum += v.val;
    ++count;
    if (v.val >= max) max = v.val;
    if (v.val <= min) min = v.val;
  }
  double Result(EGridAggregate what) const {
    switch (what) {
      case EGridAggregate::kSum: return sum;
      case EGridAggregate::kMax: return max;
      case EGridAggregate::kMin: return min;
      case EGridAggregate::kMean: return count == 0 ? 0.0 : sum / static_cast<double>(count);
    }
    return 0;
  }
};

}  // namespace

bool CDS_Grid::Create(int64_t w, int64_t h) {
  w = std::max<int64_t>(w, 0);
  h = std::max<int64_t>(h, 0);
  if (!GridSizeFits(w, h)) return false;
  i_w = static_cast<int32_t>(w);
  i_h = static_cast<int32_t>(h);
  i_val.assign(static_cast<size_t>(w * h), RValue());
  return true;
}

bool CDS_Grid::Resize(int64_t w, int64_t h) {
  w = std::max<int64_t>(w, 0);
  h = std::max<int64_t>(h, 0);
  if (!GridSizeFits(w, h)) return false;
  if (w == i_w && h == i_h) return true;
  std::vector<RValue> cells(static_cast<size_t>(w * h));
  // A grid with no rows may still be very wide: only walk columns that hold cells.
  const int32_t keepH = std::min<int32_t>(i_h, static_cast<int32_t>(h));
  const int32_t keepW = keepH == 0 ? 0 : std::min<int32_t>(i_w, static_cast<int32_t>(w));
  for (int32_t x = 0; x < keepW; ++x)
    for (int32_t y = 0; y < keepH; ++y)
      cells[static_cast<size_t>(x) * static_cast<size_t>(h) + y] = std::move(Cell(x, y));
  i_w = static_cast<int32_t>(w);
  i_h = static_cast<int32_t>(h);
  i_val = std::move(cells);
  return true;
}

void CDS_Grid::Assign(const CDS_Grid &source) {
  i_w = source.i_w;
  i_h = source.i_h;
  i_val = source.i_val;
}

void CDS_Grid::Fill(const RValue &value) { std::fill(i_val.begin(), i_val.end(), value); }

void CDS_Grid::Apply(EGridOp op, RValue &cell, const RValue &value) {
  switch (op) {
    case EGridOp::kSet:
      cell = value;
      return;
    case EGridOp::kAdd:
      if (cell.kind != value.kind) {
        cell = value;
        return;
      }
      // Reals add and strings join as the + operator does (a result past
      // the double range traps there too); a join too long to hold keeps
      // the cell as it was.
      (void)BinaryOperation(op::kPlus, cell, value);
      return;
    case EGridOp::kMultiply:
      if (cell.kind == RValue::kReal && value.kind == RValue::kReal) (void)BinaryOperation(op::kTimes, cell, value);
      return;
  }
}

void CDS_Grid::CellOp(EGridOp op, int64_t x, int64_t y, const RValue &value) {
  if (!Inside(x, y)) return;
  Apply(op, Cell(static_cast<int32_t>(x), static_cast<int32_t>(y)), value);
}

void CDS_Grid::RegionOp(EGridOp op, int64_t x1, int64_t y1, int64_t x2, int64_t y2, const RValue &value) {
  RRect r;
  if (!ClipRect(x1, y1, x2, y2, i_w, i_h, r)) return;
  // The value may be a cell of this grid; work on a copy.
  const RValue v = value;
  for (int32_t x = r.x1; x <= r.x2; ++x)
    for (int32_t y = r.y1; y <= r.y2; ++y) Apply(op, Cell(x, y), v);
}

void CDS_Grid::DiskOp(EGridOp op, double xm, double ym, double r, const RValue &value) {
  const RValue v = value;
  ForDisk(i_w, i_h, xm, ym, r, [&](int32_t x, int32_t y) {
    Apply(op, Cell(x, y), v);
    return true;
  });
}

void CDS_Grid::GridRegionOp(EGridOp op, const CDS_Grid &source, int64_t x1, int64_t y1, int64_t x2, int64_t y2,
                            int64_t xpos, int64_t ypos) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  x1 = std::max<int64_t>(x1, 0);
  y1 = std::max<int64_t>(y1, 0);
  x2 = std::min<int64_t>(x2, int64_t(source.i_w) - 1);
  y2 = std::min<int64_t>(y2, int64_t(source.i_h) - 1);
  // A target start left of (above) the grid cuts the same amount off the
  // start of the source rectangle.
  if (xpos < 0) {
    x1 -= xpos;
    xpos = 0;
  }
  if (ypos < 0) {
    y1 -= ypos;
    ypos = 0;
  }
  x2 = std::min<int64_t>(x2, x1 + (int64_t(i_w) - 1 - xpos));
  y2 = std::min<int64_t>(y2, y1 + (int64_t(i_h) - 1 - ypos));
  if (x1 > x2 || y1 > y2) return;
  const int64_t dx = xpos - x1, dy = ypos - y1;
  // Copying within one grid reads every cell before it is overwritten: walk
  // away from the side the rectangle moves to.
  const bool same = &source == this;
  const bool xDown = same && x1 < xpos;
  const bool yDown = same && y1 < ypos;
  const int64_t nx = x2 - x1 + 1, ny = y2 - y1 + 1;
  for (int64_t a = 0; a < nx; ++a) {
    const int32_t sx = static_cast<int32_t>(xDown ? x2 - a : x1 + a);
    for (int64_t b = 0; b < ny; ++b) {
      const int32_t sy = static_cast<int32_t>(yDown ? y2 - b : y1 + b);
      Apply(op, Cell(static_cast<int32_t>(sx + dx), static_cast<int32_t>(sy + dy)), source.Cell(sx, sy));
    }
  }
}

double CDS_Grid::Aggregate(EGridAggregate what, int64_t x1, int64_t y1, int64_t x2, int64_t y2) const {
  RAggregate agg;
  RRect r;
  if (ClipRect(x1, y1, x2, y2, i_w, i_h, r))
    for (int32_t x = r.x1; x <= r.x2; ++x)
      for (int32_t y = r.y1; y <= r.y2; ++y) agg.Take(Cell(x, y));
  return agg.Result(what);
}

double CDS_Grid::DiskAggregate(EGridAggregate what, double xm, double ym, double r) const {
  RAggregate agg;
  ForDisk(i_w, i_h, xm, ym, r, [&](int32_t x, int32_t y) {
    agg.Take(Cell(x, y));
    return true;
  });
  return agg.Result(what);
}

bool CDS_Grid::FindValue(const RValue &value, int64_t x1, int64_t y1, int64_t x2, int64_t y2, int32_t &x,
                         int32_t &y) const {
  RRect r;
  if (!ClipRect(x1, y1, x2, y2, i_w, i_h, r)) return false;
  for (int32_t i = r.x1; i <= r.x2; ++i)
    for (int32_t j = r.y1; j <= r.y2; ++j)
      if (DsEqual(Cell(i, j), value)) {
        x = i;
        y = j;
        return true;
      }
  return false;
}

bool CDS_Grid::FindValueDisk(const RValue &value, double xm, double ym, double r, int32_t &x, int32_t &y) const {
  bool found = false;
  ForDisk(i_w, i_h, xm, ym, r, [&](int32_t i, int32_t j) {
    if (!DsEqual(Cell(i, j), value)) return true;
    x = i;
    y = j;
    found = true;
    return false;
  });
  return found;
}

void CDS_Grid::Shuffle() {
  const uint32_t w = static_cast<uint32_t>(i_w), h = static_cast<uint32_t>(i_h);
  const uint64_t exchanges = 8 * static_cast<uint64_t>(i_val.size());
  for (uint64_t k = 0; k < exchanges; ++k) {
    const uint32_t xa = DsRandomBelow(w);
    const uint32_t xb = DsRandomBelow(w);
    const uint32_t ya = DsRandomBelow(h);
    const uint32_t yb = DsRandomBelow(h);
    std::swap(Cell(static_cast<int32_t>(xa), static_cast<int32_t>(ya)),
              Cell(static_cast<int32_t>(xb), static_cast<int32_t>(yb)));
  }
}

std::string CDS_Grid::WriteToString() const {
  CStream stream;
  stream.WriteInteger(kTextKind);
  stream.WriteInteger(i_w);
  stream.WriteInteger(i_h);
  for (const RValue &v : i_val) WriteValue(stream, v);  // column by column
  return stream.ConvertToString();
}

EDsRead CDS_Grid::ReadFromString(std::string_view text) {
  int32_t w = 0, h = 0;
  std::vector<RValue> values;
  const EDsRead r = ReadRecord(text, kTextKind, [&](CStream &s) {
    w = std::max(s.ReadInteger(), 0);
    h = std::max(s.ReadInteger(), 0);
    const int64_t cells = int64_t(w) * int64_t(h);
    if (cells > kMaxCells || cells * kMinValueRecord > s.Size() - s.Position()) return false;
    return ReadValues(s, values, cells);
  });
  if (r == EDsRead::kOk) {
    i_w = w;
    i_h = h;
    i_val = std::move(values);
  }
  return r;
}
