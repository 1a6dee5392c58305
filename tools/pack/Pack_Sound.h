// Reading the manifest's sounds: each names its file in the project and
// says how it plays.
#pragma once

#include "Pack_Files.h"
#include "Pack_Json.h"
#include "base/Resource_Items.h"
#include "sound/Sound_Class.h"

void ReadSounds(const JsonValue &value, const ProjectFiles &files, RResourceList<CSound> &out);
