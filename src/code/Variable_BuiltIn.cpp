#include "code/Variable_BuiltIn.h"


#include <array>
#include <cstdio>
#include <ctime>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "code/Code_Error.h"
#include "code/Variable_Main.h"
#include "base/Option_Main.h"
#include "base/Support_File.h"
#include "base/Support_Wiring.h"

RScriptCallState g_ScriptCall;

namespace {

struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

struct BuiltinTable {
  std::vector<RBuiltinVariable> entries;
  std::unordered_map<std::string, int32_t, NameHash, std::equal_to<>> byName;  // first entry of a name
  // The table's own storage for variables without an owner's access.
  std::vector<std::vector<RValue>> store;
};

BuiltinTable &Table() {
  static BuiltinTable table;
  return table;
}

TBuiltinEventProvider g_EventProvider = nullptr;

const CWiringHook kEventHook("code: the running event for event_type and friends",
                             [] { return g_EventProvider != nullptr; });
RBuiltinEventInfo EventInfo() { return g_EventProvider ? g_EventProvider() : RBuiltinEventInfo{}; }

// The catalogue of built-in variables in index order: name, writable, array.
struct RBuiltinSpec {
  const char *name;
  bool writable;
  bool isArray;
};
constexpr RBuiltinSpec kBuiltins[] = {
    {"x", true, false},
    {"y", true, false},
    {"xprevious", true, false},
    {"yprevious", true, false},
    {"xstart", true, false},
    {"ystart", true, false},
    {"hspeed", true, false},
    {"vspeed", true, false},
    {"direction", true, false},
    {"speed", true, false},
    {"friction", true, false},
    {"gravity", true, false},
    {"gravity_direction", true, false},
    {"object_index", false, false},
    {"id", false, false},
    {"alarm", true, true},
    {"solid", true, false},
    {"visible", true, false},
    {"persistent", true, false},
    {"depth", true, false},
    {"bbox_left", false, false},
    {"bbox_right", false, false},
    {"bbox_top", false, false},
    {"bbox_bottom", false, false},
    {"sprite_index", true, false},
    {"image_index", true, false},
    {"image_single", true, false},
    {"image_number", false, false},
    {"sprite_width", false, false},
    {"sprite_height", false, false},
    {"sprite_xoffset", false, false},
    {"sprite_yoffset", false, false},
    {"image_xscale", true, false},
    {"image_yscale", true, false},
    {"image_angle", true, false},
    {"image_alpha", true, false},
    {"image_blend", true, false},
    {"image_speed", true, false},
    {"mask_index", true, false},
    {"path_index", false, false},
    {"path_position", true, false},
    {"path_positionprevious", true, false},
    {"path_speed", true, false},
    {"path_scale", true, false},
    {"path_orientation", true, false},
    {"path_endaction", true, false},
    {"timeline_index", true, false},
    {"timeline_position", true, false},
    {"timeline_speed", true, false},
    {"timeline_running", true, false},
    {"timeline_loop", true, false},
    {"argument_relative", false, false},
    {"argument0", true, false},
    {"argument1", true, false},
    {"argument2", true, false},
    {"argument3", true, false},
    {"argument4", true, false},
    {"argument5", true, false},
    {"argument6", true, false},
    {"argument7", true, false},
    {"argument8", true, false},
    {"argument9", true, false},
    {"argument10", true, false},
    {"argument11", true, false},
    {"argument12", true, false},
    {"argument13", true, false},
    {"argument14", true, false},
    {"argument15", true, false},
    {"argument", true, true},
    {"argument_count", false, false},
    {"room", true, false},
    {"room_first", false, false},
    {"room_last", false, false},
    {"transition_kind", true, false},
    {"transition_steps", true, false},
    {"score", true, false},
    {"lives", true, false},
    {"health", true, false},
    {"game_id", false, false},
    {"working_directory", false, false},
    {"temp_directory", false, false},
    {"program_directory", false, false},
    {"instance_count", false, false},
    {"instance_id", false, true},
    {"room_width", false, false},
    {"room_height", false, false},
    {"room_caption", true, false},
    {"room_speed", true, false},
    {"room_persistent", true, false},
    {"background_color", true, false},
    {"background_showcolor", true, false},
    {"background_visible", true, true},
    {"background_foreground", true, true},
    {"background_index", true, true},
    {"background_x", true, true},
    {"background_y", true, true},
    {"background_width", false, true},
    {"background_height", false, true},
    {"background_htiled", true, true},
    {"background_vtiled", true, true},
    {"background_xscale", true, true},
    {"background_yscale", true, true},
    {"background_hspeed", true, true},
    {"background_vspeed", true, true},
    {"background_blend", true, true},
    {"background_alpha", true, true},
    {"view_enabled", true, false},
    {"view_current", false, false},
    {"view_visible", true, true},
    {"view_xview", true, true},
    {"view_yview", true, true},
    {"view_wview", true, true},
    {"view_hview", true, true},
    {"view_xport", true, true},
    {"view_yport", true, true},
    {"view_wport", true, true},
    {"view_hport", true, true},
    {"view_angle", true, true},
    {"view_hborder", true, true},
    {"view_vborder", true, true},
    {"view_hspeed", true, true},
    {"view_vspeed", true, true},
    {"view_object", true, true},
    {"mouse_x", false, false},
    {"mouse_y", false, false},
    {"mouse_button", true, false},
    {"mouse_lastbutton", true, false},
    {"keyboard_key", true, false},
    {"keyboard_lastkey", true, false},
    {"keyboard_lastchar", true, false},
    {"keyboard_string", true, false},
    {"cursor_sprite", true, false},
    {"show_score", true, false},
    {"show_lives", true, false},
    {"show_health", true, false},
    {"caption_score", true, false},
    {"caption_lives", true, false},
    {"caption_health", true, false},
    {"fps", false, false},
    {"current_time", false, false},
    {"current_year", false, false},
    {"current_month", false, false},
    {"current_day", false, false},
    {"current_weekday", false, false},
    {"current_hour", false, false},
    {"current_minute", false, false},
    {"current_second", false, false},
    {"event_type", false, false},
    {"event_number", false, false},
    {"event_object", false, false},
    {"event_action", false, false},
    {"secure_mode", false, false},
    {"debug_mode", false, false},
    {"error_occurred", true, false},
    {"error_last", true, false},
    {"quillon_version", false, false},
    {"os_type", false, false},
    {"os_device", false, false},
    {"os_browser", false, false},
    {"os_version", false, false},
    {"browser_width", false, false},
    {"browser_height", false, false},
    {"display_aa", false, false},
    {"async_load", false, false},
};
constexpr int32_t kBuiltinTotal = static_cast<int32_t>(sizeof(kBuiltins) / sizeof(kBuiltins[0]));
static_assert(kBuiltinTotal == builtin::kCount);

int32_t g_ArgumentIndex = -1, g_Argument0Index = -1, g_ArgumentCountIndex = -1;

// Elements an array variable keeps in the table's storage.
size_t StoreSize(std::string_view name) {
  if (name == "alarm") return 12;
  if (name.starts_with("view_") || name.starts_with("background_")) return 8;
  return 1;
}

size_t StoreSlot(const std::vector<RValue> &cells, int32_t arr_ind) {
  return (arr_ind >= 0 && static_cast<size_t>(arr_ind) < cells.size()) ? static_cast<size_t>(arr_ind) : 0;
}

template <int32_t N>
bool StoredGet(CInstance *, int32_t arr_ind, RValue &value) {
  const std::vector<RValue> &cells = Table().store[N];
  value = cells[StoreSlot(cells, arr_ind)];
  return true;
}

template <int32_t N>
bool StoredSet(CInstance *, int32_t arr_ind, const RValue &value) {
  std::vector<RValue> &cells = Table().store[N];
  cells[StoreSlot(cells, arr_ind)] = value;
  return true;
}

template <int32_t... N>
constexpr std::array<std::pair<TBuiltinGetter, TBuiltinSetter>, sizeof...(N)> MakeStored(
    std::integer_sequence<int32_t, N...>) {
  return {{{&StoredGet<N>, &StoredSet<N>}...}};
}
const auto kStored = MakeStored(std::make_integer_sequence<int32_t, kBuiltinTotal>{});

// --- the language's own variables ----------------------------------------

int ArgumentSlot(int32_t arr_ind) { return (arr_ind >= 0 && arr_ind < kMaxArguments) ? arr_ind : 0; }

template <int N>
bool GetArgumentN(CInstance *, int32_t, RValue &value) {
  value = g_ScriptCall.argument[N];
  return true;
}
template <int N>
bool SetArgumentN(CInstance *, int32_t, const RValue &value) {
  g_ScriptCall.argument[N] = value;
  return true;
}
template <int... N>
constexpr std::array<std::pair<TBuiltinGetter, TBuiltinSetter>, sizeof...(N)> MakeArgumentN(
    std::integer_sequence<int, N...>) {
  return {{{&GetArgumentN<N>, &SetArgumentN<N>}...}};
}
const auto kArgumentN = MakeArgumentN(std::make_integer_sequence<int, kMaxArguments>{});

bool GetArgument(CInstance *, int32_t arr_ind, RValue &value) {
  const int slot = ArgumentSlot(arr_ind);
  if (g_Settings.opt_argumenterrors && slot >= g_ScriptCall.argumentCount) {
    std::string text = "Illegal array index in script \"";
    text += g_ScriptCall.scriptName;
    text += "\".\rtrying to access argument[";
    text += std::to_string(slot);
    text += "], but only ";
    text += std::to_string(g_ScriptCall.argumentCount);
    text += " arguments have been supplied.";
    ReportError(text, false);
    return false;
  }
  value = g_ScriptCall.argument[slot];
  return true;
}
bool SetArgument(CInstance *, int32_t arr_ind, const RValue &value) {
  g_ScriptCall.argument[ArgumentSlot(arr_ind)] = value;
  return true;
}
bool GetArgumentCount(CInstance *, int32_t, RValue &value) {
  value.SetReal(g_ScriptCall.argumentCount);
  return true;
}
bool GetArgumentRelative(CInstance *, int32_t, RValue &value) {
  value.SetReal(EventInfo().relative ? 1.0 : 0.0);
  return true;
}
bool GetEventType(CInstance *, int32_t, RValue &value) {
  value.SetReal(EventInfo().eventType);
  return true;
}
bool GetEventNumber(CInstance *, int32_t, RValue &value) {
  value.SetReal(EventInfo().eventNumber);
  return true;
}
bool GetEventObject(CInstance *, int32_t, RValue &value) {
  value.SetReal(EventInfo().eventObject);
  return true;
}
bool GetEventAction(CInstance *, int32_t, RValue &value) {
  value.SetReal(EventInfo().eventAction);
  return true;
}
bool GetErrorOccurred(CInstance *, int32_t, RValue &value) {
  value.SetReal(ErrorOccurred() ? 1.0 : 0.0);
  return true;
}
bool SetErrorOccurredVar(CInstance *, int32_t, const RValue &value) {
  ::SetErrorOccurred(value.val >= 0.5);
  return true;
}
bool GetErrorLast(CInstance *, int32_t, RValue &value) {
  value.SetString(RString(ErrorLast()));
  return true;
}
bool SetErrorLastVar(CInstance *, int32_t, const RValue &value) {
  SetErrorLast(value.str.view());
  return true;
}
bool GetWorkingDirectory(CInstance *, int32_t, RValue &value) {
  value.SetString(RString(WorkingDirectory()));
  return true;
}
bool GetCurrentTime(CInstance *, int32_t, RValue &value) {
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  value.SetReal(static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec / 1000000));
  return true;
}
std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm;
}
bool GetCurrentYear(CInstance *, int32_t, RValue &value) { value.SetReal(LocalNow().tm_year + 1900); return true; }
bool GetCurrentMonth(CInstance *, int32_t, RValue &value) { value.SetReal(LocalNow().tm_mon + 1); return true; }
bool GetCurrentDay(CInstance *, int32_t, RValue &value) { value.SetReal(LocalNow().tm_mday); return true; }
bool GetCurrentWeekday(CInstance *, int32_t, RValue &value) { value.SetReal(LocalNow().tm_wday + 1); return true; }
bool GetCurrentHour(CInstance *, int32_t, RValue &value) { value.SetReal(LocalNow().tm_hour); return true; }
bool GetCurrentMinute(CInstance *, int32_t, RValue &value) { value.SetReal(LocalNow().tm_min); return true; }
bool GetCurrentSecond(CInstance *, int32_t, RValue &value) { value.SetReal(LocalNow().tm_sec); return true; }

