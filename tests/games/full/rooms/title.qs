show_debug_message(TITLE);
