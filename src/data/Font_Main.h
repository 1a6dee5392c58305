// The game's fonts: the list and its names, its section of the game file,
// and the fonts added, replaced and deleted at run time. Indices come from
// scripts as 64-bit integers; anything outside the list is not a font.
#pragma once

#include <cstdint>
#include <string>

#include "base/Resource_Items.h"
#include "data/Font_Class.h"

using RFontList = RResourceList<CFont>;
extern RFontList g_Fonts;

// The fonts section: version 800, then the named item streams.
bool Font_Load(CStream &stream);
void Font_SaveSection(CStream &stream, const RFontList &list);

bool Font_Exists(int64_t index);
CFont *Font_Get(int64_t index);
// "<undefined>" for an index that is not a font.
const std::string &Font_Name(int64_t index);
// The first font with exactly this name, or -1 (names in game code).
int32_t Font_Find(std::string_view name);

// Textures for every font once the graphics device is up.
void Font_InitTextures();

// A new empty font named "__newfont" + its index; answers the index.
int32_t Font_AddEmpty();

// The font of built-ins: font_exists, font_get_..., font_add,
// font_add_sprite, font_replace, font_replace_sprite, font_delete.
void Font_RegisterFunctions();
