// Waits until the session has argument0 players (at most 8 seconds);
// answers whether it got there.
var t;
t = current_time;
while (mplay_player_find() != argument0 && current_time - t < 8000) sleep(5);
return mplay_player_find() == argument0;
