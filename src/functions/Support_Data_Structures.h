// The containers behind the ds_* functions: stacks, queues, lists, maps,
// priority queues and grids of script values, each with its operations and
// its text form (a hexadecimal record that games keep in files).
//
// Containers hold reals and strings mixed and compare them by the element
// order: two reals are equal within the process-wide precision, strings
// compare ordinally, and every real is below every string.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "code/Variable_Class.h"

class CStream;

// --- element order ----------------------------------------------------------

// The precision of real comparisons (initially 0.00000001).
constexpr double kDsDefaultPrecision = 0.00000001;
namespace ds_detail {
extern double g_precision;  // read in line by the map's lookups
}  // namespace ds_detail
inline double DsPrecision() { return ds_detail::g_precision; }
void DsSetPrecision(double precision);  // takes the absolute value

// -1 when a is below b, 0 when they are equal, 1 when a is above b.
int DsCompare(const RValue &a, const RValue &b);
inline bool DsEqual(const RValue &a, const RValue &b) { return DsCompare(a, b) == 0; }
// The ordinal order of two texts by their UTF-16 units: -1, 0 or 1.
int DsCompareText(std::string_view a, std::string_view b);

// --- random draws -------------------------------------------------------------

// Shuffles draw integers below n from the runner's random generator, so a
// game that sets the seed gets the same shuffles every time. Tests may put a
// scripted source in its place.
using TDsRandomBelow = uint32_t (*)(uint32_t n);
void DsSetRandomSource(TDsRandomBelow source);  // null: the runner's generator
uint32_t DsRandomBelow(uint32_t n);

// --- text form ----------------------------------------------------------------

enum class EDsRead {
  kOk,          // the content was replaced
  kWrongKind,   // the first integer names another kind: nothing changed
  kMalformed,   // not hexadecimal, cut short, or impossible counts: nothing changed
};

// --- the containers -------------------------------------------------------------
// Each has Clear, Assign (a deep copy of another container of its kind),
// WriteToString and ReadFromString. A read replaces the content only when the
// whole text is a valid record, so a damaged text never leaves a container
// half read.

// Elements bottom first.
class CDS_Stack {
public:
  static constexpr int32_t kTextKind = 101;
  std::vector<RValue> i_val;

  int32_t Size() const { return static_cast<int32_t>(i_val.size()); }
  void Clear() { i_val.clear(); }
  void Assign(const CDS_Stack &source) { i_val = source.i_val; }
  void Push(const RValue &value) { i_val.push_back(value); }
  bool Pop(RValue &out);   // false (out untouched) when empty
  bool Top(RValue &out) const;

  std::string WriteToString() const;
  EDsRead ReadFromString(std::string_view text);
};

// The elements are i_val[i_last .. i_first - 1], oldest first. The storage
// grows by 16 slots and its length is part of the text form, slots outside
// the live range included, so it is kept exactly as the text describes it.
class CDS_Queue {
public:
  static constexpr int32_t kTextKind = 201;
  static constexpr int32_t kGrowBy = 16;
  int32_t i_first = 0;
  int32_t i_last = 0;
  std::vector<RValue> i_val;

  int32_t Size() const { return i_first - i_last; }
  void Clear();
  void Assign(const CDS_Queue &source);
  void Enqueue(const RValue &value);
  bool Dequeue(RValue &out);
  bool Head(RValue &out) const;
  bool Tail(RValue &out) const;

  std::string WriteToString() const;
  EDsRead ReadFromString(std::string_view text);
};

class CDS_List {
public:
  static constexpr int32_t kTextKind = 301;
  std::vector<RValue> i_val;

  int32_t Size() const { return static_cast<int32_t>(i_val.size()); }
  void Clear() { i_val.clear(); }
  void Assign(const CDS_List &source) { i_val = source.i_val; }
  void Add(const RValue &value) { i_val.push_back(value); }
  // Positions outside the ranges below do nothing.
  void Insert(int64_t pos, const RValue &value);   // 0 .. size
  void Replace(int64_t pos, const RValue &value);  // 0 .. size - 1
  void Delete(int64_t pos);                        // 0 .. size - 1
  int32_t FindIndex(const RValue &value) const;    // first equal, or -1
  const RValue *FindValue(int64_t pos) const;      // null outside
  // Ascending keeps equal elements in their order, descending reverses them.
  void Sort(bool ascending);
  void Shuffle();

  std::string WriteToString() const;
  EDsRead ReadFromString(std::string_view text);
};

