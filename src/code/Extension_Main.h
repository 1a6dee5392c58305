// The game's extension packages: the global list and its section.
#pragma once

#include <cstdint>
#include <string_view>

#include <memory>
#include <vector>

#include "code/Extension_Class.h"

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
