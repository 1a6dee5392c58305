// The built-in functions on sprites and backgrounds as resources: asking
// about them, changing origin, alpha and collision masks, adding them from
// picture files and their own files, replacing, copying and deleting them.
// Drawing them, grabbing them from the screen or a surface, saving them as
// pictures and their textures belong to the graphics functions.
#pragma once

// Registers the family in the built-in function table, lets instances find
// their sprites' geometry in the sprite list and lets game code name sprites
// and backgrounds.
void Function_Resource_Init();
