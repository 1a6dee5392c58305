// Sprites and backgrounds on the screen: the drawing built-ins, the default
// drawing of an instance, background layers and tiles of a room, and the
// texture ids games read. Each picture is drawn as one quad routine.
#pragma once

#include <cstdint>

class CInstance;
struct CBack;
struct RTile;

// A frame of a sprite plainly at (x, y), opaque and untransformed; false
// when the sprite does not exist.
bool Sprite_DrawPlain(int32_t sprite, int64_t frame, double x, double y);
// An instance without a draw event of its own: its sprite at its position
// with its image index rounded down, transformed when scaled, turned,
// coloured or see-through.
void Sprite_DrawInstance(const CInstance &inst);
// A background layer tiled over the region (left, top, width, height).
void Background_DrawLayer(const CBack &layer, double left, double top, double width, double height);
// A tile, when its background exists and it overlaps the room rectangle.
void Tile_Draw(const RTile &tile, double left, double top, double right, double bottom);

// The frame a script's subimg names: -1 the caller's image index rounded
// down, else the number rounded down.
int64_t Sprite_ScriptFrame(const CInstance *self, double subimg);

// draw_self, draw_sprite*, draw_background*, sprite_get_texture,
// background_get_texture.
void Sprite_Draw_Init();
