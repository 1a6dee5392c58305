#include "code/Variable_Class.h"

#include "base/Option_Main.h"
#include "base/Support_Stream.h"

#include <unordered_map>

void CVariableList::Assign(const CVariableList &source) {
  if (&source == this) return;
  v_vars = source.v_vars;  // values share their text, rows are copied
  m_last = -1;
}

const RVariable *CVariableList::FindSlow(int32_t var_ind) const {
  for (int32_t i = Count() - 1; i >= 0; --i) {
    if (v_vars[static_cast<size_t>(i)].ind == var_ind) {
      m_last = i;
      return &v_vars[static_cast<size_t>(i)];
    }
  }
  return nullptr;
}

RVariable &CVariableList::Add(int32_t var_ind) {
  RVariable &v = v_vars.emplace_back();
  v.ind = var_ind;
  m_last = Count() - 1;
  return v;
}

RValue &VariableCellRef(RVariable &var, int32_t arr_ind) {
  // Negative combined indices never come from the interpreter (it checks
  // each component); they land on cell 0 rather than outside the array.
  if (arr_ind <= 0) return var.simplevalue;
  const size_t row = static_cast<size_t>(arr_ind / kArrayDim);
  const size_t col = static_cast<size_t>(arr_ind % kArrayDim);
  if (var.value.size() <= row) var.value.resize(row + 1);
  std::vector<RValue> &r = var.value[row];
  // Arrays are mostly filled in order: growing by one is the common case.
  if (r.size() == col) return r.emplace_back();
  if (r.size() < col) r.resize(col + 1);
  return r[col];
}

RValue &CVariableList::CellRef(int32_t var_ind, int32_t arr_ind) {
  RVariable *v = Find(var_ind);
  if (!v) v = &Add(var_ind);
  return VariableCellRef(*v, arr_ind);
}

void CVariableList::SetVar(int32_t var_ind, int32_t arr_ind, const RValue &value) {
  // Copy first: value may live in this very list and move when it grows.
  RValue copy = value;
  CellRef(var_ind, arr_ind) = std::move(copy);
}

bool CVariableList::GetVar(int32_t var_ind, int32_t arr_ind, RValue &value) const {
  if (const RValue *cell = Cell(var_ind, arr_ind)) {
    value = *cell;
    return true;
  }
  if (g_Settings.opt_uninitzero) {
    value.kind = RValue::kReal;
    value.val = 0.0;
    return true;
  }
  return false;
}

void CVariableList::Init(int32_t var_ind) {
  if (!Find(var_ind)) Add(var_ind);
}

void WriteValueRecord(CStream &stream, const RValue &value) {
  stream.WriteInteger(value.kind);
  stream.WriteReal(value.val);
  stream.WriteString(value.str.view());
}

RValue ReadValueRecord(CStream &stream) {
  RValue v;
  const int32_t kind = stream.ReadInteger();
  v.val = stream.ReadReal();
  v.str = RString(stream.ReadString());
  // Only the two kinds exist; anything else in a damaged file reads as a real
  // so that no operator meets a kind it does not know.
  v.kind = kind == RValue::kString ? RValue::kString : RValue::kReal;
  return v;
}

void CVariableList::SaveToStream(CStream &stream) const {
  stream.WriteInteger(kStreamVersion);
  stream.WriteInteger(Count());
  for (const RVariable &v : v_vars) {
    stream.WriteInteger(v.ind);
    WriteValueRecord(stream, v.simplevalue);
    stream.WriteInteger(static_cast<int32_t>(v.value.size()));
    for (const std::vector<RValue> &row : v.value) {
      stream.WriteInteger(static_cast<int32_t>(row.size()));
      for (const RValue &cell : row) WriteValueRecord(stream, cell);
    }
  }
}

namespace {
// A count read from a file: every element takes at least one byte more, so a
// count beyond the bytes left is corrupt data, not a reason to allocate.
int32_t ReadCount(CStream &stream) {
  const int32_t n = stream.ReadInteger();
  if (n < 0) throw EStreamError("Negative count in a variable list.");
  if (n > stream.Size() - stream.Position()) throw EStreamError("Count beyond the end of a variable list.");
  return n;
}
}  // namespace

bool CVariableList::LoadFromStream(CStream &stream) {
  Clear();
  if (stream.ReadInteger() != kStreamVersion) return false;
  const int32_t count = ReadCount(stream);
  std::vector<RVariable> vars;
  vars.reserve(static_cast<size_t>(count));
  std::unordered_map<int32_t, size_t> seen;
  for (int32_t i = 0; i < count; ++i) {
    RVariable v;
    v.ind = stream.ReadInteger();
    v.simplevalue = ReadValueRecord(stream);
    const int32_t rows = ReadCount(stream);
    v.value.resize(static_cast<size_t>(rows));
    for (int32_t r = 0; r < rows; ++r) {
      const int32_t cells = ReadCount(stream);
      std::vector<RValue> &row = v.value[static_cast<size_t>(r)];
      row.reserve(static_cast<size_t>(cells));
      for (int32_t c = 0; c < cells; ++c) row.push_back(ReadValueRecord(stream));
    }
    // One variable per index: a repeated index in a damaged record replaces
    // the earlier one instead of hiding it.
    auto [it, added] = seen.emplace(v.ind, vars.size());
    if (added) vars.push_back(std::move(v));
    else vars[it->second] = std::move(v);
  }
  v_vars = std::move(vars);
  m_last = -1;
  return true;
}
