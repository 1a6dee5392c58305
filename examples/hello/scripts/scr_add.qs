// scr_add(a, b): the sum of the two arguments.
return argument0 + argument1;
