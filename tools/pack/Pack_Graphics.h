// Reading the manifest's sprites and backgrounds: their pictures (PNG or
// BMP, a strip or one file per frame), origin, the preparation that loading
// applies (transparent background, smoothed edges) and the collision mask
// settings. docs/project-format.md describes the fields.
#pragma once

#include "Pack_Files.h"
#include "Pack_Json.h"
#include "runner/Game_Writer.h"

// Each fills its list from the manifest array; PackError on a fault.
void ReadSprites(const JsonValue &value, const ProjectFiles &files, RResourceList<CSprite> &out);
void ReadBackgrounds(const JsonValue &value, const ProjectFiles &files, RResourceList<CBackground> &out);

// A sprite or background given by name or by index; either must name an
// existing entry (-1 stands for none).
int32_t ReadPictureReference(const JsonValue &v, const std::vector<std::string> &names, const char *kind);
