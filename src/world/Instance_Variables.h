// The built-in variables of instances (x, speed, sprite_index, alarm[] ...):
// reads and writes of the selected instance's fields, writes going through
// the instance's setters so that speeds, direction and box stay consistent.
#pragma once

// Installs the access of every instance variable in the built-in table.
void Instance_InstallVariables();
