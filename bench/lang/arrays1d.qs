/// main
var i, s;
for (i = 0; i < 32000; i += 1) a[i] = i;
s = 0;
repeat (50) {
  for (i = 0; i < 32000; i += 1) s += a[i];
}
return s;
