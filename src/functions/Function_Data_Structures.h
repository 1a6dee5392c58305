// The ds_* functions: the ids of stacks, queues, lists, maps, priority
// queues and grids, and the built-in routines that reach them.
//
// Each kind keeps its own list of containers; an id is a slot of that list.
// Creating takes the first empty slot (or appends), destroying empties the
// slot, so ids are reused.
#pragma once

#include <string>

#include <cstdint>

class CDS_Stack;
class CDS_Queue;
class CDS_List;
class CDS_Map;
class CDS_Priority;
class CDS_Grid;

// The non-fatal error of every ds_* function given an id that names no
// container of its kind.
inline constexpr const char *kDsNoSuchIndex = "Data structure with index does not exist.";
// A ds_*_read text that is not a complete record of its kind (our own
// message: the container keeps its content).
inline constexpr const char *kDsBadText = "Data structure text is damaged and cannot be read.";
// A grid larger than the runner can hold (our own message).
inline constexpr const char *kDsGridTooLarge = "Grid size is too large.";

// Registers every ds_* function in the built-in function table.
void Function_Data_Structures_Init();

// Destroys every container and sets the precision back to its initial
// value (a new process, tests).
void DsResetAll();

// Every container as its kind, id and written text, one a line: the state a
// run's digest covers.
std::string DsStateText();

// The container behind an id, or null (no error is reported).
CDS_Stack *DsStack(int64_t id);
CDS_Queue *DsQueue(int64_t id);
CDS_List *DsList(int64_t id);
CDS_Map *DsMap(int64_t id);
CDS_Priority *DsPriority(int64_t id);
CDS_Grid *DsGrid(int64_t id);
