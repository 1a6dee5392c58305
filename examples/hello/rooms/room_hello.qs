// Creation code of the first room: greets, then lets four balls loose. The
// seed makes every run the same.
scr_greet("world");
show_debug_message("lives: " + string(START_LIVES) + " of " + string(MAX_LIVES));
show_debug_message("sprite " + sprite_get_name(spr_smile) + ": " + string(sprite_get_width(spr_smile)) + "x"
                   + string(sprite_get_height(spr_smile)) + ", origin " + string(sprite_get_xoffset(spr_smile)));
random_set_seed(4711);
repeat (4) instance_create(80 + irandom(160), 60 + irandom(120), obj_ball);
with (instance_find(obj_greeter, 0)) { timeline_index = tl_ticks; timeline_running = true; }
