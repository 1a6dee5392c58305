/// main
var i, j, s;
for (i = 0; i < 300; i += 1) {
  for (j = 0; j < 300; j += 1) b[i, j] = i + j;
}
s = 0;
repeat (20) {
  for (i = 0; i < 300; i += 1) {
    for (j = 0; j < 300; j += 1) s += b[i, j];
  }
}
return s;
