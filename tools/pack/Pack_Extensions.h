// The extension packages of a project: their files (native libraries,
// script-language sources, other files), functions and constants, read from
// the manifest's "extension_packages" array.
#pragma once

#include "Pack_Files.h"
#include "Pack_Json.h"
#include "code/Extension_Main.h"

// Fills out from the array; the function ids are given in order across all
// packages, from 0. The packages' constants are noted as code, so they must
// be read before the game's own constants, which may use them.
void ReadExtensionPackages(const JsonValue &value, const ProjectFiles &files, RExtensionList &out);
