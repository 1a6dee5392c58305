// The player's smile: the arrow keys (or joystick 1) walk it, a click of the
// left button puts it where the mouse is, space makes it say where it is.
var dx, dy;
dx = keyboard_check(vk_right) - keyboard_check(vk_left);
dy = keyboard_check(vk_down) - keyboard_check(vk_up);
if (joystick_exists(1)) {
  dx += round(joystick_xpos(1));
  dy += round(joystick_ypos(1));
}
x = min(max(x + 4 * dx, 0), room_width);
y = min(max(y + 4 * dy, 0), room_height);
if (mouse_check_button_pressed(mb_left)) {
  x = mouse_x;
  y = mouse_y;
}
if (keyboard_check_pressed(vk_space)) show_debug_message("hop at " + string(x) + "," + string(y));
