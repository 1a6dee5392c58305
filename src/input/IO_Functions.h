// The input family of built-in functions: keyboard_*, mouse_*, io_* and
// joystick_*, with the keyboard and mouse variables.
#pragma once

void IO_Functions_Init();
