/// instances 1000
/// main
var s;
cnt = 0;
repeat (200) {
  with (1) {
    x += 1;
    v = x * 2;
    other.cnt += 1;
  }
  (1).hp = 5;
  (100002).hp += 1;
}
s = 0;
with (1) s += x + v + hp;
return s + cnt;