struct ROwnAccess {
  const char *name;
  TBuiltinGetter getter;
  TBuiltinSetter setter;
};
const ROwnAccess kOwnAccess[] = {
    {"argument", &GetArgument, &SetArgument},
    {"argument_count", &GetArgumentCount, nullptr},
    {"argument_relative", &GetArgumentRelative, nullptr},
    {"event_type", &GetEventType, nullptr},
    {"event_number", &GetEventNumber, nullptr},
    {"event_object", &GetEventObject, nullptr},
    {"event_action", &GetEventAction, nullptr},
    {"error_occurred", &GetErrorOccurred, &SetErrorOccurredVar},
    {"error_last", &GetErrorLast, &SetErrorLastVar},
    {"working_directory", &GetWorkingDirectory, nullptr},
    {"current_time", &GetCurrentTime, nullptr},
    {"current_year", &GetCurrentYear, nullptr},
    {"current_month", &GetCurrentMonth, nullptr},
    {"current_day", &GetCurrentDay, nullptr},
    {"current_weekday", &GetCurrentWeekday, nullptr},
    {"current_hour", &GetCurrentHour, nullptr},
    {"current_minute", &GetCurrentMinute, nullptr},
    {"current_second", &GetCurrentSecond, nullptr},
};

// Fixed values of read-only game variables.
const std::pair<const char *, double> kFixedValues[] = {
    {"quillon_version", 810}, {"os_type", 0},         {"os_device", 0},       {"os_browser", -1},
    {"os_version", -1},       {"browser_width", -1},  {"browser_height", -1}, {"async_load", -1},
};

}  // namespace

