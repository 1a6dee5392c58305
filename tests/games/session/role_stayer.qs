// Joins, waits for the other guest, then sees what is left when the host
// has gone: with migration the two guests still talk to each other, without
// it each is alone.
var t, mate, sent, got, left;
if (!find_and_join(environment_get_variable("QN_NAME"))) { say("join failed"); exit; }
if (!wait_players(3)) { say("players missing"); exit; }
say("sees 3 players");
t = current_time;
while (mplay_player_find() == 3 && current_time - t < 5000) sleep(5);
left = 1;
if (real(environment_get_variable("QN_MIGRATE"))) left = 2;
wait_players(left);
say("players after the host left " + string(mplay_player_find()));
mate = "nobody";
if (mplay_player_find() == 2) mate = mplay_player_name(1);
sent = mplay_message_send_guaranteed(mate, 9, "hello");
say("sent " + string(sent));
if (sent) {
  t = current_time;
  got = false;
  while (!got && current_time - t < 5000) { got = mplay_message_receive(mate); if (!got) sleep(5); }
  say("got " + string(got) + " from the other guest");
  // Stay a moment so that the other guest's message is taken too.
  t = current_time;
  while (current_time - t < 300) { mplay_player_find(); sleep(5); }
}
say("status " + string(mplay_session_status()));
