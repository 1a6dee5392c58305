show_debug_message("first");
return 1;