namespace builtin_table {
const RBuiltinVariable *g_entries = nullptr;
int32_t g_count = 0;
}  // namespace builtin_table

int32_t BuiltinAdd(std::string_view name, TBuiltinGetter getter, TBuiltinSetter setter, bool writable) {
  BuiltinTable &t = Table();
  if (static_cast<int32_t>(t.entries.size()) >= kMaxBuiltinVariables) {
    // The start-up message box; without dialogs it goes to standard error.
    std::fputs("INTERNAL ERROR: Adding too many variables\n", stderr);
    return -1;
  }
  RBuiltinVariable e;
  e.name = std::string(name.substr(0, 64));
  e.getter = getter;
  e.setter = setter;
  e.writable = writable;
  const int32_t index = static_cast<int32_t>(t.entries.size());
  t.byName.emplace(e.name, index);
  t.entries.push_back(std::move(e));
  builtin_table::g_entries = t.entries.data();
  builtin_table::g_count = static_cast<int32_t>(t.entries.size());
  t.store.emplace_back(1);
  return index;
}

int32_t BuiltinFind(std::string_view name) {
  const BuiltinTable &t = Table();
  auto it = t.byName.find(name);
  return it == t.byName.end() ? -1 : it->second;
}

const std::string &BuiltinName(int32_t index) {
  static const std::string unknown = "<unknown built-in variable>";
  const BuiltinTable &t = Table();
  if (index < 0 || index >= static_cast<int32_t>(t.entries.size())) return unknown;
  return t.entries[static_cast<size_t>(index)].name;
}

