/// main
var s, i, j;
s = 0;
for (i = 0; i < 1000; i += 1) {
  for (j = 0; j < 1000; j += 1) {
    s += (i * j) mod 7;
  }
}
return s;
