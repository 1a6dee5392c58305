/// main
var s, i, j;
s = 0;
for (i = 0; i < 1500; i += 1) {
  for (j = 0; j < 1500; j += 1) {
    s += (i * j) mod 7;
  }
}
return s;