int32_t BuiltinCount() { return static_cast<int32_t>(Table().entries.size()); }


void BuiltinRegisterAll() {
  BuiltinTable &t = Table();
  if (!t.entries.empty()) return;
  for (int32_t i = 0; i < kBuiltinTotal; ++i) {
    const RBuiltinSpec &s = kBuiltins[i];
    const auto [getter, setter] = kStored[static_cast<size_t>(i)];
    const int32_t index = BuiltinAdd(s.name, getter, s.writable ? setter : nullptr, s.writable);
    RBuiltinVariable &e = t.entries[static_cast<size_t>(index)];
    e.isArray = s.isArray;
    t.store[static_cast<size_t>(index)].resize(StoreSize(e.name));
  }
  g_Argument0Index = BuiltinFind("argument0");
  for (int n = 0; n < kMaxArguments; ++n) {
    RBuiltinVariable &e = t.entries[static_cast<size_t>(g_Argument0Index + n)];
    e.getter = kArgumentN[static_cast<size_t>(n)].first;
    e.setter = kArgumentN[static_cast<size_t>(n)].second;
  }
  for (const ROwnAccess &a : kOwnAccess) BuiltinSetAccess(a.name, a.getter, a.setter);
  for (const auto &[name, v] : kFixedValues) BuiltinStore(name, RValue::Real(v));
  g_ArgumentIndex = BuiltinFind("argument");
  g_ArgumentCountIndex = BuiltinFind("argument_count");
}

bool BuiltinSetAccess(std::string_view name, TBuiltinGetter getter, TBuiltinSetter setter, TBuiltinReader reader) {
  const int32_t index = BuiltinFind(name);
  if (index < 0) return false;
  RBuiltinVariable &e = Table().entries[static_cast<size_t>(index)];
  e.getter = getter;
  e.setter = e.writable ? setter : nullptr;
  e.reader = reader;
  return true;
}

bool BuiltinStore(std::string_view name, const RValue &value, int32_t arr_ind) {
  const int32_t index = BuiltinFind(name);
  if (index < 0) return false;
  std::vector<RValue> &cells = Table().store[static_cast<size_t>(index)];
  cells[StoreSlot(cells, arr_ind)] = value;
  return true;
}

void BuiltinSetEventProvider(TBuiltinEventProvider provider) { g_EventProvider = provider; }

namespace builtin {
int32_t Argument() { return g_ArgumentIndex; }
int32_t Argument0() { return g_Argument0Index; }
int32_t ArgumentCount() { return g_ArgumentCountIndex; }
}  // namespace builtin
