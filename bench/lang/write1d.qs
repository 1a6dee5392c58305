/// main
var i, s;
repeat (20) {
  for (i = 0; i < 32000; i += 1) a[i] = i;
}
repeat (10) {
  for (i = 0; i < 32000; i += 1) a[i] += 1;
}
s = 0;
for (i = 0; i < 32000; i += 1) s += a[i];
return s;
