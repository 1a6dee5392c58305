// Hosts a session for two guests, then leaves it.
mplay_session_mode(real(environment_get_variable("QN_MIGRATE")));
if (!mplay_session_create("arena", 0, "alice")) { say("create failed"); exit; }
if (!wait_players(3)) { say("guests missing"); exit; }
say("sees 3 players");
sleep(200);
mplay_session_end();
say("left");
