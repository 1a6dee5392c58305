// Balls bounce off the edges of the room.
age += 1;
if (x < 0 || x > room_width) hspeed = -hspeed;
if (y < 0 || y > room_height) vspeed = -vspeed;
