#include "base/Option_Main.h"

#include "base/Support_Stream.h"

bool g_DebugMode = false;
int32_t g_GameId = 0;
std::array<uint8_t, 16> g_GameGuid{};
std::string g_ApplicationTitle;
std::string g_GraphicsHelperPath;

TGameSettings g_Settings;

void TGameSettings::SetDefaults() { *this = TGameSettings(); }

namespace {

std::unique_ptr<TBitmap32> ReadImage(CStream &s) { return s.ReadBitmap(); }

}  // namespace

bool TGameSettings::ReadFromStream(CStream &stream) {
  SetDefaults();
  const int32_t ver = stream.ReadInteger();
  if (ver < 800) return false;
  version = ver;
  std::unique_ptr<CStream> s = stream.ReadStreamC();
  opt_fullscreen = s->ReadBoolean();
  opt_interpolate = s->ReadBoolean();
  opt_noborder = s->ReadBoolean();
  opt_showcursor = s->ReadBoolean();
  opt_scale = s->ReadInteger();
  opt_sizeable = s->ReadBoolean();
  opt_stayontop = s->ReadBoolean();
  opt_windowcolor = s->ReadInteger();
  opt_changeresolution = s->ReadBoolean();
  opt_colordepth = s->ReadInteger();
  opt_resolution = s->ReadInteger();
  opt_frequency = s->ReadInteger();
  opt_nobuttons = s->ReadBoolean();
  opt_vsync = s->ReadBoolean();
  opt_noscreensaver = s->ReadBoolean();
  opt_keyf4 = s->ReadBoolean();
  opt_keyf1 = s->ReadBoolean();
  opt_keyesc = s->ReadBoolean();
  opt_keyf5 = s->ReadBoolean();
  opt_keyf9 = s->ReadBoolean();
  opt_closeasesc = s->ReadBoolean();
  opt_priority = s->ReadInteger();
  opt_freeze = s->ReadBoolean();
  opt_showprogress = s->ReadBoolean();
  // The bar's two images are stored only when the bar is shown.
  if (opt_showprogress) {
    opt_backimage = ReadImage(*s);
    opt_frontimage = ReadImage(*s);
  }
  opt_loadimage = ReadImage(*s);
  opt_loadtransparent = s->ReadBoolean();
  opt_loadalpha = s->ReadInteger();
  opt_scaleprogress = s->ReadBoolean();
  opt_displayerrors = s->ReadBoolean();
  opt_writeerrors = s->ReadBoolean();
  opt_aborterrors = s->ReadBoolean();
  const int32_t flags = s->ReadInteger();
  opt_argumenterrors = false;
  opt_uninitzero = (flags & 1) != 0;
  opt_argumenterrors = (flags & 2) != 0;
  if (ver >= 820) {
    opt_reserved = s->ReadInteger();
    opt_createfirst = s->ReadBoolean();
  }
  return true;
}

void TGameSettings::WriteToStream(CStream &stream, int32_t settingsVersion) const {
  stream.WriteInteger(settingsVersion);
  CStream s;
  s.WriteBoolean(opt_fullscreen);
  s.WriteBoolean(opt_interpolate);
  s.WriteBoolean(opt_noborder);
  s.WriteBoolean(opt_showcursor);
  s.WriteInteger(opt_scale);
  s.WriteBoolean(opt_sizeable);
  s.WriteBoolean(opt_stayontop);
  s.WriteInteger(opt_windowcolor);
  s.WriteBoolean(opt_changeresolution);
  s.WriteInteger(opt_colordepth);
  s.WriteInteger(opt_resolution);
  s.WriteInteger(opt_frequency);
  s.WriteBoolean(opt_nobuttons);
  s.WriteBoolean(opt_vsync);
  s.WriteBoolean(opt_noscreensaver);
  s.WriteBoolean(opt_keyf4);
  s.WriteBoolean(opt_keyf1);
  s.WriteBoolean(opt_keyesc);
  s.WriteBoolean(opt_keyf5);
  s.WriteBoolean(opt_keyf9);
  s.WriteBoolean(opt_closeasesc);
  s.WriteInteger(opt_priority);
  s.WriteBoolean(opt_freeze);
  s.WriteBoolean(opt_showprogress);
  if (opt_showprogress) {
    s.WriteBitmap(opt_backimage.get());
    s.WriteBitmap(opt_frontimage.get());
  }
  s.WriteBitmap(opt_loadimage.get());
  s.WriteBoolean(opt_loadtransparent);
  s.WriteInteger(opt_loadalpha);
  s.WriteBoolean(opt_scaleprogress);
  s.WriteBoolean(opt_displayerrors);
  s.WriteBoolean(opt_writeerrors);
  s.WriteBoolean(opt_aborterrors);
  s.WriteInteger((opt_uninitzero ? 1 : 0) | (opt_argumenterrors ? 2 : 0));
  if (settingsVersion >= 820) {
    s.WriteInteger(opt_reserved);
    s.WriteBoolean(opt_createfirst);
  }
  stream.WriteStreamC(s);
}