// Values in a row with free room kept at both ends, so that a value goes in
// or out by moving the shorter side of the row: taking entries from the
// front of a sorted map or adding them there costs as little as at the end.
// Values move by their bytes (a value is a kind, a real and one counted
// pointer to its text, so its bytes put elsewhere are the same value).
class CValueRow {
public:
  CValueRow() = default;
  CValueRow(const CValueRow &other) { *this = other; }
  CValueRow &operator=(const CValueRow &other);
  ~CValueRow() { Release(); }

  size_t size() const { return m_size; }
  bool empty() const { return m_size == 0; }
  const RValue *data() const { return m_base + m_first; }
  RValue *data() { return m_base + m_first; }
  const RValue *begin() const { return data(); }
  const RValue *end() const { return data() + m_size; }
  const RValue &operator[](size_t i) const { return data()[i]; }
  RValue &operator[](size_t i) { return data()[i]; }
  const RValue &front() const { return data()[0]; }
  const RValue &back() const { return data()[m_size - 1]; }

  void clear();
  void Insert(size_t pos, const RValue &value);
  void Erase(size_t pos);
  // Takes the values of a list, in its order.
  void Take(std::vector<RValue> &&values);

private:
  void Release();
  // Empty, with room for `size` values from m_first on.
  void MakeRoom(size_t size);
  // Room for at least `size` values, the live ones moved to the middle
  // with a gap of one at `pos` when `pos` is not npos.
  void Regrow(size_t size, size_t pos);

  RValue *m_base = nullptr;  // raw room for m_capacity values
  size_t m_capacity = 0;
  size_t m_first = 0;        // the live values are m_base[m_first .. m_first + m_size - 1]
  size_t m_size = 0;
};

// Entries sorted by key in element order; equal keys may occur several
// times, a newer one after the older ones. While the real keys also stand in
// exact numeric order (the usual case) lookups search by halving; keys that
// only the precision tells apart can leave them out of that order, and then
// every lookup walks the entries as the rules are written.
//
// In exact order a lookup first tries the place where the same key value was
// found last time (a small hashed table of hints); two comparisons with the
// neighbours prove or refute the hint, so a hint made stale by inserts,
// deletes or a new precision only costs the ordinary search.
class CDS_Map {
public:
  static constexpr int32_t kTextKind = 401;
  CValueRow i_key;
  CValueRow i_val;

  int32_t Size() const { return static_cast<int32_t>(i_key.size()); }
  void Clear();
  void Assign(const CDS_Map &source);
  void Add(const RValue &key, const RValue &value);
  bool Replace(const RValue &key, const RValue &value);
  bool Delete(const RValue &key);
  bool Exists(const RValue &key) const { return FindFirstEqual(key) >= 0; }
  const RValue *FindValue(const RValue &key) const {
    const int32_t i = FindFirstEqual(key);
    return i < 0 ? nullptr : &i_val[static_cast<size_t>(i)];
  }
  const RValue *FindPrevious(const RValue &key) const;
  const RValue *FindNext(const RValue &key) const;
  const RValue *First() const { return i_key.empty() ? nullptr : &i_key.front(); }
  const RValue *Last() const { return i_key.empty() ? nullptr : &i_key.back(); }

  std::string WriteToString() const;
  EDsRead ReadFromString(std::string_view text);

  // Whether the fast lookups are in use (tests).
  bool InExactOrder() const { return m_exact; }

private:
  // The place of the first key equal to this one, -1 when none.
  int32_t FindFirstEqual(const RValue &key) const {
    if (m_exact) {
      if (const int32_t at = WholeKeyPlace(key); at >= 0) return at;
    }
    return SearchFirstEqual(key);
  }
  // Whole-number keys without gaps (ids, counters, a map used as an array)
  // stand at their distance from the first key: one look there, proved by
  // the entry and the one before it as a hint is, needs neither a hash nor
  // a search. -1 when the key does not stand there (or is no real, or the
  // precision is 0, when only the full comparison decides).
  // This is the real case of the check a hint gets (FirstEqualAt), written
  // out here because it runs in line in every lookup. (Reals stand before
  // texts in exact order, so an entry before a real is a real.)
  int32_t WholeKeyPlace(const RValue &key) const {
    const size_t n = i_key.size();
    const double eps = ds_detail::g_precision;
    if (key.kind != RValue::kReal || n == 0 || !(eps > 0)) return -1;
    const RValue *keys = i_key.data();
    const double k = key.val;
    const double offset = k - keys[0].val;
    if (!(offset >= 0 && offset < static_cast<double>(static_cast<int64_t>(n)))) return -1;
    // Whatever the offset's fraction, the neighbours below prove or refute
    // the place.
    const auto at = static_cast<int32_t>(offset);
    const RValue &e = keys[at];
    if (e.kind != RValue::kReal || !(std::fabs(e.val - k) <= eps)) return -1;
    if (at > 0 && !(k - keys[at - 1].val > eps)) return -1;
    return at;
  }
  int32_t SearchFirstEqual(const RValue &key) const;  // -1 when none
  int32_t FirstNotBelow(const RValue &key) const;    // size when none
  int32_t SearchNotBelow(const RValue &key, uint64_t hash, size_t hint) const;
  int32_t FirstAbove(const RValue &key) const;       // size when none
  void CheckExactOrder();
  void ForgetHints() const;
  int32_t *HintSlot(uint64_t hash) const;             // null when none
  void RememberHint(uint64_t hash, int32_t pos) const;
  bool m_exact = true;

