// The game's extension packages: the global list and its section.
#pragma once

#include <cstdint>
#include <string_view>

#include <memory>
#include <vector>

#include "code/Extension_Class.h"

class CInstance;
struct RValue;

using RExtensionList = std::vector<std::unique_ptr<CExtensionPackage>>;

extern RExtensionList g_Extensions;

enum class TExtensionLoad { Ok, WrongVersion, PackageFailed };

// The section: integer 700, count, then the package records directly. The
// files of each package are written into the temporary directory (when there
// is one) as the package is read. The loader shows its own message for a
// failed package, so the two kinds of failure are told apart.
TExtensionLoad Extension_Load(CStream &stream);
void Extension_SaveSection(CStream &stream, const RExtensionList &list);

// The function ids of extension functions for the function table: the id
// (s_id) of the first function called name, or -1; and an id's argument
// count (-1 any), -100 for an unknown id.
int32_t Extension_FindFunction(std::string_view name);
int32_t Extension_FunctionArgCount(int32_t id);

// The name of the function with that id, empty when no package has it.
std::string Extension_FunctionName(int32_t id);

// The messages of packages at run time.
inline constexpr char kExtensionSecureMessage[] = "In secure mode you cannot use extension packages.";

// Preparation, before the game's constants: the packages' constants are
// defined (evaluated with temp as self and other), the functions of library
// files are bound to their libraries in the package folders (not in secure
// mode, where no package library may run), and the script-language
// functions are compiled. Answers false at the first failure: a constant's
// message in message, or a compile error already reported as fatal.
bool Extension_Prepare(CInstance *temp, std::string &message);
// The initialisation (at game start) and finalisation (at game end)
// functions of every package file, in package and file order, each called
// without arguments for temp. The first failure is reported as fatal and
// answers false.
bool Extension_Initialize(CInstance *temp);
bool Extension_Finalize(CInstance *temp);
// Calls extension function id: a library function through the external
// table, a script-language function like a script. False when the call
// fails, with the error text recorded for the calling code.
bool Extension_Call(int32_t id, CInstance *self, CInstance *other, int argc, RValue *args, RValue &result);
// Forgets what preparation built (the packages themselves stay).
void Extension_ResetRuntime();
