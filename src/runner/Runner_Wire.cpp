#include "runner/Runner_Wire.h"

#include <algorithm>

#include "data/Font_Main.h"
#include "base/Support_Wiring.h"
#include "code/Code_Constant.h"
#include "data/Background_Main.h"
#include "data/Sprite_Main.h"
#include "data/Texture_Hook.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Text.h"
#include "graphics/Graphics_Texture.h"
#include "graphics/Graphics_Window.h"
#include "graphics/Motion_Grid_Draw.h"
#include "graphics/Room_Draw.h"
#include "graphics/Sprite_Draw.h"
#include "graphics/Sprite_Grab.h"
#include "platform/Platform_Main.h"
#include "world/Instance_Class.h"
#include "world/Room_Class.h"
#include "world/Run_Main.h"
#include "code/Code_Main.h"
#include "code/Code_Exec.h"
#include "code/Extension_Main.h"
#include "functions/Function_Action_Support.h"
#include "functions/Function_Init.h"
#include "input/IO_Functions.h"
#include "input/IO_Joystick.h"
#include "input/IO_Main.h"
#include "runner/Runner_Input.h"
#include "multiplayer/DPlay_Main.h"
#include "sound/Sound_Main.h"

namespace {

const std::vector<std::string_view> kPendingHooks = {
    // Particle systems come with the rest of the picture.
    "world: particle systems",
    // Dialogs and splash screens that hold the game while they are shown.
    "world: dialogs and splashes hold the game",
};

bool BackgroundSize(int32_t index, int32_t &width, int32_t &height) {
  const CBackground *b = Background_Get(index);
  if (b == nullptr) return false;
  width = b->GetWidth();
  height = b->GetHeight();
  return true;
}

// Joysticks as the loop's joystick events read them.
bool JoystickForLoop(int32_t id, RJoystickState &state) {
  RJoystickPosition p;
  if (!IO_JoystickPosition(id, p)) return false;
  state.x = p.axis[0];
  state.y = p.axis[1];
  state.buttons = p.buttons;
  return true;
}

}  // namespace

void Runner_AddFamilies() {
  Function_AddFamily(GR_Texture_Register_Functions);
  Function_AddFamily(GR_Draw_Register_Functions);
  Function_AddFamily(Text_RegisterFunctions);
  Function_AddFamily(Window_Functions_Init);
  Function_AddFamily(Sprite_Draw_Init);
  Function_AddFamily(Sprite_Grab_Init);
  Function_AddFamily(Motion_Grid_Draw_Init);
  Function_AddFamily(IO_Functions_Init);
  Function_AddFamily(DPlay_Register_Functions);
  Function_AddFamily(Sound_RegisterFunctions);
}

void Runner_Wire(const RPlatform &platform) {
  Runner_AddFamilies();
  Platform_Install(&platform);
  Window_Reset();
  GR_Texture_Init();
  Texture_SetHooks({[](const TBitmap32 &bitmap) { return GR_Texture_Create_From_Bitmap(&bitmap); }, GR_Texture_Free,
                    GR_Texture_Create_From_Alpha});
  Instance_SetSpriteGeometry(Sprite_Geometry);
  Instance_SetSpriteMask(Sprite_Mask);
  Room_SetBackgroundSizeFn(BackgroundSize);
  World_InstallHooks();
  SetExtensionCallHandler(Extension_Call);
  ConstantSetFinder(TConstantSource::Sound, Sound_Find);
  ConstantSetFinder(TConstantSource::Font, Font_Find);
  RRunHooks hooks = Run_Hooks();
  hooks.presentFrame = Room_PresentFrame;
  hooks.drawRoom = Room_Draw;
  hooks.mousePosition = Room_MouseHook;
  hooks.functionKey = Room_FunctionKey;
  hooks.roomStart = Window_RoomStart;
  hooks.joystick = JoystickForLoop;
  hooks.network = DPlay_Pump;
  hooks.sound = Sound_Step;
  Run_SetHooks(hooks);
  IO_SetMouseRoomFn(Room_MouseInRoom);
}

const std::vector<std::string_view> &Runner_PendingHooks() { return kPendingHooks; }

void Runner_ResetState() {
  DPlay_ResetState();
  GR_Draw_Reset_State();
  Functions_ResetState();
  Text_ResetState();
  World_ResetState();
  IO_Reset();
  Runner_InputReset();
  Code_ResetState();
  Sound_ResetState();
}

RWiringReport Runner_CheckWiring() {
  RWiringReport r;
  const auto pending = [](std::string_view name) {
    return std::find(kPendingHooks.begin(), kPendingHooks.end(), name) != kPendingHooks.end();
  };
  for (const RWiringEntry &e : Wiring_Entries()) {
    const bool on = e.installed();
    if (on && pending(e.name)) r.pendingInstalled.emplace_back(e.name);
    else if (on) r.installed.emplace_back(e.name);
    else if (pending(e.name)) r.pending.emplace_back(e.name);
    else r.missing.emplace_back(e.name);
  }
  // A listed hook that nothing declares any more is stale too.
  for (std::string_view name : kPendingHooks) {
    const bool declared = std::any_of(Wiring_Entries().begin(), Wiring_Entries().end(),
                                      [&](const RWiringEntry &e) { return name == e.name; });
    if (!declared) r.pendingInstalled.emplace_back(std::string(name) + " (not declared)");
  }
  // The functions the action library calls by name, held against the table.
  const RActionNameCheck names = Action_CheckBuiltinNames();
  const auto add = [](std::vector<std::string> &to, const std::vector<std::string> &from, const char *suffix) {
    for (const std::string &name : from) to.push_back("action name: " + name + suffix);
  };
  add(r.missing, names.missing, "");
  add(r.pending, names.pending, "");
  add(r.pendingInstalled, names.listedButRegistered, "");
  add(r.pendingInstalled, names.listedButNotCalled, " (not called)");
  const RPlatform &p = Platform();
  const std::string platform = std::string("platform: ") + p.name;
  if (p.Complete()) r.installed.push_back(platform);
  else r.missing.push_back(platform);
  return r;
}

std::string Runner_WiringText(const RWiringReport &report) {
  std::string text;
  const auto list = [&](const char *head, const std::vector<std::string> &names) {
    for (const std::string &n : names) text += std::string(head) + n + "\n";
  };
  list("installed: ", report.installed);
  list("pending: ", report.pending);
  list("missing: ", report.missing);
  list("stale: ", report.pendingInstalled);
  return text;
}
