/// main
var i, j, s;
repeat (10) {
  for (i = 0; i < 300; i += 1) {
    for (j = 0; j < 300; j += 1) b[i, j] = i - j;
  }
}
repeat (5) {
  for (i = 0; i < 300; i += 1) {
    for (j = 0; j < 300; j += 1) b[i, j] += 1;
  }
}
s = 0;
for (i = 0; i < 300; i += 1) {
  for (j = 0; j < 300; j += 1) s += b[i, j];
}
return s;
