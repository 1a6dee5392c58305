global.lib_b = 2;
