/// main
var i, s;
s = 0;
for (i = 0; i < 3000000; i += 1) {
  switch (i mod 8) {
    case 0: s += 1; break;
    case 1: s += 3; break;
    case 2: s -= 2; break;
    case 3: s += 5; break;
    case 4: s += 7; break;
    case 5: s -= 1; break;
    case 6: s += 2; break;
    default: s += 4;
  }
}
return s;
