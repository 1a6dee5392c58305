// Creates the session, waits for one guest, sends it 100 numbered messages
// on the guaranteed channel and a shared value, and waits for its answer.
var i, t;
mplay_session_mode(real(environment_get_variable("QN_MIGRATE")));
if (!mplay_session_create("arena", 4, "alice")) { say("create failed"); exit; }
say("created, status " + string(mplay_session_status()));
if (!wait_players(2)) { say("nobody came"); exit; }
say("sees " + mplay_player_name(0) + " and " + mplay_player_name(1));
mplay_data_mode(true);
mplay_data_write(3, "shared text");
for (i = 1; i <= 100; i += 1) mplay_message_send_guaranteed(0, i, "message " + string(i));
t = current_time;
while (!mplay_message_receive("bob") && current_time - t < 5000) sleep(5);
say("answer " + string(mplay_message_id()) + " " + string(mplay_message_value()) + " from " + mplay_message_name());
// The guest leaves when told; the host sees it go.
mplay_message_send_guaranteed("bob", 99, "bye");
t = current_time;
while (mplay_player_find() != 1 && current_time - t < 5000) sleep(5);
say("players left " + string(mplay_player_find()));
