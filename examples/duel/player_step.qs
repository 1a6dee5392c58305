// Tell the other copy where this square is (a lost position is soon
// replaced by the next), then take what it told us.
if (!online) exit;
mplay_message_send(0, 1, x);
mplay_message_send(0, 2, y);
while (mplay_message_receive(0)) {
  if (mplay_message_id() == 1) mate_x = mplay_message_value();
  if (mplay_message_id() == 2) mate_y = mplay_message_value();
  if (!mate_seen) {
    mate_seen = true;
    show_debug_message("sees " + mplay_message_name());
  }
}
if (mate_seen && mplay_player_find() < 2) {
  mate_seen = false;
  mate_x = -1;
  show_debug_message("the other player left");
}
