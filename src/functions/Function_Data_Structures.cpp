#include "functions/Function_Data_Structures.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Function_Args.h"
#include "functions/Support_Data_Structures.h"

namespace {

// --- the id lists ---------------------------------------------------------------

template <class T>
class CDsStore {
public:
  T *Get(int64_t id) const {
    if (static_cast<uint64_t>(id) >= m_slots.size()) return nullptr;  // negative ids too
    return m_slots[static_cast<size_t>(id)].get();
  }
  // The container of the id last named by exactly these bits, or null.
  // Loops name the same container over and over; the remembered one is
  // there without working out the number.
  T *Remembered(uint64_t bits) const { return bits == m_lastBits ? m_last : nullptr; }
  void Remember(uint64_t bits, T *ds) const {
    m_lastBits = bits;
    m_last = ds;
  }
  // The first empty slot, or a new one at the end.
  int32_t Add(std::unique_ptr<T> ds) {
    while (m_free < m_slots.size() && m_slots[m_free]) ++m_free;
    if (m_free == m_slots.size()) m_slots.emplace_back();
    m_slots[m_free] = std::move(ds);
    return static_cast<int32_t>(m_free);
  }
  bool Destroy(int64_t id) {
    if (!Get(id)) return false;
    Forget();
    m_slots[static_cast<size_t>(id)].reset();
    if (static_cast<size_t>(id) < m_free) m_free = static_cast<size_t>(id);
    return true;
  }
  void Reset() {
    Forget();
    m_slots.clear();
    m_free = 0;
  }
  size_t SlotCount() const { return m_slots.size(); }

private:
  void Forget() const { m_last = nullptr; }

