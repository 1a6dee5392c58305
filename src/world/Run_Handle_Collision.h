// The collision phase of a step: for every pair of objects where one has a
// collision event for the other, every two of their instances that overlap
// get both collision events, and solid ones do not end up inside each
// other.
#pragma once

// Runs the phase over the current room. Stops at a pending game-state
// change (no further event would start).
void Run_HandleCollisions();
