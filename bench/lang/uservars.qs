/// main
var k;
v = 0;
w = 0;
u = 0;
global.gv = 0;
for (k = 0; k < 300000; k += 1) {
  v = k;
  w += v;
  u -= 1;
  self.t = k * 2;
  global.gv += 2;
}
return w + u + t + global.gv;
