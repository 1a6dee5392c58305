// The miscellaneous built-in functions: running text as code
// (execute_string, execute_file), the script functions (script_exists,
// script_get_name, script_name, script_get_text, script_execute) and
// variables by name (variable_global_*, variable_local_*).
#pragma once

// Registers the family in the built-in function table.
void Function_Misc_Register();
