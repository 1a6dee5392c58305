// The game's sprites: the list and its names, its section of the game file,
// and the operations that add, replace, copy and remove sprites at run time.
// Indices come from scripts as 64-bit integers; anything outside the list is
// simply not a sprite.
#pragma once

#include <cstdint>
#include <string>

#include "data/Sprite_Class.h"
#include "base/Resource_Items.h"

using RSpriteList = RResourceList<CSprite>;
extern RSpriteList g_Sprites;

// The sprites section: version 800, then the named item streams.
bool Sprite_Load(CStream &stream);
void Sprite_SaveSection(CStream &stream, const RSpriteList &list);

bool Sprite_Exists(int64_t index);
CSprite *Sprite_Get(int64_t index);
// "<undefined>" for an index that is not a sprite.
const std::string &Sprite_Name(int64_t index);

// Textures for every sprite once the graphics device is up.
void Sprite_InitTextures();

// A new empty sprite named "__newsprite" + its index; answers the index.
int32_t Sprite_AddEmpty();
// From a picture file cut into frames; -1 (nothing added) on failure.
int32_t Sprite_Add(const std::string &path, int32_t imgnumb, bool removeback, bool smooth, int32_t xorig,
                   int32_t yorig);
// From a sprite file; -1 (nothing added) on failure.
int32_t Sprite_AddSprite(const std::string &path);
// What instances need of a sprite: its image count, origin and bounding box
// (inclusive, in sprite pixels).
struct RSpriteGeometry {
  int32_t count = 0;
  int32_t width = 0, height = 0;
  int32_t xorigin = 0, yorigin = 0;
  int32_t left = 0, top = 0, right = -1, bottom = -1;
};

// A copy of a sprite as a new entry; -1 when the source is not a sprite.
int32_t Sprite_Duplicate(int64_t index);
// Makes index a copy of source, creating it when its entry is empty. False
// when the source is not a sprite or index lies outside the list.
bool Sprite_Assign(int64_t index, int64_t source);

// What instances need of a sprite (count, size, origin, box); false when the
// index is not a sprite.
bool Sprite_Geometry(int32_t sprite, RSpriteGeometry &out);
// The collision mask of image `image` of a sprite (the image number wraps);
// null when the sprite does not exist or has no mask.
const TMask *Sprite_Mask(int32_t sprite, int64_t image);
// Makes game code find sprites by name.
void Sprite_InstallLookups();
