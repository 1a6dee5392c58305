#include "input/IO_Main.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "base/Support_Wiring.h"
#include "code/Variable_BuiltIn.h"
#include "input/IO_Script.h"
#include "platform/Platform_Main.h"

RInputState g_Input;

namespace {

bool ValidKey(int32_t key) { return key >= 0 && key < kKeyCount; }
bool ValidButton(int32_t button) { return button >= 1 && button <= kMouseButtons; }

// The key map: identity until a game changes it.
struct RKeyMap {
  int32_t to[kKeyCount];
  RKeyMap() { Reset(); }
  void Reset() {
    for (int32_t k = 0; k < kKeyCount; ++k) to[k] = k;
  }
};
RKeyMap s_map;

// The keys as the window delivered them, before the map: what a run
// without a keyboard of its own answers for the keys held directly.
bool s_rawDown[kKeyCount] = {};

int32_t s_mouseX = 0, s_mouseY = 0;
bool s_mouseKnown = false;

TMouseRoomFn s_mouseRoom = nullptr;
const CWiringHook kMouseRoomHook("input: the mouse through the views", [] { return s_mouseRoom != nullptr; });

// A value assigned to a variable as an integer, rounded halves to even;
// false when it has none.
bool WholeOf(const RValue &v, int32_t &out) {
  const double r = std::nearbyint(v.val);
  if (!std::isfinite(r) || r < -2147483648.0 || r > 2147483647.0) return false;
  out = static_cast<int32_t>(r);
  return true;
}

// UTF-16 units as UTF-8; a unit of half a pair alone becomes U+FFFD.
void AppendUtf8(std::string &out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Utf8Of(const std::u16string &units) {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const uint32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00u));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

// UTF-8 text as UTF-16 units; a broken byte becomes U+FFFD.
std::u16string Utf16Of(std::string_view text) {
  std::u16string out;
  IO_AppendUtf16(out, text, false);
  return out;
}

// ---- the variables --------------------------------------------------------------

bool GetKey(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_Input.keyboardKey);
  return true;
}
bool SetKey(CInstance *, int32_t, const RValue &v) {
  int32_t k = 0;
  if (WholeOf(v, k) && ValidKey(k)) g_Input.keyboardKey = k;
  return true;
}
bool GetLastKey(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_Input.keyboardLastKey);
  return true;
}
bool SetLastKey(CInstance *, int32_t, const RValue &v) {
  int32_t k = 0;
  if (WholeOf(v, k) && ValidKey(k)) g_Input.keyboardLastKey = k;
  return true;
}
bool GetLastChar(CInstance *, int32_t, RValue &v) {
  // Before any character is typed there is none to show.
  if (g_Input.keyboardLastChar == 0) {
    v.SetString(RString());
    return true;
  }
  v.SetString(RString(Utf8Of(std::u16string(1, static_cast<char16_t>(g_Input.keyboardLastChar)))));
  return true;
}
bool SetLastChar(CInstance *, int32_t, const RValue &v) {
  const std::string_view text = v.str.view();
  if (!text.empty()) g_Input.keyboardLastChar = static_cast<unsigned char>(text[0]);
  return true;
}
bool GetString(CInstance *, int32_t, RValue &v) {
  v.SetString(RString(IO_KeyboardString()));
  return true;
}
bool SetString(CInstance *, int32_t, const RValue &v) {
  IO_SetKeyboardString(v.str.view());
  return true;
}
bool GetButton(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_Input.mouseButton);
  return true;
}
bool SetButton(CInstance *, int32_t, const RValue &v) {
  int32_t b = 0;
  if (WholeOf(v, b) && ValidButton(b)) g_Input.mouseButton = b;
  return true;
}
bool GetLastButton(CInstance *, int32_t, RValue &v) {
  v.SetReal(g_Input.mouseLastButton);
  return true;
}
bool SetLastButton(CInstance *, int32_t, const RValue &v) {
  int32_t b = 0;
  if (WholeOf(v, b) && ValidButton(b)) g_Input.mouseLastButton = b;
  return true;
}
bool GetMouseX(CInstance *, int32_t, RValue &v) {
  double x = 0, y = 0;
  IO_MouseRoom(x, y);
  v.SetReal(x);
  return true;
}
bool GetMouseY(CInstance *, int32_t, RValue &v) {
  double x = 0, y = 0;
  IO_MouseRoom(x, y);
  v.SetReal(y);
  return true;
}

}  // namespace

