/// script fib
if (argument0 < 2) return argument0;
return fib(argument0 - 1) + fib(argument0 - 2);
/// main
return fib(29);
