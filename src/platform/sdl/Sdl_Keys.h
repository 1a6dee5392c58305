// SDL's keys as the virtual-key numbers games know (the vk_ constants):
// letters and digits by what the key means on the player's keyboard layout,
// every other key by where it sits.
#pragma once

#include <cstdint>

// The virtual-key number of a key event (scancode and keycode as SDL gives
// them, numLock whether Num Lock is on); 0 for a key that has none.
int32_t SdlKeys_ToVirtualKey(int32_t scancode, int32_t keycode, bool numLock);

// Whether the key with that virtual-key number is held now, by SDL's
// keyboard state (the left and right keys of 160 ... 165 apart, 16, 17, 18
// for either of a pair).
bool SdlKeys_Held(int32_t vk);
