// The "settings" object of the manifest: every game setting by its name
// without the "opt_" prefix, each defaulting to the runner's own default.
#pragma once

#include "Pack_Files.h"
#include "Pack_Json.h"
#include "base/Option_Main.h"

// Resets settings to the defaults, then applies the object's fields.
void ReadSettings(const JsonValue &value, const ProjectFiles &files, TGameSettings &settings);