  std::vector<std::unique_ptr<T>> m_slots;
  size_t m_free = 0;  // no empty slot before this one
  mutable uint64_t m_lastBits = 0;
  mutable T *m_last = nullptr;  // null: nothing remembered
};

CDsStore<CDS_Stack> g_stacks;
CDsStore<CDS_Queue> g_queues;
CDsStore<CDS_List> g_lists;
CDsStore<CDS_Map> g_maps;
CDsStore<CDS_Priority> g_priorities;
CDsStore<CDS_Grid> g_grids;

template <class T> CDsStore<T> &Store();
template <> CDsStore<CDS_Stack> &Store() { return g_stacks; }
template <> CDsStore<CDS_Queue> &Store() { return g_queues; }
template <> CDsStore<CDS_List> &Store() { return g_lists; }
template <> CDsStore<CDS_Map> &Store() { return g_maps; }
template <> CDsStore<CDS_Priority> &Store() { return g_priorities; }
template <> CDsStore<CDS_Grid> &Store() { return g_grids; }

// --- arguments ------------------------------------------------------------------

// Ids, positions, sizes and cell coordinates are wide: a wild argument is
// simply out of range, and two of them still add up without overflow.
using fnarg::Num;
using fnarg::Text;
using fnarg::Wide;

// A value as a container keeps it: only the part its kind names. A real
// that once held a text would otherwise carry that text into the
// container's written form.
RValue ArgValue(const RValue &v) { return v.kind == RValue::kReal ? RValue::Real(v.val) : RValue::Str(v.str); }


template <class T>
[[gnu::noinline]] T *RoundedArg(const RValue &id) {
  T *ds = Store<T>().Get(Wide(id));
  if (!ds) ReportActionError(kDsNoSuchIndex, false);
  return ds;
}

// The container the argument names, or null after reporting the error.
template <class T>
[[gnu::always_inline]] inline T *Arg(const RValue &id) {
  // Ids are small whole numbers: those skip the rounding.
  const double d = id.val;
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  const CDsStore<T> &store = Store<T>();
  if (id.kind == RValue::kReal) {
    if (T *ds = store.Remembered(bits)) return ds;
    if (d > -1 && d < 2147483648.0) {
      const auto i = static_cast<int32_t>(d);
      if (static_cast<double>(i) == d) {
        if (T *ds = store.Get(i)) {
          store.Remember(bits, ds);
          return ds;
        }
      }
    }
  }
  return RoundedArg<T>(id);
}

// The result (a fresh real 0, or a value from before) becomes a copy of the
// value; reals without text on either side, the bulk, copy no text.
void SetResult(RValue &result, const RValue *value) {
  if (value == nullptr) return;
  if (result.str.empty() && value->str.empty()) {
    result.kind = value->kind;
    result.val = value->val;
    return;
  }
  result = *value;
}

#define DS_ROUTINE(name) void name(CInstance *, CInstance *, int argc, RValue *args, RValue &result)

// --- every kind -------------------------------------------------------------------

template <class T>
DS_ROUTINE(F_Create) {
  result.SetReal(Store<T>().Add(std::make_unique<T>()));
}

template <class T>
DS_ROUTINE(F_Destroy) {
  if (!Store<T>().Destroy(Wide(args[0]))) ReportActionError(kDsNoSuchIndex, false);
}

template <class T>
DS_ROUTINE(F_Clear) {
  if (T *ds = Arg<T>(args[0])) ds->Clear();
}

template <class T>
DS_ROUTINE(F_Copy) {
  T *ds = Arg<T>(args[0]);
  if (!ds) return;
  const T *source = Arg<T>(args[1]);
  if (source && source != ds) ds->Assign(*source);
}

template <class T>
struct RSize {
  template <class A>
  static void Run(const A &args, RValue &result) {
    if (T *ds = Arg<T>(args[0])) result.SetReal(ds->Size());
  }
};

template <class T>
DS_ROUTINE(F_Empty) {
  if (T *ds = Arg<T>(args[0])) result.SetReal(ds->Size() == 0 ? 1 : 0);
}

template <class T>
DS_ROUTINE(F_Write) {
  if (T *ds = Arg<T>(args[0])) result.SetString(RString(ds->WriteToString()));
}

template <class T>
DS_ROUTINE(F_Read) {
  T *ds = Arg<T>(args[0]);
  if (!ds) return;
  // A text of another kind is passed over in silence; a damaged one is
  // worth telling the game's author about.
  if (ds->ReadFromString(Text(args[1])) == EDsRead::kMalformed) ReportActionError(kDsBadText, false);
}

DS_ROUTINE(F_SetPrecision) { DsSetPrecision(Num(args[0])); }

// --- stacks -----------------------------------------------------------------------

DS_ROUTINE(F_StackPush) {
  if (CDS_Stack *ds = Arg<CDS_Stack>(args[0])) ds->Push(ArgValue(args[1]));
}
DS_ROUTINE(F_StackPop) {
  if (CDS_Stack *ds = Arg<CDS_Stack>(args[0])) ds->Pop(result);
}
DS_ROUTINE(F_StackTop) {
  if (CDS_Stack *ds = Arg<CDS_Stack>(args[0])) ds->Top(result);
}

// --- queues -----------------------------------------------------------------------

DS_ROUTINE(F_QueueEnqueue) {
  if (CDS_Queue *ds = Arg<CDS_Queue>(args[0])) ds->Enqueue(ArgValue(args[1]));
}
DS_ROUTINE(F_QueueDequeue) {
  if (CDS_Queue *ds = Arg<CDS_Queue>(args[0])) ds->Dequeue(result);
}
DS_ROUTINE(F_QueueHead) {
  if (CDS_Queue *ds = Arg<CDS_Queue>(args[0])) ds->Head(result);
}
DS_ROUTINE(F_QueueTail) {
  if (CDS_Queue *ds = Arg<CDS_Queue>(args[0])) ds->Tail(result);
}

// --- lists ------------------------------------------------------------------------

DS_ROUTINE(F_ListAdd) {
  if (CDS_List *ds = Arg<CDS_List>(args[0])) ds->Add(ArgValue(args[1]));
}
DS_ROUTINE(F_ListInsert) {
  if (CDS_List *ds = Arg<CDS_List>(args[0])) ds->Insert(Wide(args[1]), ArgValue(args[2]));
}
DS_ROUTINE(F_ListReplace) {
  if (CDS_List *ds = Arg<CDS_List>(args[0])) ds->Replace(Wide(args[1]), ArgValue(args[2]));
}
DS_ROUTINE(F_ListDelete) {
  if (CDS_List *ds = Arg<CDS_List>(args[0])) ds->Delete(Wide(args[1]));
}
DS_ROUTINE(F_ListFindIndex) {
  if (CDS_List *ds = Arg<CDS_List>(args[0])) result.SetReal(ds->FindIndex(args[1]));
}
struct RListFindValue {
  template <class A>
  static void Run(const A &args, RValue &result) {
    if (CDS_List *ds = Arg<CDS_List>(args[0])) SetResult(result, ds->FindValue(Wide(args[1])));
  }
};
DS_ROUTINE(F_ListSort) {
  if (CDS_List *ds = Arg<CDS_List>(args[0])) ds->Sort(fnarg::Bool(args[1]));
}
DS_ROUTINE(F_ListShuffle) {
  if (CDS_List *ds = Arg<CDS_List>(args[0])) ds->Shuffle();
}

// --- maps -------------------------------------------------------------------------

DS_ROUTINE(F_MapAdd) {
  if (CDS_Map *ds = Arg<CDS_Map>(args[0])) ds->Add(ArgValue(args[1]), ArgValue(args[2]));
}
DS_ROUTINE(F_MapReplace) {
  if (CDS_Map *ds = Arg<CDS_Map>(args[0])) ds->Replace(args[1], ArgValue(args[2]));
}
DS_ROUTINE(F_MapDelete) {
  if (CDS_Map *ds = Arg<CDS_Map>(args[0])) ds->Delete(args[1]);
}
struct RMapExists {
  template <class A>
  static void Run(const A &args, RValue &result) {
    if (CDS_Map *ds = Arg<CDS_Map>(args[0])) result.SetReal(ds->Exists(args[1]) ? 1 : 0);
  }
};
struct RMapFindValue {
  template <class A>
  static void Run(const A &args, RValue &result) {
    if (CDS_Map *ds = Arg<CDS_Map>(args[0])) SetResult(result, ds->FindValue(args[1]));
  }
};
DS_ROUTINE(F_MapFindPrevious) {
  if (CDS_Map *ds = Arg<CDS_Map>(args[0])) SetResult(result, ds->FindPrevious(args[1]));
}
DS_ROUTINE(F_MapFindNext) {
  if (CDS_Map *ds = Arg<CDS_Map>(args[0])) SetResult(result, ds->FindNext(args[1]));
}
DS_ROUTINE(F_MapFindFirst) {
  if (CDS_Map *ds = Arg<CDS_Map>(args[0])) SetResult(result, ds->First());
}
DS_ROUTINE(F_MapFindLast) {
  if (CDS_Map *ds = Arg<CDS_Map>(args[0])) SetResult(result, ds->Last());
}

// --- priority queues ----------------------------------------------------------------

DS_ROUTINE(F_PriorityAdd) {
  if (CDS_Priority *ds = Arg<CDS_Priority>(args[0])) ds->Add(ArgValue(args[1]), ArgValue(args[2]));
}
DS_ROUTINE(F_PriorityChangePriority) {
  if (CDS_Priority *ds = Arg<CDS_Priority>(args[0])) ds->ChangePriority(args[1], ArgValue(args[2]));
}
DS_ROUTINE(F_PriorityFindPriority) {
  if (CDS_Priority *ds = Arg<CDS_Priority>(args[0])) SetResult(result, ds->FindPriority(args[1]));
}
DS_ROUTINE(F_PriorityDeleteValue) {
  if (CDS_Priority *ds = Arg<CDS_Priority>(args[0])) ds->DeleteValue(args[1]);
}

template <bool kMin, bool kDelete>
DS_ROUTINE(F_PriorityExtreme) {
  CDS_Priority *ds = Arg<CDS_Priority>(args[0]);
  if (!ds) return;
  const int32_t i = kMin ? ds->MinIndex() : ds->MaxIndex();
  if (i < 0) return;
  result = ds->i_val[static_cast<size_t>(i)];
  if constexpr (kDelete) ds->DeleteAt(i);
}

// --- grids --------------------------------------------------------------------------

DS_ROUTINE(F_GridCreate) {
  auto grid = std::make_unique<CDS_Grid>();
  if (!grid->Create(Wide(args[0]), Wide(args[1]))) {
    ReportActionError(kDsGridTooLarge, false);
    result.SetReal(-1);
    return;
  }
  result.SetReal(g_grids.Add(std::move(grid)));
}

DS_ROUTINE(F_GridResize) {
  CDS_Grid *ds = Arg<CDS_Grid>(args[0]);
  if (ds && !ds->Resize(Wide(args[1]), Wide(args[2]))) ReportActionError(kDsGridTooLarge, false);
}

DS_ROUTINE(F_GridWidth) {
  if (CDS_Grid *ds = Arg<CDS_Grid>(args[0])) result.SetReal(ds->i_w);
}
DS_ROUTINE(F_GridHeight) {
  if (CDS_Grid *ds = Arg<CDS_Grid>(args[0])) result.SetReal(ds->i_h);
}
DS_ROUTINE(F_GridClear) {
  if (CDS_Grid *ds = Arg<CDS_Grid>(args[0])) ds->Fill(ArgValue(args[1]));
}

template <EGridOp kOp>
DS_ROUTINE(F_GridCell) {
  if (CDS_Grid *ds = Arg<CDS_Grid>(args[0])) ds->CellOp(kOp, Wide(args[1]), Wide(args[2]), ArgValue(args[3]));
}

template <EGridOp kOp>
DS_ROUTINE(F_GridRegion) {
  if (CDS_Grid *ds = Arg<CDS_Grid>(args[0]))
    ds->RegionOp(kOp, Wide(args[1]), Wide(args[2]), Wide(args[3]), Wide(args[4]), ArgValue(args[5]));
}

template <EGridOp kOp>
DS_ROUTINE(F_GridDisk) {
  if (CDS_Grid *ds = Arg<CDS_Grid>(args[0]))
    ds->DiskOp(kOp, Num(args[1]), Num(args[2]), Num(args[3]), ArgValue(args[4]));
}

template <EGridOp kOp>
DS_ROUTINE(F_GridGridRegion) {
  CDS_Grid *ds = Arg<CDS_Grid>(args[0]);
  if (!ds) return;
  const CDS_Grid *source = Arg<CDS_Grid>(args[1]);
  if (!source) return;
  ds->GridRegionOp(kOp, *source, Wide(args[2]), Wide(args[3]), Wide(args[4]), Wide(args[5]),
                   Wide(args[6]), Wide(args[7]));
}

struct RGridGet {
  template <class A>
  static void Run(const A &args, RValue &result) {
    CDS_Grid *ds = Arg<CDS_Grid>(args[0]);
    if (!ds) return;
    const int64_t x = Wide(args[1]), y = Wide(args[2]);
    if (ds->Inside(x, y)) result = ds->Cell(static_cast<int32_t>(x), static_cast<int32_t>(y));
  }
};

template <EGridAggregate kWhat>
DS_ROUTINE(F_GridAggregate) {
  if (CDS_Grid *ds = Arg<CDS_Grid>(args[0]))
    result.SetReal(ds->Aggregate(kWhat, Wide(args[1]), Wide(args[2]), Wide(args[3]), Wide(args[4])));
}

template <EGridAggregate kWhat>
DS_ROUTINE(F_GridDiskAggregate) {
  if (CDS_Grid *ds = Arg<CDS_Grid>(args[0]))
    result.SetReal(ds->DiskAggregate(kWhat, Num(args[1]), Num(args[2]), Num(args[3])));
}

// 0 whether found, 1 its x, 2 its y.
template <int kWhich>
DS_ROUTINE(F_GridValue) {
  CDS_Grid *ds = Arg<CDS_Grid>(args[0]);
  if (!ds) return;
  int32_t x = 0, y = 0;
  const bool found = ds->FindValue(args[5], Wide(args[1]), Wide(args[2]), Wide(args[3]), Wide(args[4]), x, y);
  if (!found) return;
  result.SetReal(kWhich == 0 ? 1 : (kWhich == 1 ? x : y));
}

template <int kWhich>
DS_ROUTINE(F_GridValueDisk) {
  CDS_Grid *ds = Arg<CDS_Grid>(args[0]);
  if (!ds) return;
  int32_t x = 0, y = 0;
  const bool found = ds->FindValueDisk(args[4], Num(args[1]), Num(args[2]), Num(args[3]), x, y);
  if (!found) return;
  result.SetReal(kWhich == 0 ? 1 : (kWhich == 1 ? x : y));
}

DS_ROUTINE(F_GridShuffle) {
  if (CDS_Grid *ds = Arg<CDS_Grid>(args[0])) ds->Shuffle();
}

#undef DS_ROUTINE

struct RDsFunction {
  const char *name;
  TRoutine routine;
  int32_t argc;
  TDirectRoutine direct = nullptr;
};

// The routines that only read, with their direct forms.
#define DS_READER(F, argc) ReaderRoutine<F>, argc, ReaderDirect<F>

// In the order of the built-in function table.
const RDsFunction kFunctions[] = {
    {"ds_set_precision", F_SetPrecision, 1},
    {"ds_stack_create", F_Create<CDS_Stack>, 0},
    {"ds_queue_create", F_Create<CDS_Queue>, 0},
    {"ds_list_create", F_Create<CDS_List>, 0},
    {"ds_map_create", F_Create<CDS_Map>, 0},
    {"ds_priority_create", F_Create<CDS_Priority>, 0},
    {"ds_grid_create", F_GridCreate, 2},
    {"ds_stack_destroy", F_Destroy<CDS_Stack>, 1},
    {"ds_stack_clear", F_Clear<CDS_Stack>, 1},
    {"ds_stack_copy", F_Copy<CDS_Stack>, 2},
    {"ds_stack_size", DS_READER(RSize<CDS_Stack>, 1)},
    {"ds_stack_empty", F_Empty<CDS_Stack>, 1},
    {"ds_stack_write", F_Write<CDS_Stack>, 1},
    {"ds_stack_read", F_Read<CDS_Stack>, 2},
    {"ds_queue_destroy", F_Destroy<CDS_Queue>, 1},
    {"ds_queue_clear", F_Clear<CDS_Queue>, 1},
    {"ds_queue_copy", F_Copy<CDS_Queue>, 2},
    {"ds_queue_size", DS_READER(RSize<CDS_Queue>, 1)},
    {"ds_queue_empty", F_Empty<CDS_Queue>, 1},
    {"ds_queue_write", F_Write<CDS_Queue>, 1},
    {"ds_queue_read", F_Read<CDS_Queue>, 2},
    {"ds_list_destroy", F_Destroy<CDS_List>, 1},
    {"ds_list_clear", F_Clear<CDS_List>, 1},
    {"ds_list_copy", F_Copy<CDS_List>, 2},
    {"ds_list_size", DS_READER(RSize<CDS_List>, 1)},
    {"ds_list_empty", F_Empty<CDS_List>, 1},
    {"ds_list_write", F_Write<CDS_List>, 1},
    {"ds_list_read", F_Read<CDS_List>, 2},
    {"ds_map_destroy", F_Destroy<CDS_Map>, 1},
    {"ds_map_clear", F_Clear<CDS_Map>, 1},
    {"ds_map_copy", F_Copy<CDS_Map>, 2},
    {"ds_map_size", DS_READER(RSize<CDS_Map>, 1)},
    {"ds_map_empty", F_Empty<CDS_Map>, 1},
    {"ds_map_write", F_Write<CDS_Map>, 1},
    {"ds_map_read", F_Read<CDS_Map>, 2},
    {"ds_priority_destroy", F_Destroy<CDS_Priority>, 1},
    {"ds_priority_clear", F_Clear<CDS_Priority>, 1},
    {"ds_priority_copy", F_Copy<CDS_Priority>, 2},
    {"ds_priority_size", DS_READER(RSize<CDS_Priority>, 1)},
    {"ds_priority_empty", F_Empty<CDS_Priority>, 1},
    {"ds_priority_write", F_Write<CDS_Priority>, 1},
    {"ds_priority_read", F_Read<CDS_Priority>, 2},
    {"ds_grid_destroy", F_Destroy<CDS_Grid>, 1},
    {"ds_grid_copy", F_Copy<CDS_Grid>, 2},
    {"ds_grid_write", F_Write<CDS_Grid>, 1},
    {"ds_grid_read", F_Read<CDS_Grid>, 2},
    {"ds_stack_push", F_StackPush, 2},
    {"ds_stack_pop", F_StackPop, 1},
    {"ds_stack_top", F_StackTop, 1},
    {"ds_queue_enqueue", F_QueueEnqueue, 2},
    {"ds_queue_dequeue", F_QueueDequeue, 1},
    {"ds_queue_head", F_QueueHead, 1},
    {"ds_queue_tail", F_QueueTail, 1},
    {"ds_list_add", F_ListAdd, 2},
    {"ds_list_insert", F_ListInsert, 3},
    {"ds_list_replace", F_ListReplace, 3},
    {"ds_list_delete", F_ListDelete, 2},
    {"ds_list_find_index", F_ListFindIndex, 2},
    {"ds_list_find_value", DS_READER(RListFindValue, 2)},
    {"ds_list_sort", F_ListSort, 2},
    {"ds_list_shuffle", F_ListShuffle, 1},
    {"ds_map_add", F_MapAdd, 3},
    {"ds_map_replace", F_MapReplace, 3},
    {"ds_map_delete", F_MapDelete, 2},
    {"ds_map_exists", DS_READER(RMapExists, 2)},
    {"ds_map_find_value", DS_READER(RMapFindValue, 2)},
    {"ds_map_find_previous", F_MapFindPrevious, 2},
    {"ds_map_find_next", F_MapFindNext, 2},
    {"ds_map_find_first", F_MapFindFirst, 1},
    {"ds_map_find_last", F_MapFindLast, 1},
    {"ds_priority_add", F_PriorityAdd, 3},
    {"ds_priority_change_priority", F_PriorityChangePriority, 3},
    {"ds_priority_find_priority", F_PriorityFindPriority, 2},
    {"ds_priority_delete_value", F_PriorityDeleteValue, 2},
    {"ds_priority_delete_min", F_PriorityExtreme<true, true>, 1},
    {"ds_priority_find_min", F_PriorityExtreme<true, false>, 1},
    {"ds_priority_delete_max", F_PriorityExtreme<false, true>, 1},
    {"ds_priority_find_max", F_PriorityExtreme<false, false>, 1},
    {"ds_grid_resize", F_GridResize, 3},
    {"ds_grid_width", F_GridWidth, 1},
    {"ds_grid_height", F_GridHeight, 1},
    {"ds_grid_clear", F_GridClear, 2},
    {"ds_grid_set", F_GridCell<EGridOp::kSet>, 4},
    {"ds_grid_add", F_GridCell<EGridOp::kAdd>, 4},
    {"ds_grid_multiply", F_GridCell<EGridOp::kMultiply>, 4},
    {"ds_grid_set_region", F_GridRegion<EGridOp::kSet>, 6},
    {"ds_grid_add_region", F_GridRegion<EGridOp::kAdd>, 6},
    {"ds_grid_multiply_region", F_GridRegion<EGridOp::kMultiply>, 6},
    {"ds_grid_set_disk", F_GridDisk<EGridOp::kSet>, 5},
    {"ds_grid_add_disk", F_GridDisk<EGridOp::kAdd>, 5},
    {"ds_grid_multiply_disk", F_GridDisk<EGridOp::kMultiply>, 5},
    {"ds_grid_set_grid_region", F_GridGridRegion<EGridOp::kSet>, 8},
    {"ds_grid_add_grid_region", F_GridGridRegion<EGridOp::kAdd>, 8},
    {"ds_grid_multiply_grid_region", F_GridGridRegion<EGridOp::kMultiply>, 8},
    {"ds_grid_get", DS_READER(RGridGet, 3)},
    {"ds_grid_get_sum", F_GridAggregate<EGridAggregate::kSum>, 5},
    {"ds_grid_get_max", F_GridAggregate<EGridAggregate::kMax>, 5},
    {"ds_grid_get_min", F_GridAggregate<EGridAggregate::kMin>, 5},
    {"ds_grid_get_mean", F_GridAggregate<EGridAggregate::kMean>, 5},
    {"ds_grid_get_disk_sum", F_GridDiskAggregate<EGridAggregate::kSum>, 4},
    {"ds_grid_get_disk_max", F_GridDiskAggregate<EGridAggregate::kMax>, 4},
    {"ds_grid_get_disk_min", F_GridDiskAggregate<EGridAggregate::kMin>, 4},
    {"ds_grid_get_disk_mean", F_GridDiskAggregate<EGridAggregate::kMean>, 4},
    {"ds_grid_value_exists", F_GridValue<0>, 6},
    {"ds_grid_value_x", F_GridValue<1>, 6},
    {"ds_grid_value_y", F_GridValue<2>, 6},
    {"ds_grid_value_disk_exists", F_GridValueDisk<0>, 5},
    {"ds_grid_value_disk_x", F_GridValueDisk<1>, 5},
    {"ds_grid_value_disk_y", F_GridValueDisk<2>, 5},
    {"ds_grid_shuffle", F_GridShuffle, 1},
};

#undef DS_READER

}  // namespace

