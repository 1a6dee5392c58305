// Looks for a session for up to 5 seconds and joins the first one found
// as player argument0.
var t, n;
t = current_time;
n = 0;
while (n == 0 && current_time - t < 5000) n = mplay_session_find();
if (n == 0) return false;
say("found " + mplay_session_name(0));
return mplay_session_join(0, argument0);
