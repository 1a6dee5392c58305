// The built-in variables of the current room: its size, caption, speed,
// persistence, colour, background layers (background_*[]), views
// (view_enabled, view_*[]) and its instances (instance_count,
// instance_id[]).
#pragma once

// Installs their access in the built-in table.
void Room_InstallVariables();
