#include "functions/Function_Action_Support.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "code/Code_Function.h"
#include "code/Variable_BuiltIn.h"
#include "functions/Function_Action.h"
#include "functions/Function_Math.h"
#include "platform/Platform_Main.h"
#include "world/Event_Main.h"

RActionParticles g_ActionParticles;

namespace action {
namespace {

// The live CBuiltin objects, newest first. The head is constant-initialised,
// so objects of any unit can join during static initialisation in any order.
constinit CBuiltin *s_firstBuiltin = nullptr;

}  // namespace

bool Relative() { return g_EventContext.relative; }

bool CompareReals(double a, double b, int32_t operation) {
  // The precision of the language's own comparison operators, so that an
  // action and the code `score == 10` agree.
  constexpr double kEpsilon = 1e-13;
  const double d = a - b;
  switch (operation) {
    case 1: return d < -kEpsilon;
    case 2: return d > kEpsilon;
    default: return d > -kEpsilon && d < kEpsilon;
  }
}

CBuiltin::CBuiltin(const char *name) : m_name(name), m_next(s_firstBuiltin) { s_firstBuiltin = this; }

CBuiltin::~CBuiltin() {
  for (CBuiltin **p = &s_firstBuiltin; *p != nullptr; p = &(*p)->m_next) {
    if (*p == this) {
      *p = m_next;
      return;
    }
  }
}

const CBuiltin *CBuiltin::First() { return s_firstBuiltin; }

bool CBuiltin::Available() {
  if (m_id >= 0) {
    const RFunction *f = FunctionEntry(m_id);
    if (f != nullptr && f->f_name == m_name) return true;
    m_id = -1;  // the table was rebuilt since
  }
  const int32_t count = FunctionCount();
  if (count == m_missAtCount) return false;
  for (int32_t id = 0; id < count; ++id) {
    if (FunctionEntry(id)->f_name == m_name) {
      m_id = id;
      return true;
    }
  }
  m_missAtCount = count;
  return false;
}

bool CBuiltin::Call(CInstance *self, CInstance *other, std::initializer_list<RValue> args, RValue &result) {
  if (!Available()) return false;
  const RFunction *f = FunctionEntry(m_id);
  if (f->f_routine == nullptr) return false;
  RValue argv[kMaxCallArguments];
  int argc = 0;
  for (const RValue &a : args) {
    if (argc == kMaxCallArguments) break;
    argv[argc++] = a;
  }
  RValue out;
  f->f_routine(self, other, argc, argv, out);
  result = std::move(out);
  return true;
}

void SetGameVariable(std::string_view name, const RValue &value) {
  const RBuiltinVariable *e = BuiltinEntry(BuiltinFind(name));
  if (e == nullptr) return;
  if (e->setter != nullptr) {
    e->setter(nullptr, 0, value);
  } else {
    BuiltinStore(name, value);
  }
}

RValue GetGameVariable(std::string_view name) {
  RValue v;
  const RBuiltinVariable *e = BuiltinEntry(BuiltinFind(name));
  if (e != nullptr && e->getter != nullptr) e->getter(nullptr, 0, v);
  return v;
}

std::string ValueText(const RValue &v) {
  if (v.IsString()) return std::string(v.str.view());
  if (std::isfinite(v.val) && v.val == std::nearbyint(v.val) && std::fabs(v.val) < 9.2e18)
    return std::to_string(static_cast<int64_t>(v.val));
  return RealToStringFormat(v.val, 2);
}

namespace {
CBuiltin s_showMessage("show_message");
}  // namespace

void ShowMessage(CInstance *self, CInstance *other, const RValue &text) {
  if (s_showMessage.Call(self, other, {text})) return;
  PlatformDialogs().ShowMessage(text.IsString() ? std::string(text.str.view()) : RealToString(text.val));
}

}  // namespace action

namespace {

// The functions actions call whose subsystems come later. Until one is
// registered, an action that calls it does nothing in its place (or what
// its own fallback does); a name leaves this list the day its function is
// registered, which the start-up check insists on.
const std::vector<std::string_view> kPendingNames = {
    // Particles and the ready-made effects built on them.
    "part_system_create", "part_system_depth", "part_system_destroy", "part_particles_clear", "part_type_create",
    "part_type_shape", "part_type_sprite", "part_type_size", "part_type_color_mix", "part_type_color2",
    "part_type_alpha2", "part_type_life", "part_type_speed", "part_type_direction", "part_type_gravity",
    "part_type_step", "part_type_death", "part_emitter_create", "part_emitter_region", "part_emitter_destroy",
    "part_emitter_burst", "part_emitter_stream", "effect_create_below", "effect_create_above",
    // Dialogs: messages, questions, the game information and videos.
    "show_message", "show_question", "show_info", "show_video",
    // Splash screens.
    "splash_show_text", "splash_show_image", "splash_show_web", "splash_show_video", "splash_set_caption",
    "splash_set_fullscreen", "splash_set_border", "splash_set_stop_key", "splash_set_stop_mouse",
    // The highscore table.
    "highscore_clear", "highscore_set_font", "highscore_show_ext",
};

}  // namespace

std::vector<std::string> Action_CalledBuiltinNames() {
  std::vector<std::string> names;
  for (const action::CBuiltin *b = action::CBuiltin::First(); b != nullptr; b = b->Next())
    names.emplace_back(b->Name());
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

const std::vector<std::string_view> &Action_PendingBuiltinNames() { return kPendingNames; }

RActionNameCheck Action_CheckBuiltinNames() {
  // By name in the built-in table, as CBuiltin looks them up.
  std::unordered_set<std::string_view> registered;
  for (int32_t id = 0; id < FunctionCount(); ++id) registered.insert(FunctionEntry(id)->f_name);
  const auto listed = [](std::string_view name) {
    return std::find(kPendingNames.begin(), kPendingNames.end(), name) != kPendingNames.end();
  };
  RActionNameCheck check;
  const std::vector<std::string> called = Action_CalledBuiltinNames();
  for (const std::string &name : called) {
    const bool on = registered.count(name) > 0;
    if (listed(name)) (on ? check.listedButRegistered : check.pending).push_back(name);
    else if (!on) check.missing.push_back(name);
  }
  for (std::string_view name : kPendingNames)
    if (!std::binary_search(called.begin(), called.end(), name)) check.listedButNotCalled.emplace_back(name);
  return check;
}

void Function_Action_Init() {
  action::RegisterMotion();
  action::RegisterControl();
  action::RegisterMedia();
}
