// Data-structure workloads for the script interpreter, each beside its Lua
// twin in ds.lua. A line "//== name" starts a workload; bench_key(i) is the
// text "k" followed by the number i, as "k" .. i is in Lua.

//== list
var l, i, s, n;
n = 100000;
l = ds_list_create();
for (i = 0; i < n; i += 1) ds_list_add(l, i);
s = 0;
for (i = 0; i < n; i += 1) s += ds_list_find_value(l, i);
for (i = 0; i < n; i += 1) ds_list_replace(l, i, i * 2);
for (i = 0; i < 100; i += 1) ds_list_insert(l, 0, i);
for (i = 0; i < 100; i += 1) ds_list_delete(l, 0);
s += ds_list_find_index(l, 2 * (n - 1));
s += ds_list_size(l);
ds_list_destroy(l);
return s;

//== map
var m, i, r, s, n;
n = 2000;
m = ds_map_create();
for (i = 0; i < n; i += 1) ds_map_add(m, bench_key(i), i);
s = 0;
for (r = 0; r < 20; r += 1) {
  for (i = 0; i < n; i += 1) s += ds_map_find_value(m, bench_key(i));
  for (i = 0; i < n; i += 1) s += ds_map_exists(m, bench_key(i + n));
}
for (i = 0; i < n; i += 1) ds_map_replace(m, bench_key(i), -i);
for (i = 0; i < n; i += 2) ds_map_delete(m, bench_key(i));
s += ds_map_size(m);
ds_map_destroy(m);
return s;

//== map_numbers
var m, i, r, s, n;
n = 2000;
m = ds_map_create();
for (i = 0; i < n; i += 1) ds_map_add(m, (i * 7919) mod n, i);
s = 0;
for (r = 0; r < 200; r += 1) {
  for (i = 0; i < n; i += 1) s += ds_map_find_value(m, i);
}
for (i = 0; i < n; i += 2) ds_map_delete(m, i);
s += ds_map_size(m);
ds_map_destroy(m);
return s;

//== grid
var g, i, j, r, s, w, h;
w = 200;
h = 200;
g = ds_grid_create(w, h);
for (i = 0; i < w; i += 1) for (j = 0; j < h; j += 1) ds_grid_set(g, i, j, i + j);
s = 0;
for (i = 0; i < w; i += 1) for (j = 0; j < h; j += 1) s += ds_grid_get(g, i, j);
for (r = 0; r < 20; r += 1) {
  ds_grid_add_region(g, 10, 10, w - 10, h - 10, 1);
  ds_grid_multiply_region(g, 0, 0, w / 2, h / 2, 0.5);
  s += ds_grid_get_sum(g, 0, 0, w - 1, h - 1);
  s += ds_grid_get_max(g, 5, 5, w - 5, h - 5);
  ds_grid_add_disk(g, w / 2, h / 2, 50, 2);
  s += ds_grid_get_disk_mean(g, w / 2, h / 2, 40);
}
ds_grid_destroy(g);
return s;
