#include "platform/sdl/Sdl_Keys.h"

#include <SDL.h>

namespace {

// Keys whose number follows their place on the keyboard.
struct RPlace {
  SDL_Scancode scancode;
  int32_t vk;
};

constexpr RPlace kPlaces[] = {
    {SDL_SCANCODE_BACKSPACE, 8},   {SDL_SCANCODE_TAB, 9},          {SDL_SCANCODE_CLEAR, 12},
    {SDL_SCANCODE_RETURN, 13},     {SDL_SCANCODE_KP_ENTER, 13},    {SDL_SCANCODE_LSHIFT, 16},
    {SDL_SCANCODE_RSHIFT, 16},     {SDL_SCANCODE_LCTRL, 17},       {SDL_SCANCODE_RCTRL, 17},
    {SDL_SCANCODE_LALT, 18},       {SDL_SCANCODE_RALT, 18},        {SDL_SCANCODE_PAUSE, 19},
    {SDL_SCANCODE_CAPSLOCK, 20},   {SDL_SCANCODE_ESCAPE, 27},      {SDL_SCANCODE_SPACE, 32},
    {SDL_SCANCODE_PAGEUP, 33},     {SDL_SCANCODE_PAGEDOWN, 34},    {SDL_SCANCODE_END, 35},
    {SDL_SCANCODE_HOME, 36},       {SDL_SCANCODE_LEFT, 37},        {SDL_SCANCODE_UP, 38},
    {SDL_SCANCODE_RIGHT, 39},      {SDL_SCANCODE_DOWN, 40},        {SDL_SCANCODE_SELECT, 41},
    {SDL_SCANCODE_EXECUTE, 43},    {SDL_SCANCODE_PRINTSCREEN, 44}, {SDL_SCANCODE_INSERT, 45},
    {SDL_SCANCODE_DELETE, 46},     {SDL_SCANCODE_HELP, 47},        {SDL_SCANCODE_LGUI, 91},
    {SDL_SCANCODE_RGUI, 92},       {SDL_SCANCODE_APPLICATION, 93}, {SDL_SCANCODE_SLEEP, 95},
    {SDL_SCANCODE_KP_MULTIPLY, 106}, {SDL_SCANCODE_KP_PLUS, 107},  {SDL_SCANCODE_KP_MINUS, 109},
    {SDL_SCANCODE_KP_DIVIDE, 111}, {SDL_SCANCODE_NUMLOCKCLEAR, 144}, {SDL_SCANCODE_SCROLLLOCK, 145},
    {SDL_SCANCODE_SEMICOLON, 186}, {SDL_SCANCODE_EQUALS, 187},     {SDL_SCANCODE_COMMA, 188},
    {SDL_SCANCODE_MINUS, 189},     {SDL_SCANCODE_PERIOD, 190},     {SDL_SCANCODE_SLASH, 191},
    {SDL_SCANCODE_GRAVE, 192},     {SDL_SCANCODE_LEFTBRACKET, 219}, {SDL_SCANCODE_BACKSLASH, 220},
    {SDL_SCANCODE_RIGHTBRACKET, 221}, {SDL_SCANCODE_APOSTROPHE, 222}, {SDL_SCANCODE_NONUSBACKSLASH, 226},
};

// The keypad's digits and point: numbers with Num Lock on, the moving keys
// they carry otherwise.
struct RPad {
  SDL_Scancode scancode;
  int32_t withLock, withoutLock;
};
constexpr RPad kPad[] = {
    {SDL_SCANCODE_KP_0, 96, 45},  {SDL_SCANCODE_KP_1, 97, 35},  {SDL_SCANCODE_KP_2, 98, 40},
    {SDL_SCANCODE_KP_3, 99, 34},  {SDL_SCANCODE_KP_4, 100, 37}, {SDL_SCANCODE_KP_5, 101, 12},
    {SDL_SCANCODE_KP_6, 102, 39}, {SDL_SCANCODE_KP_7, 103, 36}, {SDL_SCANCODE_KP_8, 104, 38},
    {SDL_SCANCODE_KP_9, 105, 33}, {SDL_SCANCODE_KP_PERIOD, 110, 46},
};

int32_t ByPlace(SDL_Scancode sc, bool numLock) {
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 65 + (sc - SDL_SCANCODE_A);
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return 49 + (sc - SDL_SCANCODE_1);
  if (sc == SDL_SCANCODE_0) return 48;
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return 112 + (sc - SDL_SCANCODE_F1);
  if (sc >= SDL_SCANCODE_F13 && sc <= SDL_SCANCODE_F24) return 124 + (sc - SDL_SCANCODE_F13);
  for (const RPad &p : kPad)
    if (p.scancode == sc) return numLock ? p.withLock : p.withoutLock;
  for (const RPlace &p : kPlaces)
    if (p.scancode == sc) return p.vk;
  return 0;
}

}  // namespace

int32_t SdlKeys_ToVirtualKey(int32_t scancode, int32_t keycode, bool numLock) {
  // A letter or a digit as the layout names it, wherever it sits.
  if (keycode >= 'a' && keycode <= 'z') return 65 + (keycode - 'a');
  if (keycode >= '0' && keycode <= '9') return keycode;
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  return ByPlace(static_cast<SDL_Scancode>(scancode), numLock);
}

bool SdlKeys_Held(int32_t vk) {
  if (vk <= 0 || vk > 255) return false;
  int count = 0;
  const Uint8 *state = SDL_GetKeyboardState(&count);
  if (state == nullptr) return false;
  const auto held = [&](SDL_Scancode sc) { return sc < count && state[sc] != 0; };
  switch (vk) {
    case 160: return held(SDL_SCANCODE_LSHIFT);
    case 161: return held(SDL_SCANCODE_RSHIFT);
    case 162: return held(SDL_SCANCODE_LCTRL);
    case 163: return held(SDL_SCANCODE_RCTRL);
    case 164: return held(SDL_SCANCODE_LALT);
    case 165: return held(SDL_SCANCODE_RALT);
    default: break;
  }
  const bool numLock = (SDL_GetModState() & KMOD_NUM) != 0;
  for (int sc = 0; sc < count && sc < SDL_NUM_SCANCODES; ++sc) {
    if (!state[sc]) continue;
    const SDL_Scancode s = static_cast<SDL_Scancode>(sc);
    if (SdlKeys_ToVirtualKey(sc, SDL_GetKeyFromScancode(s), numLock) == vk) return true;
  }
  return false;
}
