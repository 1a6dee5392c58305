// The motion and collision functions: testing places, moving an instance to
// contact, out of contact, at random, onto a grid or around the room's
// edges, bouncing, setting its motion, distances, and finding the instances
// that meet a point, a rectangle, an ellipse, a circle or a line.
#pragma once

// Registers the family in the built-in function table.
void Function_Motion_Init();
