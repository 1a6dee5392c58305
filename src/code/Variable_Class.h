// The script language's value and variable storage.
#pragma once

#include <cstdint>
#include <string_view>

#include "code/Value_String.h"

// The only value of the script language: a real or a string. Copied by
// value; the text is shared. Only the field selected by kind is meaningful:
// a value turned into a real keeps whatever text it had, and nothing reads
// that stale text as the value. A text the language makes carries 0 in its
// real field, so no stale number travels with it either.
struct RValue {
  static constexpr int32_t kReal = 0;
  static constexpr int32_t kString = 1;

  int32_t kind = kReal;
  double val = 0.0;
  RString str;

  RValue() = default;
  static RValue Real(double v) { RValue r; r.val = v; return r; }
  static RValue Str(RString s) { RValue r; r.kind = kString; r.str = std::move(s); return r; }

  bool IsReal() const { return kind == kReal; }
  bool IsString() const { return kind == kString; }
  void SetReal(double v) { kind = kReal; val = v; }
  void SetString(RString s) { kind = kString; val = 0.0; str = std::move(s); }
};

#include <vector>

class CStream;

// Array cells are addressed by one combined index: i for a[i], i*32000+j for
// a[i,j]. Cell 0 is the variable's simple value.
constexpr int32_t kArrayDim = 32000;

// One variable of a list: its index, the simple value (also cell 0) and the
// other cells as jagged rows (row k/32000, column k%32000; row 0 column 0 is
// never used). Each row is only as long as its highest written column + 1.
struct RVariable {
  int32_t ind = 0;
  RValue simplevalue;
  std::vector<std::vector<RValue>> value;
};

// The existing cell of a variable, or null. Never allocates.
inline const RValue *VariableCell(const RVariable &var, int32_t arr_ind) {
  if (arr_ind == 0) return &var.simplevalue;
  if (arr_ind < 0) return nullptr;
  // One-dimensional cells, the most read, all lie in row 0.
  const bool flat = arr_ind < kArrayDim;
  const size_t row = flat ? 0 : static_cast<size_t>(arr_ind / kArrayDim);
  const size_t col = flat ? static_cast<size_t>(arr_ind) : static_cast<size_t>(arr_ind % kArrayDim);
  if (row >= var.value.size()) return nullptr;
  const std::vector<RValue> &r = var.value[row];
  if (col >= r.size()) return nullptr;
  return &r[col];
}
// The cell, created (with any missing rows and cells) when missing.
RValue &VariableCellRef(RVariable &var, int32_t arr_ind);

// The variables of one owner (an instance, the global store, one code
// execution's locals), addressed by variable index. At most one variable per
// index. Lookups go from the newest variable back, with a one-entry cache of
// the last hit since code tends to touch the same variable repeatedly.
class CVariableList {
public:
  static constexpr int32_t kStreamVersion = 440;

  std::vector<RVariable> v_vars;

  int32_t Count() const { return static_cast<int32_t>(v_vars.size()); }
  void Create() { Clear(); }
  void Clear() { v_vars.clear(); m_last = -1; }
  // Deep copy of the source's variables, values and rows.
  void Assign(const CVariableList &source);

  // Stores a copy of value in the cell, creating the variable (simple value
  // real 0) and any missing rows and cells first.
  void SetVar(int32_t var_ind, int32_t arr_ind, const RValue &value);
  // Copies the cell into value and answers true. A missing variable or cell
  // answers false and leaves value alone, unless opt_uninitzero is on: then
  // value becomes real 0 and the answer is true. Never allocates.
  bool GetVar(int32_t var_ind, int32_t arr_ind, RValue &value) const;
  // Creates the variable with simple value real 0 when it does not exist.
  void Init(int32_t var_ind);

  // Lower-level access for the interpreter (no opt_uninitzero substitution):
  // the variable, or null.
  const RVariable *Find(int32_t var_ind) const {
    // Compared as places, not counts: the count of a vector of variables
    // costs a division.
    if (m_last >= 0) {
      const RVariable *last = v_vars.data() + m_last;
      if (last < v_vars.data() + v_vars.size() && last->ind == var_ind) return last;
    }
    return FindSlow(var_ind);
  }
  RVariable *Find(int32_t var_ind) {
    return const_cast<RVariable *>(static_cast<const CVariableList *>(this)->Find(var_ind));
  }
  // The existing cell, or null. Never allocates.
  const RValue *Cell(int32_t var_ind, int32_t arr_ind) const {
    const RVariable *v = Find(var_ind);
    return v != nullptr ? VariableCell(*v, arr_ind) : nullptr;
  }
  // The cell, created (with its variable, rows and cells) when missing; the
  // reference stays valid until the next change of this list.
  RValue &CellRef(int32_t var_ind, int32_t arr_ind);
  bool Exists(int32_t var_ind) const { return Find(var_ind) != nullptr; }

  // Record: integer 440, count, then per variable its index, simple value,
  // row count and per row its cell count and cells. A value record is the
  // integer kind, the real and the string (written whatever the kind).
  void SaveToStream(CStream &stream) const;
  // Clears first; a version other than 440 leaves the list empty and reads
  // nothing more. Answers whether the version matched. Stream errors rise.
  bool LoadFromStream(CStream &stream);

private:
  const RVariable *FindSlow(int32_t var_ind) const;
  RVariable &Add(int32_t var_ind);
  mutable int32_t m_last = -1;  // position of the last variable found
};

// Value records, shared with other stored lists of values.
void WriteValueRecord(CStream &stream, const RValue &value);
RValue ReadValueRecord(CStream &stream);
