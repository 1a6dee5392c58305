// The room resource functions (room_set_*, room_add, room_duplicate,
// room_assign, room_instance_*, room_tile_*, room names and neighbours in
// the play order) and the tile functions on the current room.
#pragma once

// Registers them in the built-in function table.
void Room_Functions_Register();
