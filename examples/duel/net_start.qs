// Joins the first session of this game on the local network, or hosts one
// when there is none yet.
mate_x = -1;
mate_y = -1;
mate_seen = false;
online = mplay_init_tcpip("");
if (!online) {
  show_debug_message("no network");
  exit;
}
if (mplay_session_find() > 0 && mplay_session_join(0, "player 2")) {
  x = 384;
  show_debug_message("joined " + mplay_session_name(0) + " as player 2");
} else if (mplay_session_create("duel", 2, "player 1")) {
  show_debug_message("hosting a duel as player 1: start a second copy to join");
} else {
  online = false;
  show_debug_message("no session");
}
