// A copy of another game looks for sessions while the host is there.
var t, n, most;
t = current_time;
most = 0;
while (current_time - t < 1500) most = max(most, mplay_session_find());
say("found " + string(most) + ", join " + string(mplay_session_join(0, "eve")));
