var role;
role = environment_get_variable("QN_ROLE");
if (!mplay_init_tcpip(environment_get_variable("QN_ADDR"))) {
  say("no connection");
} else if (role == "host") {
  role_host();
} else if (role == "guest") {
  role_guest();
} else if (role == "stranger") {
  role_stranger();
} else if (role == "leaver") {
  role_leaver();
} else if (role == "stayer") {
  role_stayer();
}
mplay_end();
game_end();
