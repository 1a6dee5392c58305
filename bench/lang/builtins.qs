/// main
var k, s;
s = 0;
for (k = 0; k < 200000; k += 1) {
  x = k mod 640;
  x += 1;
  y = k mod 480;
  speed = k mod 10;
  direction = k mod 360;
  image_index = k mod 4;
  s += image_index;
}
return s + x + y + speed + direction;
