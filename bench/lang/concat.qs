/// main
var k, n;
n = 0;
for (k = 0; k < 3000; k += 1) {
  t = "";
  repeat (60) t += "ab";
  t = t + "c";
  global.gs = t;
  n += string_length(global.gs);
}
return n;
