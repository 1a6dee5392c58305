// The external function family: games define functions of native libraries
// (external_define and its short forms), call them (external_call and its
// short forms) and unload the libraries (external_free); get_function_address
// identifies a built-in function.
#pragma once

// Registers the family in the built-in function table.
void Function_External_Init();
