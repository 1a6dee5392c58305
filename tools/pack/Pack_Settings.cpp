#include "Pack_Settings.h"

#include <limits>
#include <memory>

#include "base/BM32_Bitmap.h"

namespace {

struct BoolField {
  const char *key;
  bool TGameSettings::*field;
};

struct IntField {
  const char *key;
  int32_t TGameSettings::*field;
  int32_t lo, hi;
};

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

// The manifest names are the settings' own names without "opt_".
const BoolField kBoolFields[] = {
    {"fullscreen", &TGameSettings::opt_fullscreen},
    {"interpolate", &TGameSettings::opt_interpolate},
    {"noborder", &TGameSettings::opt_noborder},
    {"showcursor", &TGameSettings::opt_showcursor},
    {"sizeable", &TGameSettings::opt_sizeable},
    {"stayontop", &TGameSettings::opt_stayontop},
    {"changeresolution", &TGameSettings::opt_changeresolution},
    {"nobuttons", &TGameSettings::opt_nobuttons},
    {"vsync", &TGameSettings::opt_vsync},
    {"noscreensaver", &TGameSettings::opt_noscreensaver},
    {"keyf4", &TGameSettings::opt_keyf4},
    {"keyf1", &TGameSettings::opt_keyf1},
    {"keyesc", &TGameSettings::opt_keyesc},
    {"keyf5", &TGameSettings::opt_keyf5},
    {"keyf9", &TGameSettings::opt_keyf9},
    {"closeasesc", &TGameSettings::opt_closeasesc},
    {"freeze", &TGameSettings::opt_freeze},
    {"showprogress", &TGameSettings::opt_showprogress},
    {"loadtransparent", &TGameSettings::opt_loadtransparent},
    {"scaleprogress", &TGameSettings::opt_scaleprogress},
    {"displayerrors", &TGameSettings::opt_displayerrors},
    {"writeerrors", &TGameSettings::opt_writeerrors},
    {"aborterrors", &TGameSettings::opt_aborterrors},
    {"uninitzero", &TGameSettings::opt_uninitzero},
    {"argumenterrors", &TGameSettings::opt_argumenterrors},
    {"createfirst", &TGameSettings::opt_createfirst},
};

const IntField kIntFields[] = {
    {"scale", &TGameSettings::opt_scale, kIntMin, kIntMax},
    {"colordepth", &TGameSettings::opt_colordepth, 0, 2},
    {"resolution", &TGameSettings::opt_resolution, 0, 6},
    {"frequency", &TGameSettings::opt_frequency, 0, 5},
    {"priority", &TGameSettings::opt_priority, 0, 2},
    {"loadalpha", &TGameSettings::opt_loadalpha, 0, 255},
    {"reserved", &TGameSettings::opt_reserved, kIntMin, kIntMax},
};

std::unique_ptr<TBitmap32> ReadImage(JsonObject &obj, const char *key, const ProjectFiles &files) {
  std::optional<JsonValue> v = obj.Get(key);
  if (!v) return nullptr;
  return std::make_unique<TBitmap32>(files.ReadImage(*v));
}

}  // namespace

void ReadSettings(const JsonValue &value, const ProjectFiles &files, TGameSettings &settings) {
  settings.SetDefaults();
  JsonObject obj(value);
  for (const BoolField &f : kBoolFields) settings.*f.field = obj.Bool(f.key, settings.*f.field);
  for (const IntField &f : kIntFields) settings.*f.field = obj.IntIn(f.key, settings.*f.field, f.lo, f.hi);
  settings.opt_windowcolor = obj.Color("windowcolor", settings.opt_windowcolor);
  settings.opt_backimage = ReadImage(obj, "backimage", files);
  settings.opt_frontimage = ReadImage(obj, "frontimage", files);
  settings.opt_loadimage = ReadImage(obj, "loadimage", files);
  obj.Done();
}
