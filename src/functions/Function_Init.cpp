#include "functions/Function_Init.h"

#include "code/Code_Constant.h"
#include "code/Code_Function.h"
#include "code/Extension_Main.h"
#include "code/Variable_BuiltIn.h"
#include "functions/Function_Data_Structures.h"
#include "functions/Function_File.h"
#include "functions/Function_Math.h"
#include "functions/Function_Misc.h"
#include "functions/Function_Resource.h"

void Function_InitAll() {
  static bool done = false;
  if (done) return;
  done = true;
  BuiltinRegisterAll();
  ConstantRegisterBuiltins();
  FunctionSetExtensionHooks(Extension_FindFunction, Extension_FunctionArgCount);
  Function_RegisterFamilies();
}

void Function_RegisterFamilies() {
  // The families register in this order; a name registered twice is found
  // at its first entry, so the family listed first owns a shared name.
  Function_Math_Init();
  Function_Misc_Register();
  Function_File_Init();
  Function_Data_Structures_Init();
  Function_Resource_Init();
}

void Function_WriteTable(std::FILE *out) {
  for (int32_t id = 0; id < FunctionCount(); ++id) {
    const RFunction *f = FunctionEntry(id);
    std::fprintf(out, "%s %d\n", f->f_name.c_str(), static_cast<int>(f->f_argnumb));
  }
}
