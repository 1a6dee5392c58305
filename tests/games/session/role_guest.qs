// Joins, checks the 100 messages arrive in order and the shared value,
// and answers the host by name.
var i, t, ok;
if (!find_and_join("bob")) { say("join failed"); exit; }
say("joined, status " + string(mplay_session_status()));
if (!wait_players(2)) { say("no host"); exit; }
say("sees " + mplay_player_name(0) + " and " + mplay_player_name(1));
ok = true;
for (i = 1; i <= 100; i += 1) {
  t = current_time;
  while (!mplay_message_receive(0) && current_time - t < 5000) sleep(2);
  if (mplay_message_id() != i || mplay_message_value() != "message " + string(i)) ok = false;
}
say("100 messages in order: " + string(ok) + ", from " + mplay_message_name());
t = current_time;
while (mplay_data_read(3) != "shared text" && current_time - t < 5000) sleep(5);
say("shared " + string(mplay_data_read(3)));
say("answered " + string(mplay_message_send_guaranteed("alice", 42, "thanks")));
t = current_time;
while (!mplay_message_receive("alice") && current_time - t < 5000) sleep(5);
say("told " + string(mplay_message_value()));
