/// main
var l, m, g, i, s;
l = ds_list_create();
for (i = 0; i < 20000; i += 1) ds_list_add(l, i * 3);
s = 0;
repeat (10) for (i = 0; i < 20000; i += 1) s += ds_list_find_value(l, i);
m = ds_map_create();
for (i = 0; i < 5000; i += 1) ds_map_add(m, "k" + string(i), i);
repeat (4) for (i = 0; i < 5000; i += 1) s += ds_map_find_value(m, "k" + string(i));
g = ds_grid_create(100, 100);
repeat (5) for (i = 0; i < 10000; i += 1) ds_grid_set(g, i mod 100, i div 100, i);
for (i = 0; i < 10000; i += 1) s += ds_grid_get(g, i mod 100, i div 100);
ds_list_destroy(l);
ds_map_destroy(m);
ds_grid_destroy(g);
return s;
