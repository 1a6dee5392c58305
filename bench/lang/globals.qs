/// main
var i, j, s;
repeat (20) {
  for (i = 0; i < 32000; i += 1) global.g[i] = i * 2;
}
repeat (5) {
  for (i = 0; i < 200; i += 1) {
    for (j = 0; j < 200; j += 1) global.h[i, j] = i + j;
  }
}
s = 0;
repeat (5) {
  for (i = 0; i < 32000; i += 1) s += global.g[i];
  for (i = 0; i < 200; i += 1) {
    for (j = 0; j < 200; j += 1) s += global.h[i, j];
  }
}
return s;
