#include "world/TimeLine_Main.h"

#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Function_Args.h"
#include "code/Code_World.h"
#include "world/Event_Main.h"
#include "world/Instance_Class.h"
#include "world/Run_Main.h"

RTimeLineList g_TimeLines;

namespace {
constexpr int32_t kSectionVersion = 800;
}

bool TimeLine_Load(CStream &stream) {
  g_TimeLines.Clear();
  if (stream.ReadInteger() != kSectionVersion) return false;
  return LoadNamedItems(stream, g_TimeLines);
}

void TimeLine_SaveSection(CStream &stream, const RTimeLineList &list) {
  stream.WriteInteger(kSectionVersion);
  SaveNamedItems(stream, list);
}

int TimeLineCount() { return g_TimeLines.Count(); }
bool TimeLineExists(int index) { return g_TimeLines.Exists(index); }
CTimeLine *TimeLineGet(int index) { return g_TimeLines.Get(index); }
const std::string &TimeLineName(int index) { return g_TimeLines.Name(index); }
int TimeLineFind(std::string_view name) { return g_TimeLines.Find(name); }

int TimeLineAdd() {
  const int index = g_TimeLines.Count();
  g_TimeLines.items.push_back(std::make_unique<CTimeLine>());
  g_TimeLines.names.push_back("__newtimeline" + std::to_string(index));
  return index;
}

void TimeLineDelete(int index) {
  if (!g_TimeLines.Exists(index)) return;
  Event_Retire(std::move(g_TimeLines.items[static_cast<size_t>(index)]));
  g_TimeLines.names[static_cast<size_t>(index)].clear();
}

bool TimeLine_CompileAll() {
  for (int i = 0; i < g_TimeLines.Count(); ++i) {
    CTimeLine *tl = g_TimeLines.Get(i);
    if (tl == nullptr) continue;
    g_EventContext.object = i;
    if (!tl->Compile()) return false;
  }
  return true;
}

// ---- playing -----------------------------------------------------------------

void TimeLine_RunMoment(int32_t t, int32_t m, CInstance *inst) {
  const CTimeLine *tl = TimeLineGet(t);
  if (tl == nullptr || m < 0 || m >= tl->Count()) return;
  Event_RunWithContext(*tl->s_event[static_cast<size_t>(m)], inst, inst, t, kEventTimeLine,
                       tl->s_step[static_cast<size_t>(m)]);
}

void TimeLine_StepInstance(CInstance &inst) {
  const int32_t t = inst.i_timelineindex;
  const CTimeLine *tl = TimeLineGet(t);
  if (inst.i_marked || tl == nullptr || tl->Count() == 0 || !inst.i_timelinerunning || inst.i_timelinespeed == 0)
    return;
  // The moments may change the time line (or delete it) while they run, so
  // it is looked up again for each; the indices were fixed before.
  if (inst.i_timelinespeed > 0) {
    const int32_t b = tl->FindLarger(inst.i_timelineposition);
    inst.i_timelineposition += inst.i_timelinespeed;
    const int32_t c = tl->FindLarger(inst.i_timelineposition);
    for (int32_t m = b; m < c; ++m) TimeLine_RunMoment(t, m, &inst);
    tl = TimeLineGet(t);
    if (tl && tl->Count() > 0 && tl->s_step.back() < inst.i_timelineposition && inst.i_timelineloop)
      inst.i_timelineposition = 0;
  } else {
    const int32_t b = tl->FindSmaller(inst.i_timelineposition);
    inst.i_timelineposition += inst.i_timelinespeed;
    const int32_t c = tl->FindSmaller(inst.i_timelineposition);
    for (int32_t m = b; m > c; --m) TimeLine_RunMoment(t, m, &inst);
    tl = TimeLineGet(t);
    if (tl && tl->Count() > 0 && inst.i_timelineposition < 0 && inst.i_timelineloop)
      inst.i_timelineposition = tl->s_step.back();
  }
}

void TimeLine_StepAll() {
  CWorld *world = World();
  if (world == nullptr) return;
  const int count = world->InstanceCount();
  for (int i = 0; i < count && !GameStatePending(); ++i)
    if (CInstance *inst = world->InstanceAt(i)) TimeLine_StepInstance(*inst);
}

// ---- functions ---------------------------------------------------------------

namespace {

constexpr char kMsgDeleteMissing[] = "Trying to delete non-existing timeline.";

using fnarg::Int;
using fnarg::Text;

void F_Name(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetString(RString(TimeLineName(Int(args[0]))));
}

void F_Exists(CInstance *, CInstance *, int, RValue *args, RValue &result) {
  result.SetReal(TimeLineExists(Int(args[0])) ? 1 : 0);
}

void F_Add(CInstance *, CInstance *, int, RValue *, RValue &result) { result.SetReal(TimeLineAdd()); }

void F_Delete(CInstance *, CInstance *, int, RValue *args, RValue &) {
  const int32_t index = Int(args[0]);
  if (!TimeLineExists(index)) {
    ReportActionError(kMsgDeleteMissing, false);
    return;
  }
  TimeLineDelete(index);
}

void F_Clear(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CTimeLine *tl = TimeLineGet(Int(args[0]))) tl->Clear();
}

void F_MomentClear(CInstance *, CInstance *, int, RValue *args, RValue &) {
  if (CTimeLine *tl = TimeLineGet(Int(args[0]))) tl->DeleteMoment(Int(args[1]));
}

void F_MomentAdd(CInstance *, CInstance *, int, RValue *args, RValue &) {
  CTimeLine *tl = TimeLineGet(Int(args[0]));
  if (tl == nullptr) return;
  tl->AddMoment(Int(args[1])).AddCodeAction(Text(args[2])).Compile();
}

}  // namespace

void TimeLine_Main_Init() {
  FunctionAdd("timeline_name", F_Name, 1);
  FunctionAdd("timeline_get_name", F_Name, 1);
  FunctionAdd("timeline_exists", F_Exists, 1);
  FunctionAdd("timeline_add", F_Add, 0);
  FunctionAdd("timeline_delete", F_Delete, 1);
  FunctionAdd("timeline_clear", F_Clear, 1);
  FunctionAdd("timeline_moment_clear", F_MomentClear, 2);
  FunctionAdd("timeline_moment_add", F_MomentAdd, 3);
}
