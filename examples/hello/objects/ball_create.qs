// A ball starts in a random direction and pops after a random time.
number = instance_number(obj_ball);
age = 0;
direction = irandom(359);
speed = 2 + irandom(2);
alarm[0] = 15 + irandom(30);
// A ball never starts inside the wall: it steps left until it is clear.
move_outside_solid(180, -1);
