// The caption, in the default font: drawn where the view stands, so it stays
// in the bottom left corner of the window while the view follows the walker.
var left, top;
left = view_xview[0] + 4;
top = view_yview[0] + view_hview[0] - 38;
if (room == room_hello) {
  draw_set_color(c_yellow);
  draw_text(left, top, GREETING);
  draw_set_color(c_white);
  draw_text(left, top + 16, "balls: " + string(instance_number(obj_ball)));
} else {
  draw_set_color(c_white);
  draw_set_halign(fa_center);
  draw_set_valign(fa_middle);
  draw_text(room_width / 2, room_height / 2, "Goodbye!#Press Escape to end sooner");
  draw_set_halign(fa_left);
  draw_set_valign(fa_top);
}
