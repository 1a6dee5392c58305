// The shared values: a table every member of a session keeps a copy of,
// indexed 0 .. 1000000, growing as indices are used.
#pragma once

#include <cstdint>

#include "code/Variable_Class.h"

inline constexpr int32_t kSharedMax = 1000000;

// Whether the index names a shared value at all.
inline bool DPlay_SharedIndexValid(int64_t index) { return index >= 0 && index <= kSharedMax; }
// Grows the table to index + 1 entries (new entries real 0) and answers the
// entry; the index must be valid.
RValue &DPlay_SharedAt(int32_t index);
// The local copy at the index (real 0 past the end); the index must be valid.
RValue DPlay_SharedRead(int32_t index);
// Forgets every value.
void DPlay_SharedClear();
