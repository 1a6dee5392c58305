// The action library: the action_ functions that the actions of objects and
// time lines call, and the platform query functions kept for scripts
// written for other platforms.
#pragma once

// Registers the whole family in the built-in function table.
void Function_Action_Init();

// The particle system and the type and emitter slots that the particle
// actions fill; -1 where nothing was created. Creating the system empties
// every slot.
struct RActionParticles {
  static constexpr int kSlots = 16;
  int system = -1;
  int types[kSlots];
  int emitters[kSlots];
  RActionParticles() { Clear(); }
  void ClearSlots() {
    for (int i = 0; i < kSlots; ++i) types[i] = emitters[i] = -1;
  }
  void Clear() {
    system = -1;
    ClearSlots();
  }
};
extern RActionParticles g_ActionParticles;
