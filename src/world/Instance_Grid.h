// The collision index: the active instances of the current room entered in
// a uniform grid of square cells under their bounding boxes, so that a
// question about one place looks only at the instances whose boxes come
// near it instead of at every instance of the room.
//
// A grid rather than a sweep over sorted boxes: instances move a little
// every step, and moving one in a grid is a look at its new cell range
// (most steps it is the same) where a sorted list would shift entries. Boxes
// of one game are mostly of a few similar sizes, which a grid sized to them
// serves well; the few boxes that would cover many cells sit in a list of
// their own that every search reads, and boxes wholly outside the room's
// area (instances without a sprite among them) in another that only
// searches reaching outside read.
//
// Upkeep is lazy: an instance whose box changes joins a list and is moved
// in the grid by the next search. Any change of the room's set of instances
// (removal, activation, a new room, a loaded game) drops the grid, and the
// next search builds it again. The index answers only which boxes overlap a
// region; the exact tests and the order of the answers stay with the
// callers (Instance_Place.h, the collision events).
#pragma once

#include <cstdint>
#include <vector>

#include "data/Sprite_Mask.h"

class CInstance;
class CRoom;

// A region of the room in whole pixels, both ends included.
struct RPixelRegion {
  int64_t left = 0, top = 0, right = -1, bottom = -1;
};

// The region that a shape's box test can reach: every box for which
// "min x < Right + 1 and max x >= Left" (likewise for y) holds overlaps it.
// False when a coordinate is not a finite number; such shapes are left to
// the walk over every instance.
bool PixelRegion_Of(double x1, double y1, double x2, double y2, RPixelRegion &out);
// The pixels of a box (corners in either order).
RPixelRegion PixelRegion_Of(const RRect &box);

// Whether searches use the index (the default) or walk every instance.
// Tests turn it off to compare the answers of both.
void InstanceGrid_SetEnabled(bool on);
bool InstanceGrid_Enabled();

// Appends to out every active instance of room whose box overlaps region,
// each once, in no particular order (a superset: boxes are compared as
// intervals, the callers' exact tests decide). False, with out untouched,
// when the room is better served by a walk: the index is off or the room
// holds few instances.
bool InstanceGrid_Near(const CRoom &room, const RPixelRegion &region, std::vector<CInstance *> &out);

// The position of inst in list, one of the room's per-object lists (their
// entries follow the instances' list keys); -1 when it is not there.
int32_t InstanceGrid_ListPosition(const std::vector<CInstance *> &list, const CInstance *inst);

// --- upkeep ---------------------------------------------------------------------
// The room's set or order of instances changed: build again when next used.
void InstanceGrid_Invalidate();
// inst was appended to room.
void InstanceGrid_Added(const CRoom &room, CInstance *inst);
// inst's box changed (CInstance::BoxChanged).
void InstanceGrid_Moved(CInstance *inst);
// An instance entered by build `generation` is being freed.
void InstanceGrid_Forget(uint32_t generation);
