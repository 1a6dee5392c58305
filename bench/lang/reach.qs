/// instances 200
/// main
var i, k, s;
for (i = 0; i < 64; i += 1) a[i] = 0;
repeat (20) {
  with (1) {
    for (k = 0; k < 64; k += 1) {
      other.a[k] += k;
      b[k] = k * 2;
    }
  }
}
repeat (20) for (i = 0; i < 64; i += 1) (1).c[i] = i;
for (i = 0; i < 64; i += 1) (100002).d[i] = 0;
repeat (500) for (i = 0; i < 64; i += 1) (100002).d[i] += 1;
s = 0;
for (i = 0; i < 64; i += 1) s += a[i] + (100002).d[i] + (100002).c[i];
with (1) for (k = 0; k < 64; k += 1) s += b[k];
return s;
