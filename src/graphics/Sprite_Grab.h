// Sprites and backgrounds made of what is on the screen or on a surface:
// sprite_create_from_screen, sprite_add_from_screen,
// background_create_from_screen and their _from_surface twins.
#pragma once

// Registers the functions above into the function table.
void Sprite_Grab_Init();
