// Creation code of the first room.
scr_greet("world");
show_debug_message("lives: " + string(START_LIVES) + " of " + string(MAX_LIVES));
room_goto_next();
