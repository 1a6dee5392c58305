// Records kept as they are, unread: each is kept as the bytes its item stream holds after the name, so that a game
// loads completely, its lists have the right slots and names, and the packer
// can write any record it builds itself. A kind's own reader replaces its
// list here once it exists.
#pragma once

#include <cstdint>
#include <vector>

#include "base/Resource_Items.h"

class CRawRecord {
public:
  std::vector<uint8_t> bytes;

  // Takes the rest of the item stream; never fails.
  bool LoadFromStream(CStream &stream);
  void SaveToStream(CStream &stream) const;
  // The record version, the first integer of nearly every record (0 when the
  // record is shorter than an integer).
  int32_t Version() const;
};

using RRawList = RResourceList<CRawRecord>;

// Named-item sections (version 800, count, item streams) into a raw list.
bool RawSection_Load(CStream &stream, RRawList &list);
void RawSection_Save(CStream &stream, const RRawList &list);
