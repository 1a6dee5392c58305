// scr_greet(name): prints a greeting and answers its length.
var text;
text = GREETING + ", " + argument0 + "!";
show_debug_message(text);
return string_length(text);
