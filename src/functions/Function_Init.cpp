#include "functions/Function_Init.h"

#include <algorithm>
#include <vector>

#include "code/Code_Constant.h"
#include "code/Code_Function.h"
#include "code/Extension_Main.h"
#include "code/Variable_BuiltIn.h"
#include "functions/Function_Action.h"
#include "functions/Function_Catalog.h"
#include "functions/Function_Data_Structures.h"
#include "functions/Function_External.h"
#include "functions/Function_File.h"
#include "functions/Function_Interaction.h"
#include "functions/Function_Math.h"
#include "functions/Function_Misc.h"
#include "functions/Function_Motion.h"
#include "functions/Function_Resource.h"
#include "world/Event_Main.h"
#include "world/Instance_Variables.h"
#include "world/Motion_Grid.h"
#include "world/Motion_Potential.h"
#include "world/Object_Main.h"
#include "world/Path_Main.h"
#include "world/Room_Functions.h"
#include "world/Room_Main.h"
#include "world/Room_Variables.h"
#include "world/Run_Main.h"
#include "world/Run_Save.h"
#include "world/TimeLine_Main.h"
#include "world/Trigger_Main.h"
#include "functions/Function_Data_Structures.h"
#include "functions/Function_File.h"

namespace {
std::vector<void (*)()> &LateFamilies() {
  static std::vector<void (*)()> families;
  return families;
}
bool g_initDone = false;
}  // namespace

void Function_AddFamily(void (*registrar)()) {
  std::vector<void (*)()> &families = LateFamilies();
  if (std::find(families.begin(), families.end(), registrar) != families.end()) return;
  families.push_back(registrar);
  if (g_initDone) registrar();
}

void Function_InitAll() {
  if (g_initDone) return;
  g_initDone = true;
  BuiltinRegisterAll();
  Instance_InstallVariables();
  Room_InstallVariables();
  ConstantRegisterBuiltins();
  // Resource names are constants of the game's code.
  ConstantSetFinder(TConstantSource::Object, [](std::string_view n) -> int32_t { return ObjectFind(n); });
  ConstantSetFinder(TConstantSource::Path, [](std::string_view n) -> int32_t { return PathFind(n); });
  ConstantSetFinder(TConstantSource::TimeLine, [](std::string_view n) -> int32_t { return TimeLineFind(n); });
  ConstantSetFinder(TConstantSource::Room, [](std::string_view n) -> int32_t { return RoomFind(n); });
  ConstantSetFinder(TConstantSource::Trigger, [](std::string_view n) -> int32_t { return TriggerFindConstant(n); });
  FunctionSetExtensionHooks(Extension_FindFunction, Extension_FunctionArgCount);
  Event_InstallProviders();
  Function_RegisterFamilies();
}

void Function_RegisterFamilies() {
  // The families register in this order; a name registered twice is found
  // at its first entry, so the family listed first owns a shared name.
  Function_Math_Init();
  Function_Misc_Register();
  Function_File_Init();
  Function_Data_Structures_Init();
  Function_Game_Init();
  Function_Save_Init();
  Function_Interaction_Init();
  Function_Motion_Init();
  Room_Functions_Register();
  Object_Main_Init();
  TimeLine_Main_Init();
  Path_Main_Init();
  Motion_Grid_Init();
  Motion_Potential_Init();
  Function_Action_Init();
  Function_Resource_Init();
  Function_External_Init();
  for (void (*registrar)() : LateFamilies()) registrar();
}

void Function_WriteTable(std::FILE *out) {
  for (int32_t id = 0; id < FunctionCount(); ++id) {
    const RFunction *f = FunctionEntry(id);
    std::fprintf(out, "%s %d", f->f_name.c_str(), static_cast<int>(f->f_argnumb));
    // Then the argument names from the catalogue, for a reader; scripts that
    // read the first two columns are not disturbed.
    if (const RCatalogFunction *c = FunctionCatalogFind(f->f_name))
      std::fprintf(out, " (%.*s)", static_cast<int>(c->c_arguments.size()), c->c_arguments.data());
    std::fputc('\n', out);
  }
}

void Functions_ResetState() {
  DsResetAll();
  File_Reset();  // the INI file and the registry root too
}
