#include "Pack_Sound.h"

#include <cmath>

#include "Pack_Entries.h"

namespace {

int32_t ReadKind(JsonObject &o) {
  const std::optional<JsonValue> v = o.Get("kind");
  if (!v) return 0;
  if (!v->Raw().is_string()) return v->AsIntIn(0, 3);
  const std::string s = v->AsString();
  if (s == "normal") return 0;
  if (s == "background") return 1;
  if (s == "3d") return 2;
  if (s == "multimedia") return 3;
  v->Fail("expected \"normal\", \"background\", \"3d\", \"multimedia\" or 0 to 3, found \"" + s + "\"");
}

double RealIn(JsonObject &o, const std::string &key, double def, double lo, double hi) {
  const std::optional<JsonValue> v = o.Get(key);
  if (!v) return def;
  const double d = v->AsReal();
  if (!(d >= lo && d <= hi))
    v->Fail("expected a number from " + std::to_string(static_cast<int>(lo)) + " to " +
            std::to_string(static_cast<int>(hi)));
  return d;
}

void ReadSound(JsonObject &o, const ProjectFiles &files, CSound &s) {
  const JsonValue file = o.Require("file");
  s.s_sound = std::make_unique<std::vector<uint8_t>>(files.ReadBytes(file));
  std::string name = file.AsString();
  const size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const size_t dot = name.find_last_of('.');
  s.s_origname = name;
  s.s_extension = dot == std::string::npos ? std::string() : name.substr(dot);
  s.s_kind = ReadKind(o);
  s.s_preload = o.Bool("preload", true);
  s.s_volume = RealIn(o, "volume", 1, 0, 1);
  s.s_pan = RealIn(o, "pan", 0, -1, 1);
  s.s_effects = o.IntIn("effects", 0, 0, 511);
}

}  // namespace

void ReadSounds(const JsonValue &value, const ProjectFiles &files, RResourceList<CSound> &out) {
  ReadEntries(value, "sounds", out, [&](JsonObject &o, CSound &s) { ReadSound(o, files, s); });
}
