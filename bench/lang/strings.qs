/// main
var total, k, i, s, piece;
total = 0;
for (k = 0; k < 10000; k += 1) {
  s = "";
  for (i = 0; i < 40; i += 1) {
    if (i mod 3 == 0) piece = "ab" else piece = 2 * "c";
    s += piece;
  }
  s += "needle";
  total += string_length(s) + string_pos("needle", s) + string_pos("zz", s);
  if (s == "abccab") total += 1000;
}
return total;