bool IO_AppendUtf16(std::u16string &out, std::string_view text, bool strict) {
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int more = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    bool ok = more >= 0 && i + static_cast<size_t>(more) < text.size();
    uint32_t c = more > 0 ? b & (0x3Fu >> more) : b;
    for (int k = 1; ok && k <= more; ++k) {
      const auto n = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      if ((n & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (n & 0x3Fu);
    }
    if (!ok || c > 0x10FFFF) {
      if (strict) return false;
      out += u'\uFFFD';
      ++i;
      continue;
    }
    i += static_cast<size_t>(more) + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return true;
}

void IO_KeyDown(int32_t key) {
  if (!ValidKey(key)) return;
  s_rawDown[key] = true;
  const int32_t k = s_map.to[key];
  if (!ValidKey(k)) return;
  g_Input.keyboardLastKey = k;
  g_Input.keyboardKey = k;
  // Auto-repeat sends further downs for a held key; only the first is a press.
  if (!g_Input.keyDown[k]) g_Input.keyPressed[k] = true;
  g_Input.keyDown[k] = true;
}

void IO_KeyUp(int32_t key) {
  if (!ValidKey(key)) return;
  s_rawDown[key] = false;
  const int32_t k = s_map.to[key];
  if (!ValidKey(k)) return;
  if (g_Input.keyboardKey == k) g_Input.keyboardKey = 0;
  g_Input.keyDown[k] = false;
  g_Input.keyReleased[k] = true;
}

void IO_Char(uint16_t unit) {
  g_Input.keyboardLastChar = unit;
  std::u16string &s = g_Input.keyboardString;
  // Trimmed before the character is added, so it may hold one more.
  if (s.size() > kKeyboardStringLimit) s.erase(0, s.size() - kKeyboardStringLimit);
  if (unit == 8) {
    if (!s.empty()) s.pop_back();
  } else if (unit > 31) {
    s += static_cast<char16_t>(unit);
  }
}

void IO_MouseDown(int32_t button) {
  if (!ValidButton(button)) return;
  g_Input.mouseLastButton = button;
  g_Input.mouseButton = button;
  g_Input.buttonDown[button - 1] = true;
  g_Input.buttonPressed[button - 1] = true;
}

void IO_MouseUp(int32_t button) {
  if (!ValidButton(button)) return;
  // Whatever button is held, none is any more.
  g_Input.mouseButton = 0;
  g_Input.buttonDown[button - 1] = false;
  g_Input.buttonReleased[button - 1] = true;
}

void IO_MouseWheel(bool up) { (up ? g_Input.wheelUp : g_Input.wheelDown) = true; }

void IO_MouseMove(int32_t x, int32_t y) {
  s_mouseX = x;
  s_mouseY = y;
  s_mouseKnown = true;
}

bool IO_MouseClient(int32_t &x, int32_t &y) {
  if (!s_mouseKnown) return false;
  x = s_mouseX;
  y = s_mouseY;
  return true;
}

void IO_SetMap(int32_t key, int32_t mapped) {
  if (ValidKey(key)) s_map.to[key] = mapped;
}

int32_t IO_GetMap(int32_t key) { return ValidKey(key) ? s_map.to[key] : key; }

void IO_UnsetMap() { s_map.Reset(); }

bool IO_KeyDirect(int32_t key) {
  if (!ValidKey(key)) return false;
  if (PlatformWindow().KeyDirect(key)) return true;
  // Keys an input script types are held as far as the game can tell.
  return IO_ScriptActive() && s_rawDown[key];
}

void IO_Clear() {
  RInputState fresh;
  std::swap(g_Input, fresh);
}

void IO_Reset() {
  IO_Clear();
  s_map.Reset();
  std::fill(std::begin(s_rawDown), std::end(s_rawDown), false);
  s_mouseKnown = false;
  s_mouseX = s_mouseY = 0;
}

void IO_ClearStepEdges() {
  std::fill(std::begin(g_Input.keyPressed), std::end(g_Input.keyPressed), false);
  std::fill(std::begin(g_Input.keyReleased), std::end(g_Input.keyReleased), false);
  std::fill(std::begin(g_Input.buttonPressed), std::end(g_Input.buttonPressed), false);
  std::fill(std::begin(g_Input.buttonReleased), std::end(g_Input.buttonReleased), false);
  g_Input.wheelUp = g_Input.wheelDown = false;
}

void IO_Handle() {
  IO_ScriptPumpBegin();
  PlatformWindow().PumpEvents();
  IO_ScriptPumpEnd();
}

std::string IO_KeyboardString() { return Utf8Of(g_Input.keyboardString); }

void IO_SetKeyboardString(std::string_view text) { g_Input.keyboardString = Utf16Of(text); }

void IO_SetMouseRoomFn(TMouseRoomFn fn) { s_mouseRoom = fn; }

void IO_MouseRoom(double &x, double &y) {
  x = y = 0;
  if (s_mouseRoom) s_mouseRoom(x, y);
}

void IO_InstallVariables() {
  BuiltinSetAccess("keyboard_key", GetKey, SetKey);
  BuiltinSetAccess("keyboard_lastkey", GetLastKey, SetLastKey);
  BuiltinSetAccess("keyboard_lastchar", GetLastChar, SetLastChar);
  BuiltinSetAccess("keyboard_string", GetString, SetString);
  BuiltinSetAccess("mouse_button", GetButton, SetButton);
  BuiltinSetAccess("mouse_lastbutton", GetLastButton, SetLastButton);
  BuiltinSetAccess("mouse_x", GetMouseX, nullptr);
  BuiltinSetAccess("mouse_y", GetMouseY, nullptr);
}