void Function_Data_Structures_Init() {
  for (const RDsFunction &f : kFunctions) FunctionAdd(f.name, f.routine, f.argc, f.direct);
}

void DsResetAll() {
  g_stacks.Reset();
  g_queues.Reset();
  g_lists.Reset();
  g_maps.Reset();
  g_priorities.Reset();
  g_grids.Reset();
  DsSetPrecision(kDsDefaultPrecision);
}

CDS_Stack *DsStack(int64_t id) { return g_stacks.Get(id); }

namespace {
template <class T>
void AppendState(std::string &out, char kind) {
  const CDsStore<T> &store = Store<T>();
  for (size_t id = 0; id < store.SlotCount(); ++id) {
    const T *ds = store.Get(static_cast<int64_t>(id));
    if (ds == nullptr) continue;
    out += kind;
    out += std::to_string(id);
    out += ':';
    out += ds->WriteToString();
    out += '\n';
  }
}
}  // namespace

std::string DsStateText() {
  std::string out;
  AppendState<CDS_Stack>(out, 's');
  AppendState<CDS_Queue>(out, 'q');
  AppendState<CDS_List>(out, 'l');
  AppendState<CDS_Map>(out, 'm');
  AppendState<CDS_Priority>(out, 'p');
  AppendState<CDS_Grid>(out, 'g');
  return out;
}
CDS_Queue *DsQueue(int64_t id) { return g_queues.Get(id); }
CDS_List *DsList(int64_t id) { return g_lists.Get(id); }
CDS_Map *DsMap(int64_t id) { return g_maps.Get(id); }
CDS_Priority *DsPriority(int64_t id) { return g_priorities.Get(id); }
CDS_Grid *DsGrid(int64_t id) { return g_grids.Get(id); }
