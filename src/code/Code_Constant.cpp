#include "code/Code_Constant.h"

#include <unordered_map>
#include <vector>

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "code/Script_Main.h"
#include "base/Support_Wiring.h"

namespace {

struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

struct ConstantTable {
  std::vector<std::string> names;
  std::vector<RValue> values;
  // Name -> newest entry of that name (the one a search from the end meets).
  std::unordered_map<std::string, int32_t, NameHash, std::equal_to<>> newest;
  TNameFinder finders[static_cast<int>(TConstantSource::Count)] = {};
};

ConstantTable &Table() {
  static ConstantTable table;
  return table;
}

// A built-in constant, or a numbered run of them (prefix + first .. last,
// values counting up from value).
struct RBuiltinConstant {
  const char *name;
  double value;
  int first = -1;
  int last = -1;
};

const RBuiltinConstant kBuiltinConstants[] = {
    // instance selectors
    {"self", -1},
    {"other", -2},
    {"all", -3},
    {"noone", -4},
    {"global", -5},
    {"local", -7},
    // basic
    {"true", 1},
    {"false", 0},
    {"pi", 3.141592653589793},
    // primitives
    {"pr_pointlist", 1},
    {"pr_linelist", 2},
    {"pr_linestrip", 3},
    {"pr_trianglelist", 4},
    {"pr_trianglestrip", 5},
    {"pr_trianglefan", 6},
    // colours (red in the low byte)
    {"c_aqua", 16776960},
    {"c_black", 0},
    {"c_blue", 16711680},
    {"c_dkgray", 4210752},
    {"c_fuchsia", 16711935},
    {"c_gray", 8421504},
    {"c_green", 32768},
    {"c_lime", 65280},
    {"c_ltgray", 12632256},
    {"c_maroon", 128},
    {"c_navy", 8388608},
    {"c_olive", 32896},
    {"c_purple", 8388736},
    {"c_red", 255},
    {"c_silver", 12632256},
    {"c_teal", 8421376},
    {"c_white", 16777215},
    {"c_yellow", 65535},
    {"c_orange", 4235519},
    // blend modes
    {"bm_normal", 0},
    {"bm_add", 1},
    {"bm_max", 2},
    {"bm_subtract", 3},
    {"bm_zero", 1},
    {"bm_one", 2},
    {"bm_src_color", 3},
    {"bm_inv_src_color", 4},
    {"bm_src_alpha", 5},
    {"bm_inv_src_alpha", 6},
    {"bm_dest_alpha", 7},
    {"bm_inv_dest_alpha", 8},
    {"bm_dest_color", 9},
    {"bm_inv_dest_color", 10},
    {"bm_src_alpha_sat", 11},
    // sound effects
    {"se_none", 0},
    {"se_chorus", 1},
    {"se_echo", 2},
    {"se_flanger", 4},
    {"se_gargle", 8},
    {"se_reverb", 16},
    {"se_compressor", 32},
    {"se_equalizer", 64},
    // text alignment
    {"fa_left", 0},
    {"fa_center", 1},
    {"fa_right", 2},
    {"fa_top", 0},
    {"fa_middle", 1},
    {"fa_bottom", 2},
    // mouse buttons
    {"mb_any", -1},
    {"mb_none", 0},
    {"mb_left", 1},
    {"mb_right", 2},
    {"mb_middle", 3},
    // keys (the Windows virtual-key codes)
    {"vk_nokey", 0},
    {"vk_anykey", 1},
    {"vk_enter", 13},
    {"vk_return", 13},
    {"vk_shift", 16},
    {"vk_control", 17},
    {"vk_alt", 18},
    {"vk_escape", 27},
    {"vk_space", 32},
    {"vk_backspace", 8},
    {"vk_tab", 9},
    {"vk_pause", 19},
    {"vk_printscreen", 44},
    {"vk_left", 37},
    {"vk_right", 39},
    {"vk_up", 38},
    {"vk_down", 40},
    {"vk_home", 36},
    {"vk_end", 35},
    {"vk_delete", 46},
    {"vk_insert", 45},
    {"vk_pageup", 33},
    {"vk_pagedown", 34},
    {"vk_f", 112, 1, 12},
    {"vk_numpad", 96, 0, 9},
    {"vk_divide", 111},
    {"vk_multiply", 106},
    {"vk_subtract", 109},
    {"vk_add", 107},
    {"vk_decimal", 110},
    {"vk_lshift", 160},
    {"vk_lcontrol", 162},
    {"vk_lalt", 164},
    {"vk_rshift", 161},
    {"vk_rcontrol", 163},
    {"vk_ralt", 165},
    // event types
    {"ev_create", 0},
    {"ev_destroy", 1},
    {"ev_alarm", 2},
    {"ev_step", 3},
    {"ev_collision", 4},
    {"ev_keyboard", 5},
    {"ev_mouse", 6},
    {"ev_other", 7},
    {"ev_draw", 8},
    {"ev_keypress", 9},
    {"ev_keyrelease", 10},
    {"ev_trigger", 11},
    // mouse event numbers
    {"ev_left_button", 0},
    {"ev_right_button", 1},
    {"ev_middle_button", 2},
    {"ev_no_button", 3},
    {"ev_left_press", 4},
    {"ev_right_press", 5},
    {"ev_middle_press", 6},
    {"ev_left_release", 7},
    {"ev_right_release", 8},
    {"ev_middle_release", 9},
    {"ev_mouse_enter", 10},
    {"ev_mouse_leave", 11},
    {"ev_global_press", 12},
    {"ev_global_release", 13},
    {"ev_joystick1_left", 16},
    {"ev_joystick1_right", 17},
    {"ev_joystick1_up", 18},
    {"ev_joystick1_down", 19},
    {"ev_joystick1_button", 21, 1, 8},
    {"ev_joystick2_left", 31},
    {"ev_joystick2_right", 32},
    {"ev_joystick2_up", 33},
    {"ev_joystick2_down", 34},
    {"ev_joystick2_button", 36, 1, 8},
    {"ev_global_left_button", 50},
    {"ev_global_right_button", 51},
    {"ev_global_middle_button", 52},
    {"ev_global_left_press", 53},
    {"ev_global_right_press", 54},
    {"ev_global_middle_press", 55},
    {"ev_global_left_release", 56},
    {"ev_global_right_release", 57},
    {"ev_global_middle_release", 58},
    {"ev_mouse_wheel_up", 60},
    {"ev_mouse_wheel_down", 61},
    // other event numbers
    {"ev_outside", 0},
    {"ev_boundary", 1},
    {"ev_game_start", 2},
    {"ev_game_end", 3},
    {"ev_room_start", 4},
    {"ev_room_end", 5},
    {"ev_no_more_lives", 6},
    {"ev_animation_end", 7},
    {"ev_end_of_path", 8},
    {"ev_no_more_health", 9},
    {"ev_user", 10, 0, 15},
    {"ev_close_button", 30},
    // step event numbers
    {"ev_step_normal", 0},
    {"ev_step_begin", 1},
    {"ev_step_end", 2},
    // external calls
    {"ty_real", 0},
    {"ty_string", 1},
    {"dll_cdecl", 0},
    {"dll_stdcall", 1},
    // file attributes
    {"fa_readonly", 1},
    {"fa_hidden", 2},
    {"fa_sysfile", 4},
    {"fa_volumeid", 8},
    {"fa_directory", 16},
    {"fa_archive", 32},
    // cursors
    {"cr_default", 0},
    {"cr_none", -1},
    {"cr_arrow", -2},
    {"cr_arrrow", -2},
    {"cr_cross", -3},
    {"cr_beam", -4},
    {"cr_size_nesw", -6},
    {"cr_size_ns", -7},
    {"cr_size_nwse", -8},
    {"cr_size_we", -9},
    {"cr_uparrow", -10},
    {"cr_hourglass", -11},
    {"cr_drag", -12},
    {"cr_nodrop", -13},
    {"cr_hsplit", -14},
    {"cr_vsplit", -15},
    {"cr_multidrag", -16},
    {"cr_sqlwait", -17},
    {"cr_no", -18},
    {"cr_appstart", -19},
    {"cr_help", -20},
    {"cr_handpoint", -21},
    {"cr_size_all", -22},
    // particle shapes
    {"pt_shape_pixel", 0},
    {"pt_shape_disk", 1},
    {"pt_shape_square", 2},
    {"pt_shape_line", 3},
    {"pt_shape_star", 4},
    {"pt_shape_circle", 5},
    {"pt_shape_ring", 6},
    {"pt_shape_sphere", 7},
    {"pt_shape_flare", 8},
    {"pt_shape_spark", 9},
    {"pt_shape_explosion", 10},
    {"pt_shape_cloud", 11},
    {"pt_shape_smoke", 12},
    {"pt_shape_snow", 13},
    // particle systems
    {"ps_distr_linear", 0},
    {"ps_distr_gaussian", 1},
    {"ps_distr_invgaussian", 2},
    {"ps_shape_rectangle", 0},
    {"ps_shape_ellipse", 1},
    {"ps_shape_diamond", 2},
    {"ps_shape_line", 3},
    {"ps_force_constant", 0},
    {"ps_force_linear", 1},
    {"ps_force_quadratic", 2},
    {"ps_deflect_vertical", 0},
    {"ps_deflect_horizontal", 1},
    {"ps_change_all", 0},
    {"ps_change_shape", 1},
    {"ps_change_motion", 2},
    // effects
    {"ef_explosion", 0},
    {"ef_ring", 1},
    {"ef_ellipse", 2},
    {"ef_firework", 3},
    {"ef_smoke", 4},
    {"ef_smokeup", 5},
    {"ef_star", 6},
    {"ef_spark", 7},
    {"ef_flare", 8},
    {"ef_cloud", 9},
    {"ef_rain", 10},
    {"ef_snow", 11},
    // platform
    {"os_unknown", -1},
    {"os_win32", 0},
    {"os_win64", 1},
    {"os_macosx", 2},
    {"os_psp", 3},
    {"os_ios", 4},
    {"os_android", 5},
    {"os_linux", 6},
    {"device_ios_unknown", -1},
    {"device_ios_iphone", 0},
    {"device_ios_iphone_retina", 1},
    {"device_ios_ipad", 2},
    {"browser_not_a_browser", -1},
    {"browser_unknown", 0},
    {"browser_ie", 1},
    {"browser_firefox", 2},
    {"browser_chrome", 3},
    {"browser_safari", 4},
    {"browser_safari_mobile", 5},
    {"browser_opera", 6},
    // virtual key board types
    {"text_type", 0},
    {"button_type", 1},
    {"input_type", 2},
    // font character sets (the Windows values)
    {"ANSI_CHARSET", 0},
    {"DEFAULT_CHARSET", 1},
    {"EASTEUROPE_CHARSET", 238},
    {"RUSSIAN_CHARSET", 204},
    {"SYMBOL_CHARSET", 2},
    {"SHIFTJIS_CHARSET", 128},
    {"HANGEUL_CHARSET", 129},
    {"GB2312_CHARSET", 134},
    {"CHINESEBIG5_CHARSET", 136},
    {"JOHAB_CHARSET", 130},
    {"HEBREW_CHARSET", 177},
    {"ARABIC_CHARSET", 178},
    {"GREEK_CHARSET", 161},
    {"TURKISH_CHARSET", 162},
    {"VIETNAMESE_CHARSET", 163},
    {"THAI_CHARSET", 222},
    {"MAC_CHARSET", 77},
    {"BALTIC_CHARSET", 186},
    {"OEM_CHARSET", 255},
};

int32_t ScriptFinder(std::string_view name) { return ScriptFind(name); }

void Rebuild(ConstantTable &t) {
  t.newest.clear();
  for (int32_t i = 0; i < static_cast<int32_t>(t.names.size()); ++i) t.newest.insert_or_assign(t.names[static_cast<size_t>(i)], i);
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void ConstantAdd(std::string_view name, const RValue &value) {
  ConstantTable &t = Table();
  const int32_t index = static_cast<int32_t>(t.names.size());
  t.names.emplace_back(name);
  t.values.push_back(value);
  t.newest.insert_or_assign(t.names.back(), index);
}

bool ConstantFindInTable(std::string_view name, RValue &value) {
  const ConstantTable &t = Table();
  auto it = t.newest.find(name);
  if (it == t.newest.end()) return false;
  value = t.values[static_cast<size_t>(it->second)];
  return true;
}

bool ConstantFind(std::string_view name, RValue &value) {
  const ConstantTable &t = Table();
  for (int k = 0; k < static_cast<int>(TConstantSource::Count); ++k) {
    TNameFinder finder = t.finders[k];
    if (!finder && k == static_cast<int>(TConstantSource::Script)) finder = &ScriptFinder;
    if (!finder) continue;
    const int32_t index = finder(name);
    if (index >= 0) {
      value = RValue::Real(index);
      return true;
    }
  }
  return ConstantFindInTable(name, value);
}

int32_t ConstantCount() { return static_cast<int32_t>(Table().names.size()); }

const std::string &ConstantName(int32_t index) {
  static const std::string none;
  const ConstantTable &t = Table();
  if (index < 0 || index >= static_cast<int32_t>(t.names.size())) return none;
  return t.names[static_cast<size_t>(index)];
}

const RValue &ConstantValue(int32_t index) {
  static const RValue none;
  const ConstantTable &t = Table();
  if (index < 0 || index >= static_cast<int32_t>(t.values.size())) return none;
  return t.values[static_cast<size_t>(index)];
}

namespace {
template <TConstantSource S>
bool FinderInstalled() {
  return Table().finders[static_cast<int>(S)] != nullptr;
}
const CWiringHook kObjectNames("code: object names", FinderInstalled<TConstantSource::Object>);
const CWiringHook kSpriteNames("code: sprite names", FinderInstalled<TConstantSource::Sprite>);
const CWiringHook kSoundNames("code: sound names", FinderInstalled<TConstantSource::Sound>);
const CWiringHook kBackgroundNames("code: background names", FinderInstalled<TConstantSource::Background>);
const CWiringHook kPathNames("code: path names", FinderInstalled<TConstantSource::Path>);
const CWiringHook kFontNames("code: font names", FinderInstalled<TConstantSource::Font>);
const CWiringHook kTimeLineNames("code: time line names", FinderInstalled<TConstantSource::TimeLine>);
const CWiringHook kRoomNames("code: room names", FinderInstalled<TConstantSource::Room>);
const CWiringHook kTriggerNames("code: trigger names", FinderInstalled<TConstantSource::Trigger>);
}  // namespace

void ConstantSetFinder(TConstantSource source, TNameFinder finder) {
  const int k = static_cast<int>(source);
  if (k >= 0 && k < static_cast<int>(TConstantSource::Count)) Table().finders[k] = finder;
}

void ConstantRegisterBuiltins() {
  ConstantTable &t = Table();
  if (!t.names.empty()) return;
  for (const RBuiltinConstant &c : kBuiltinConstants) {
    if (c.first < 0) {
      ConstantAdd(c.name, RValue::Real(c.value));
      continue;
    }
    for (int n = c.first; n <= c.last; ++n)
      ConstantAdd(std::string(c.name) + std::to_string(n), RValue::Real(c.value + (n - c.first)));
  }
}

void ConstantResetToBuiltins() {
  ConstantTable &t = Table();
  if (static_cast<int32_t>(t.names.size()) <= kBuiltinConstantCount) return;
  t.names.resize(kBuiltinConstantCount);
  t.values.resize(kBuiltinConstantCount);
  Rebuild(t);
}

std::string ConstantTrimName(std::string_view name) {
  size_t b = 0, e = name.size();
  while (b < e && static_cast<unsigned char>(name[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(name[e - 1]) <= ' ') --e;
  return std::string(name.substr(b, e - b));
}

bool ConstantNameValid(std::string_view name) {
  if (name.empty() || !(IsAsciiLetter(name[0]) || name[0] == '_')) return false;
  for (char c : name)
    if (!(IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_')) return false;
  return true;
}

bool ConstantsDefine(const std::vector<std::string> &names, const std::vector<std::string> &values, CInstance *temp,
                     std::string &message) {
  const size_t count = names.size() < values.size() ? names.size() : values.size();
  for (size_t i = 0; i < count; ++i) {
    const std::string name = ConstantTrimName(names[i]);
    if (!ConstantNameValid(name)) {
      message = "Constant name " + name + "  is not valid.";
      return false;
    }
    CCode code(values[i], true);
    CodeErrorClear();
    RValue value;
    const bool ok = code.Compile() && EvaluateCode(temp, temp, code, value);
    // The recorded error belongs to this definition only; the message box
    // names the constant instead.
    CodeErrorClear();
    if (!ok) {
      message = "Value for constant " + name + "  is not valid.";
      return false;
    }
    ConstantAdd(name, value);
  }
  message.clear();
  return true;
}
