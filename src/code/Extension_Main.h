// The game's extension packages: the global list and its section.
#pragma once

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