  // Open addressing by the key's hash; pos < 0 marks a free slot. Holds only
  // keys that were found, and is emptied once deleted keys outnumber the live
  // ones, so it never grows beyond a few slots per entry.
  // The slot comes from the hash's top bits, the tag is its low half.
  struct RHint {
    uint32_t tag;
    int32_t pos;
  };
  mutable std::vector<RHint> m_hints;  // empty, or a power of two slots
  mutable size_t m_hintCount = 0;
  mutable int m_hintShift = 64;
};

// Values with their priorities, in storage order (unsorted).
class CDS_Priority {
public:
  static constexpr int32_t kTextKind = 501;
  std::vector<RValue> i_val;
  std::vector<RValue> i_priority;

  int32_t Size() const { return static_cast<int32_t>(i_val.size()); }
  void Clear() { i_val.clear(); i_priority.clear(); }
  void Assign(const CDS_Priority &source) { i_val = source.i_val; i_priority = source.i_priority; }
  void Add(const RValue &value, const RValue &priority);
  bool ChangePriority(const RValue &value, const RValue &priority);
  const RValue *FindPriority(const RValue &value) const;
  bool DeleteValue(const RValue &value);
  // The lowest (highest) priority's position, the earliest on ties; -1 when empty.
  int32_t MinIndex() const;
  int32_t MaxIndex() const;
  // Removes the entry; the last one moves into its place.
  void DeleteAt(int32_t index);

  std::string WriteToString() const;
  EDsRead ReadFromString(std::string_view text);
};

// Cell operations.
enum class EGridOp { kSet, kAdd, kMultiply };
// Aggregates over the real cells of a region.
enum class EGridAggregate { kSum, kMax, kMin, kMean };

// i_w columns of i_h cells, stored column after column: cell (x, y) is
// i_val[x * i_h + y].
class CDS_Grid {
public:
  static constexpr int32_t kTextKind = 601;
  // The most cells a grid may have (about 800 MB of values); larger sizes
  // are refused instead of exhausting the machine.
  static constexpr int64_t kMaxCells = int64_t(1) << 25;

  int32_t i_w = 0;
  int32_t i_h = 0;
  std::vector<RValue> i_val;

  // Negative sizes count as 0. False (and nothing changed) beyond kMaxCells.
  bool Create(int64_t w, int64_t h);
  bool Resize(int64_t w, int64_t h);
  void Assign(const CDS_Grid &source);
  void Fill(const RValue &value);

  bool Inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < i_w && y < i_h; }
  RValue &Cell(int32_t x, int32_t y) { return i_val[static_cast<size_t>(x) * static_cast<size_t>(i_h) + y]; }
  const RValue &Cell(int32_t x, int32_t y) const {
    return i_val[static_cast<size_t>(x) * static_cast<size_t>(i_h) + y];
  }

  static void Apply(EGridOp op, RValue &cell, const RValue &value);
  void CellOp(EGridOp op, int64_t x, int64_t y, const RValue &value);
  void RegionOp(EGridOp op, int64_t x1, int64_t y1, int64_t x2, int64_t y2, const RValue &value);
  void DiskOp(EGridOp op, double xm, double ym, double r, const RValue &value);
  // Applies every cell of the source rectangle to the cell at the same
  // offset from (xpos, ypos); the source may be this grid.
  void GridRegionOp(EGridOp op, const CDS_Grid &source, int64_t x1, int64_t y1, int64_t x2, int64_t y2,
                    int64_t xpos, int64_t ypos);

  double Aggregate(EGridAggregate what, int64_t x1, int64_t y1, int64_t x2, int64_t y2) const;
  double DiskAggregate(EGridAggregate what, double xm, double ym, double r) const;
  // The first cell equal to the value, x outer and y inner.
  bool FindValue(const RValue &value, int64_t x1, int64_t y1, int64_t x2, int64_t y2, int32_t &x,
                 int32_t &y) const;
  bool FindValueDisk(const RValue &value, double xm, double ym, double r, int32_t &x, int32_t &y) const;

  void Shuffle();

  std::string WriteToString() const;
  EDsRead ReadFromString(std::string_view text);
};
