// Creation code of the first room.
scr_greet("world");
show_debug_message("lives: " + string(START_LIVES) + " of " + string(MAX_LIVES));
show_debug_message("sprite " + sprite_get_name(spr_smile) + ": " + string(sprite_get_width(spr_smile)) + "x"
                   + string(sprite_get_height(spr_smile)) + ", origin " + string(sprite_get_xoffset(spr_smile)));
room_goto_next();
