draw_set_color(c_aqua);
draw_rectangle(x, y, x + 32, y + 32, false);
if (mate_x >= 0) {
  draw_set_color(c_red);
  draw_rectangle(mate_x, mate_y, mate_x + 32, mate_y + 32, false);
}
draw_set_color(c_white);
if (!online) draw_text(8, 8, "no network");
else if (mplay_session_status() == 1 && !mate_seen) draw_text(8, 8, "waiting for a second copy");
else draw_text(8, 8, "arrow keys move your square");
