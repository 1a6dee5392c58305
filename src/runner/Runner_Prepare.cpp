#include "runner/Runner_Prepare.h"
#include "runner/Runner_Wire.h"


#include <vector>

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Constant_Main.h"
#include "code/Extension_Main.h"
#include "code/Support_DLL.h"
#include "code/Script_Main.h"
#include "input/IO_Main.h"
#include "data/DataNew_Export.h"
#include "base/Option_Main.h"
#include "platform/Platform_Main.h"
#include "runner/Runner_Load.h"
#include "sound/Sound_Main.h"
#include "base/Support_Trace.h"
#include "world/Instance_Class.h"
#include "world/Object_Main.h"
#include "world/TimeLine_Main.h"
#include "world/Trigger_Main.h"

namespace {

void Progress(ILoadProgress *progress, int percent, const char *caption) {
  if (progress) progress->Progress(percent, caption);
  else Trace(caption);
}

bool DefineConstants(std::vector<std::string> &messages) {
  CInstance temp;
  temp.Create(0, 0, 0, -1);
  std::string message;
  if (ConstantsDefine(g_Constants.names, g_Constants.values, &temp, message)) return true;
  if (!message.empty()) messages.push_back(message);
  return false;
}

// The packages' constants, libraries and script-language functions; a
// compile error has been reported already, a constant's message joins the
// messages shown.
bool PrepareExtensions(std::vector<std::string> &messages) {
  CInstance temp;
  temp.Create(0, 0, 0, -1);
  std::string message;
  if (Extension_Prepare(&temp, message)) return true;
  if (!message.empty()) messages.push_back(message);
  return false;
}

// Each script in index order; the first failure is reported and ends the
// step. A script without text compiles to the empty program, so calling it
// answers 0 like any script that returns nothing.
bool CompileScripts() {
  for (int i = 0; i < g_Scripts.Count(); ++i) {
    CScript *script = g_Scripts.Get(i);
    if (script == nullptr) continue;
    CodeErrorClear();
    if (!script->Compile()) {
      ReportError("COMPILATION ERROR in Script: " + ScriptName(i) + "\r" + CodeErrorText(), true);
      CodeErrorClear();
      return false;
    }
  }
  return true;
}

}  // namespace

bool Runner_ApplyPriority(int32_t setting) {
  // Setting 1 raises the priority a little, 2 as far as it goes.
  if (setting == 1) return PlatformProcesses().SetPriority(1);
  if (setting == 2) return PlatformProcesses().SetPriority(3);
  return true;
}

RPrepareResult Runner_Prepare(ILoadProgress *progress, bool startGraphics) {
  RPrepareResult result;
  auto fail = [&](const char *message) {
    result.ok = false;
    result.messages.emplace_back(message);
    return result;
  };
  // Raising the priority needs rights an ordinary user lacks; the game
  // runs at its normal priority then.
  if (!Runner_ApplyPriority(g_Settings.opt_priority)) Trace("Process priority could not be raised");

  Progress(progress, 50, "Extracting included files");
  DataFile_ExportAll();
  Progress(progress, 55, "Preparing extension packages");
  if (!PrepareExtensions(result.messages)) return fail("Failed to prepare extension packages.");
  Progress(progress, 60, "Preparing constants");
  if (!DefineConstants(result.messages)) return fail("Failed to define the constants.");
  Progress(progress, 61, "Preparing triggers");
  if (!Trigger_PrepareAll()) return fail("Failed to prepare triggers.");
  Progress(progress, 62, "Compiling scripts");
  if (!CompileScripts()) return fail("Failed to compile the scripts.");
  Progress(progress, 70, "Compiling time line actions");
  if (!TimeLine_CompileAll()) return fail("Failed to compile the actions in the time lines.");
  Progress(progress, 72, "Compiling object actions");
  if (!Object_CompileAll()) return fail("Failed to compile the actions in the objects.");
  Progress(progress, 80, "Preparing sounds");
  Sound_Prepare();
  Progress(progress, 90, "Preparing graphics");
  // The graphics start-up shows its own message when it fails.
  if (startGraphics && !Runner_StartGraphics()) {
    result.ok = false;
    return result;
  }
  IO_Clear();
  Progress(progress, 100, "Ready");
  if (progress) progress->End();
  return result;
}

void Runner_CleanUp() {
  Runner_FinishGraphics();
  Sound_Shutdown();
  DataFile_RemoveAll();
  // The libraries games loaded, before the temporary directory that may
  // hold them goes.
  External_Reset();
}
