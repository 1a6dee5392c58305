show_debug_message(environment_get_variable("QN_ROLE") + ": " + argument0);
