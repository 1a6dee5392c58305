// The wall is solid: the ball is already back where it was before this
// step; it turns away along whichever axis the wall blocks.
move_bounce_solid(false);
show_debug_message("ball " + string(number) + " bounced off the wall after " + string(age) + " steps");
